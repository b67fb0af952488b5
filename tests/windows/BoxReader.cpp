// Finds a message box by its caption and reads or dismisses it: the
// end-to-end tests' eyes and hands on a box shown by another process.
//
//   BoxReader read CAPTION TEXTFILE [SECONDS]
//     waits for the box, writes its message text to TEXTFILE as UTF-8, byte
//     for byte, and prints "buttons: <texts>" and "icon: yes|no" on stdout.
//   BoxReader dismiss CAPTION HOW [SECONDS]
//     HOW is enter, escape or space, typed on the keyboard with the box
//     brought forward, or close, the close command of its title bar.
//   BoxReader gone CAPTION [SECONDS]
//     waits until no such box is left.
// Exit code 0 on success, 1 when the box did not appear (or go) in time.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The dialog class every message box has, and the id of its text control.
constexpr const wchar_t* BoxClass = L"#32770";
constexpr int TextControlId = 0xFFFF;

// A box counts once it is visible: the dialog exists, hidden, while it is
// still being filled in and its unused buttons removed.
HWND WaitForBox(const wchar_t* caption, double seconds, bool present) {
  ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  for (;;) {
    HWND box = FindWindowW(BoxClass, caption);
    if (box != nullptr && !IsWindowVisible(box)) box = nullptr;
    if ((box != nullptr) == present) return box;
    if (GetTickCount64() > deadline) return present ? nullptr : box;
    Sleep(50);
  }
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return text;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

struct Controls {
  std::wstring Buttons;
  bool Icon = false;
};

BOOL CALLBACK CollectControl(HWND child, LPARAM found) {
  Controls& controls = *reinterpret_cast<Controls*>(found);
  if (!IsWindowVisible(child)) return TRUE;
  wchar_t className[64] = {};
  GetClassNameW(child, className, 64);
  if (_wcsicmp(className, L"Button") == 0) {
    if (!controls.Buttons.empty()) controls.Buttons += L",";
    controls.Buttons += WindowText(child);
  } else if (_wcsicmp(className, L"Static") == 0 &&
             (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    controls.Icon = true;
  }
  return TRUE;
}

int Read(const wchar_t* caption, const wchar_t* file, double seconds) {
  HWND box = WaitForBox(caption, seconds, true);
  if (box == nullptr) {
    std::fprintf(stderr, "no box captioned \"%ls\"\n", caption);
    return 1;
  }
  HWND textControl = GetDlgItem(box, TextControlId);
  std::string text = textControl ? Utf8(WindowText(textControl)) : std::string();
  FILE* out = _wfopen(file, L"wb");
  if (out == nullptr) {
    std::fprintf(stderr, "cannot write %ls\n", file);
    return 2;
  }
  std::fwrite(text.data(), 1, text.size(), out);
  std::fclose(out);

  Controls controls;
  EnumChildWindows(box, &CollectControl, reinterpret_cast<LPARAM>(&controls));
  std::printf("buttons: %s\nicon: %s\n", Utf8(controls.Buttons).c_str(),
              controls.Icon ? "yes" : "no");
  return 0;
}

int Dismiss(const wchar_t* caption, const std::wstring& how, double seconds) {
  WORD key = how == L"enter" ? VK_RETURN : how == L"escape" ? VK_ESCAPE : how == L"space" ? VK_SPACE : 0;
  if (key == 0 && how != L"close") {
    std::fprintf(stderr, "unknown way to dismiss: %ls\n", how.c_str());
    return 2;
  }
  HWND box = WaitForBox(caption, seconds, true);
  if (box == nullptr) {
    std::fprintf(stderr, "no box captioned \"%ls\"\n", caption);
    return 1;
  }
  if (key == 0) {
    PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
  }
  SetForegroundWindow(box);
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = key;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  if (SendInput(2, keys, sizeof(INPUT)) != 2) {
    std::fprintf(stderr, "SendInput failed: %lu\n", GetLastError());
    return 2;
  }
  return 0;
}

int Gone(const wchar_t* caption, double seconds) {
  if (WaitForBox(caption, seconds, false) != nullptr) {
    std::fprintf(stderr, "the box captioned \"%ls\" is still there\n", caption);
    return 1;
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"read" && (argc == 4 || argc == 5))
    return Read(argv[2], argv[3], argc == 5 ? _wtof(argv[4]) : 20);
  if (mode == L"dismiss" && (argc == 4 || argc == 5))
    return Dismiss(argv[2], argv[3], argc == 5 ? _wtof(argv[4]) : 20);
  if (mode == L"gone" && (argc == 3 || argc == 4))
    return Gone(argv[2], argc == 4 ? _wtof(argv[3]) : 20);
  std::fprintf(stderr,
               "usage: BoxReader read CAPTION TEXTFILE [SECONDS]\n"
               "       BoxReader dismiss CAPTION enter|escape|space|close [SECONDS]\n"
               "       BoxReader gone CAPTION [SECONDS]\n");
  return 2;
}
