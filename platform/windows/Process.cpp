// The command line, the modules and the end of the process: kernel32.

#include <string>

#include "platform/Platform.h"
#include "platform/windows/Win32.h"

namespace Platform {

CommandLine ProcessCommandLine() {
  // Handed over whole: the program splits it by its own rules, which are not
  // those of CommandLineToArgvW.
  CommandLine line;
  line.IsOneText = true;
  line.OneText = Windows::Units(GetCommandLineW());
  return line;
}

bool DebuggerClaimsFault() { return IsDebuggerPresent() != 0; }

namespace {

std::u16string ModuleFileName(HMODULE module) {
  // Paths may be longer than MAX_PATH; grow until the name fits.
  std::u16string path(MAX_PATH, u'\0');
  for (;;) {
    DWORD size = static_cast<DWORD>(path.size());
    DWORD written = GetModuleFileNameW(module, Windows::Wide(path.data()), size);
    if (written == 0) return {};
    if (written < size) {
      path.resize(written);
      return path;
    }
    if (size >= 32768) return {};
    path.resize(size * 2);
  }
}

}  // namespace

ModuleInfo ModuleOfAddress(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module))
    return {};
  std::u16string path = ModuleFileName(module);
  std::size_t folderEnd = path.find_last_of(u"\\/");
  ModuleInfo info;
  info.FileName = folderEnd == std::u16string::npos ? path : path.substr(folderEnd + 1);
  info.Base = reinterpret_cast<std::uintptr_t>(module);
  return info;
}

void EndProcess(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }

}  // namespace Platform
