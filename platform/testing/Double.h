#pragma once
// A stand-in for the platform layer in unit tests: every operation is a hook
// that a test may replace to inject a fault or an odd answer, and every call
// is logged by name so tests can check the order of calls.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace Platform::Double {

// Thrown by EndProcess, so a test can watch a run end without the process ending.
struct ProcessEnded {
  int ExitCode;
};

struct ShownBox {
  WindowHandle Owner;
  std::u16string Text;
  std::u16string Caption;
  std::uint32_t Style;
};

struct Hooks {
  std::function<WindowHandle()> DesktopWindow;
  std::function<DeviceContext(WindowHandle)> DesktopContext;
  std::function<std::int32_t(DeviceContext, int)> ContextCaps;
  std::function<int(WindowHandle, DeviceContext)> ReleaseContext;
  std::function<int(const ShownBox&)> ShowMessageBox;
  std::function<void(char16_t*, std::uint32_t)> UpperCaseBuffer;
  std::function<CommandLine()> ProcessCommandLine;
  std::function<std::uint32_t()> ThreadLocaleId;
  std::function<int(std::uint32_t, std::uint32_t, char16_t*, int)> LocaleInfoText;
  std::function<bool()> DebuggerClaimsFault;
};

struct State {
  Hooks Hook;
  std::vector<std::string> Calls;  // operation names, in call order
  std::vector<ShownBox> Boxes;     // every box shown
  std::vector<DeviceContext> CapsContexts;
  std::vector<int> CapsIndexes;
};

// The double's state; Reset() restores the defaults: a 1920 x 1080 desktop,
// an English (0x0409) locale with '.' and ',', a command line "velkor",
// ASCII upper-casing, no debugger, and boxes that return IDOK at once.
State& Current();
void Reset();

// Helpers for common set-ups.
void SetScreen(std::int32_t width, std::int32_t height);
void SetArguments(std::vector<std::u16string> arguments);  // argument 0 included
void SetCommandLineText(std::u16string commandLine);
void SetLocale(std::uint32_t localeId, char16_t thousands, char16_t decimal);

}  // namespace Platform::Double
