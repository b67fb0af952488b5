#include "platform/testing/Double.h"

#include <cstring>

namespace Platform::Double {

namespace {

void Fill(State& s);

State& Storage() {
  static State state;
  static bool filled = false;
  if (!filled) {
    filled = true;
    Fill(state);
  }
  return state;
}

void Log(const char* name) { Storage().Calls.emplace_back(name); }

int WriteSetting(char16_t value, char16_t* buffer, int size) {
  if (size < 2) return 0;
  buffer[0] = value;
  buffer[1] = 0;
  return 2;
}

}  // namespace

State& Current() { return Storage(); }

void Reset() { Fill(Storage()); }

namespace {

void Fill(State& s) {
  s = State{};
  SetScreen(1920, 1080);
  SetArguments({u"velkor"});
  SetLocale(0x0409, u',', u'.');
  s.Hook.ShowMessageBox = [](const ShownBox&) { return 1; };
  s.Hook.UpperCaseBuffer = [](char16_t* buffer, std::uint32_t length) {
    for (std::uint32_t i = 0; i < length; ++i)
      if (buffer[i] >= u'a' && buffer[i] <= u'z') buffer[i] = static_cast<char16_t>(buffer[i] - 32);
  };
  s.Hook.DebuggerClaimsFault = [] { return false; };
}

}  // namespace

void SetScreen(std::int32_t width, std::int32_t height) {
  Hooks& h = Storage().Hook;
  h.DesktopWindow = [] { return WindowHandle{0x10}; };
  h.DesktopContext = [](WindowHandle) { return DeviceContext{0x20}; };
  h.ContextCaps = [width, height](DeviceContext, int index) {
    return index == HorizontalResolution ? width : index == VerticalResolution ? height : 0;
  };
  h.ReleaseContext = [](WindowHandle, DeviceContext) { return 1; };
}

void SetArguments(std::vector<std::u16string> arguments) {
  Storage().Hook.ProcessCommandLine = [arguments] {
    CommandLine line;
    line.Arguments = arguments;
    return line;
  };
}

void SetCommandLineText(std::u16string commandLine) {
  Storage().Hook.ProcessCommandLine = [commandLine] {
    CommandLine line;
    line.IsOneText = true;
    line.OneText = commandLine;
    return line;
  };
}

void SetLocale(std::uint32_t localeId, char16_t thousands, char16_t decimal) {
  Hooks& h = Storage().Hook;
  h.ThreadLocaleId = [localeId] { return localeId; };
  h.LocaleInfoText = [thousands, decimal](std::uint32_t, std::uint32_t type, char16_t* buffer,
                                          int size) {
    if (type == LocaleThousandsSeparator) return WriteSetting(thousands, buffer, size);
    if (type == LocaleDecimalSeparator) return WriteSetting(decimal, buffer, size);
    return 0;
  };
}

}  // namespace Platform::Double

namespace Platform {

using Double::Log;
using Double::Storage;

WindowHandle DesktopWindow() {
  Log("DesktopWindow");
  return Storage().Hook.DesktopWindow();
}

DeviceContext DesktopContext(WindowHandle desktop) {
  Log("DesktopContext");
  return Storage().Hook.DesktopContext(desktop);
}

std::int32_t ContextCaps(DeviceContext context, int index) {
  Log("ContextCaps");
  Storage().CapsContexts.push_back(context);
  Storage().CapsIndexes.push_back(index);
  return Storage().Hook.ContextCaps(context, index);
}

int ReleaseContext(WindowHandle desktop, DeviceContext context) {
  Log("ReleaseContext");
  return Storage().Hook.ReleaseContext(desktop, context);
}

bool RunTrapGuarded(void (*body)(void*), void* context) {
  body(context);
  return true;
}

int ShowMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                   std::uint32_t style) {
  Log("ShowMessageBox");
  Double::ShownBox box{owner, text, caption, style};
  Storage().Boxes.push_back(box);
  return Storage().Hook.ShowMessageBox(box);
}

void UpperCaseBuffer(char16_t* buffer, std::uint32_t length) {
  Log("UpperCaseBuffer");
  Storage().Hook.UpperCaseBuffer(buffer, length);
}

CommandLine ProcessCommandLine() {
  Log("ProcessCommandLine");
  return Storage().Hook.ProcessCommandLine();
}

std::uint32_t ThreadLocaleId() {
  Log("ThreadLocaleId");
  return Storage().Hook.ThreadLocaleId();
}

int LocaleInfoText(std::uint32_t locale, std::uint32_t type, char16_t* buffer, int size) {
  Log("LocaleInfoText");
  return Storage().Hook.LocaleInfoText(locale, type, buffer, size);
}

bool DebuggerClaimsFault() {
  Log("DebuggerClaimsFault");
  return Storage().Hook.DebuggerClaimsFault();
}

ModuleInfo ModuleOfAddress(const void* address) {
  Log("ModuleOfAddress");
  return ModuleInfo{u"velkor", reinterpret_cast<std::uintptr_t>(address) & ~std::uintptr_t{0xFFFF}};
}

void EndProcess(int exitCode) {
  Log("EndProcess");
  throw Double::ProcessEnded{exitCode};
}

}  // namespace Platform
