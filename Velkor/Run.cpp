#include <new>

#include "Velkor/Velkor.h"
#include "platform/Platform.h"

namespace Velkor {

namespace {

constexpr char16_t FaultCaption[] = u"Application Error";

struct FaultDetails {
  const char* Kind;
  const char* Message;
  const void* Address;
};

void AppendAscii(Text& text, const char* s) {
  while (*s != '\0') text += static_cast<char16_t>(static_cast<unsigned char>(*s++));
}

[[gnu::noinline]] const void* CallerAddress() { return __builtin_return_address(0); }

void Run() {
  StartUp();
  const std::int32_t width = Toolz::ScreenWidth();
  const std::int32_t height = Toolz::ScreenHeight();
  Ratio = DisplayRatio(width, height);
  ScanRepresentations(Ratio);
  const Text message = BuildReportText(width, height, Ratio, RepresentationList, Toolz::IsSwedish());
  const Text title = ReportTitle(Toolz::IsSwedish());
  Toolz::ShowInformation(0, message, title);
}

void ShowFaultReport(const FaultDetails& fault) {
  try {
    const Platform::ModuleInfo module = Platform::ModuleOfAddress(fault.Address);
    const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(fault.Address) - module.Base;
    const Text report = FaultReportText(fault.Kind, module.FileName, offset, fault.Message);
    Platform::ShowMessageBox(0, report.c_str(), FaultCaption, Platform::ErrorBoxStyle);
  } catch (const std::bad_alloc&) {
    // Memory too short even for the report: say what we can without allocating.
    try {
      Platform::ShowMessageBox(0, u"Out of memory.\r\n", FaultCaption, Platform::ErrorBoxStyle);
    } catch (const std::bad_alloc&) {
      // The box itself needs memory; the exit code is all that is left to tell.
    }
  }
}

// The query reads from the system and can run out of memory itself; a
// debugger that cannot be asked about is taken to be absent.
bool DebuggerClaims() {
  try {
    return Platform::DebuggerClaimsFault();
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Returns the exit code. The report is shown only after the run has unwound,
// so everything the run held is released first.
int GuardedRun() {
  FaultDetails fault{};
  try {
    Run();
    return 0;
  } catch (const Toolz::Fault& f) {
    if (DebuggerClaims()) throw;
    fault = {f.Kind(), f.what(), f.Address()};
  } catch (const std::bad_alloc&) {
    if (DebuggerClaims()) throw;
    const Toolz::OutOfMemoryFault exhausted(CallerAddress());
    fault = {exhausted.Kind(), exhausted.what(), exhausted.Address()};
  } catch (...) {
    // Nothing in the run raises anything else; report it rather than crash.
    if (DebuggerClaims()) throw;
    fault = {"Fault", "", CallerAddress()};
  }
  ShowFaultReport(fault);
  return 1;
}

}  // namespace

Text FaultReportText(const char* kind, const Text& module, std::uintptr_t offset,
                     const char* message) {
  static constexpr char16_t Hex[] = u"0123456789ABCDEF";
  Text text = u"Exception ";
  AppendAscii(text, kind);
  text += u" in module ";
  text += module;
  text += u" at ";
  int digits = 8;
  while (digits < 16 && (offset >> (4 * digits)) != 0) ++digits;
  for (int i = digits - 1; i >= 0; --i) text += Hex[(offset >> (4 * i)) & 0xF];
  text += u".\r\n";
  const std::size_t before = text.size();
  AppendAscii(text, message);
  if (text.size() != before && text.back() != u'.') text += u'.';
  text += u"\r\n";
  return text;
}

void StartUp() {
  Toolz::LoadStartupLocaleId();
  Toolz::LoadFormatSettings();
}

void RunReport() {
  const int exitCode = GuardedRun();
  // Assigning an empty text may keep the old characters; a swap frees them.
  Text().swap(RepresentationList);
  Platform::EndProcess(exitCode);
}

}  // namespace Velkor
