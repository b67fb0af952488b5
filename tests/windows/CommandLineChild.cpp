// Started by CommandLineTest with a chosen command line: reports what the
// helper module makes of it and of the locale, taken the way the program's
// own start-up takes them, one "name value" line each. Texts are written as
// hex code units so nothing is lost on the way back.
//
// Wine derives a process's locale from the Unix environment, which a
// Windows parent cannot set for its child; VELKOR_TEST_THREAD_LOCALE (hex)
// stands in for the user's locale by setting the thread locale first.

#include <cstdio>
#include <cstdlib>

#include "Toolz/Toolz.h"
#include "platform/Platform.h"
#include "platform/windows/Win32.h"

namespace {

void PrintUnits(const char* name, const Toolz::Text& text) {
  std::printf("%s", name);
  for (char16_t unit : text) std::printf(" %04x", static_cast<unsigned>(unit));
  std::printf("\n");
}

}  // namespace

int main() {
  if (const char* locale = std::getenv("VELKOR_TEST_THREAD_LOCALE"))
    SetThreadLocale(static_cast<LCID>(std::strtoul(locale, nullptr, 16)));
  Toolz::LoadStartupLocaleId();
  Toolz::LoadFormatSettings();
  std::printf("locale %08x\n", static_cast<unsigned>(Toolz::StartupLocaleId));
  std::printf("thousands %04x\n", static_cast<unsigned>(Toolz::FormatSettings.ThousandsMark));
  std::printf("decimal %04x\n", static_cast<unsigned>(Toolz::FormatSettings.DecimalMark));
  std::printf("swedish %d\n", Toolz::IsSwedish());
  Platform::CommandLine line = Platform::ProcessCommandLine();
  for (const Toolz::Text& argument : Toolz::SplitCommandLine(line.OneText))
    PrintUnits("argument", argument);
  return 0;
}
