#pragma once
// The thin operating-system layer. Every call the program makes into the
// system goes through here; each platform implements all of it in its own
// folder, and platform/testing holds a double for unit tests.
//
// The operations are shaped after the Win32 calls the program was designed
// around, so that the Windows layer is a one-to-one mapping and other layers
// stand in for the same contract.

#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

using WindowHandle = std::uintptr_t;   // 0 means "no window"
using DeviceContext = std::uintptr_t;  // 0 is a null context

inline constexpr int HorizontalResolution = 8;  // HORZRES
inline constexpr int VerticalResolution = 10;   // VERTRES

inline constexpr std::uint32_t LocaleThousandsSeparator = 0x0F;  // LOCALE_STHOUSAND
inline constexpr std::uint32_t LocaleDecimalSeparator = 0x0E;    // LOCALE_SDECIMAL

inline constexpr std::uint32_t InformationBoxStyle = 0x40;  // MB_OK | MB_ICONINFORMATION
inline constexpr std::uint32_t ErrorBoxStyle = 0x2010;      // MB_OK | MB_ICONERROR | MB_TASKMODAL

// The desktop (primary display) and a measuring context for it. A failure may
// be reported by throwing; callers that must not fault guard these calls.
WindowHandle DesktopWindow();
DeviceContext DesktopContext(WindowHandle desktop);
std::int32_t ContextCaps(DeviceContext context, int index);
int ReleaseContext(WindowHandle desktop, DeviceContext context);

// Runs body and reports whether it completed. A processor trap (access
// violation and the like) inside body is turned into a false result where the
// platform can do so safely; C++ exceptions pass through unchanged. body must
// not own anything that needs destruction, since a trap skips its unwinding.
bool RunTrapGuarded(void (*body)(void*), void* context);

// A modal box with one OK button; returns once dismissed, 0 when it could
// not be shown. text and caption are NUL-terminated UTF-16, never null.
int ShowMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                   std::uint32_t style);

// Upper-cases length code units in place; the length never changes.
void UpperCaseBuffer(char16_t* buffer, std::uint32_t length);

// The process's command line: either one text that the caller splits, or the
// arguments already split by the system (argument 0 is the program's name).
struct CommandLine {
  bool IsOneText = false;
  std::u16string OneText;
  std::vector<std::u16string> Arguments;
};
CommandLine ProcessCommandLine();

// The calling thread's locale id, 0 when none can be determined.
std::uint32_t ThreadLocaleId();

// Writes the locale's setting of the given type, NUL-terminated, into buffer
// and returns the count of code units written; 0 when it fails, also when the
// setting and its NUL do not fit in size units.
int LocaleInfoText(std::uint32_t locale, std::uint32_t type, char16_t* buffer, int size);

// True when someone else (a debugger) claims an uncaught fault, so the fault
// report must step aside.
bool DebuggerClaimsFault();

// The module (executable or library) holding a code address.
struct ModuleInfo {
  std::u16string FileName;  // without its folder
  std::uintptr_t Base = 0;  // load address
};
ModuleInfo ModuleOfAddress(const void* address);

[[noreturn]] void EndProcess(int exitCode);

}  // namespace Platform
