// The language decision as a real process makes it: a child started through
// CreateProcessW with an exact command line, split from the child's own
// GetCommandLineW, with its thread locale set to the case's locale id.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/windows/ChildProcess.h"

namespace {

using WindowsTests::RunChild;

struct ChildReport {
  unsigned Locale = 0;
  unsigned Thousands = 0;
  unsigned Decimal = 0;
  int Swedish = -1;
  std::vector<std::u16string> Arguments;  // argument 0 included
};

ChildReport Parse(const std::string& output) {
  ChildReport report;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream fields(line);
    std::string name;
    fields >> name;
    if (name == "locale") fields >> std::hex >> report.Locale;
    if (name == "thousands") fields >> std::hex >> report.Thousands;
    if (name == "decimal") fields >> std::hex >> report.Decimal;
    if (name == "swedish") fields >> report.Swedish;
    if (name == "argument") {
      std::u16string argument;
      unsigned unit = 0;
      while (fields >> std::hex >> unit) argument.push_back(static_cast<char16_t>(unit));
      report.Arguments.push_back(argument);
    }
  }
  return report;
}

ChildReport RunCommandLineChild(const std::u16string& commandLine, unsigned locale) {
  wchar_t variable[64];
  std::swprintf(variable, 64, L"VELKOR_TEST_THREAD_LOCALE=%x", locale);
  WindowsTests::ChildResult child = RunChild(L"CommandLineChild.exe", commandLine, {variable});
  EXPECT_TRUE(child.Started) << "CommandLineChild.exe did not start";
  EXPECT_EQ(child.ExitCode, 0u);
  return Parse(child.Output);
}

std::string Printable(const std::u16string& text) {
  std::string out;
  for (char16_t unit : text) {
    if (unit >= 0x20 && unit < 0x7F) {
      out.push_back(static_cast<char>(unit));
    } else {
      char hex[10];
      std::snprintf(hex, sizeof(hex), "<%04x>", static_cast<unsigned>(unit));
      out += hex;
    }
  }
  return out;
}

constexpr unsigned English = 0x0409;
constexpr unsigned Swedish = 0x041D;
constexpr unsigned SwedishFinland = 0x081D;

struct LanguageCase {
  const char* Name;
  std::u16string CommandLine;
  unsigned Locale;
  bool Swedish;
  std::vector<std::u16string> Arguments;
};

void PrintTo(const LanguageCase& c, std::ostream* out) { *out << c.Name; }

class CommandLineLanguage : public testing::TestWithParam<LanguageCase> {};

TEST_P(CommandLineLanguage, ChildSplitsItsCommandLineAndDecides) {
  const LanguageCase& c = GetParam();
  ChildReport report = RunCommandLineChild(c.CommandLine, c.Locale);
  ASSERT_EQ(report.Locale, c.Locale);
  std::vector<std::string> seen, expected;
  for (const auto& argument : report.Arguments) seen.push_back(Printable(argument));
  for (const auto& argument : c.Arguments) expected.push_back(Printable(argument));
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(report.Swedish, c.Swedish ? 1 : 0);
}

const LanguageCase LanguageCases[] = {
    {"NoSwitchSwedishLocale", u"velkor", Swedish, true, {u"velkor"}},
    {"NoSwitchEnglishLocale", u"velkor", English, false, {u"velkor"}},
    {"NoSwitchSwedishFinland", u"velkor", SwedishFinland, false, {u"velkor"}},
    {"LowerCaseSwitch", u"velkor /swedish", English, true, {u"velkor", u"/swedish"}},
    {"EnglishSwitchOverridesLocale", u"velkor /English", Swedish, false,
     {u"velkor", u"/English"}},
    {"FirstSwitchWinsSwedish", u"velkor /SWEDISH /ENGLISH", English, true,
     {u"velkor", u"/SWEDISH", u"/ENGLISH"}},
    {"FirstSwitchWinsEnglish", u"velkor /ENGLISH /SWEDISH", Swedish, false,
     {u"velkor", u"/ENGLISH", u"/SWEDISH"}},
    {"OtherArgumentsPassedOver", u"velkor x /ENGLISH", Swedish, false,
     {u"velkor", u"x", u"/ENGLISH"}},
    {"OtherLeadingCharacter", u"velkor -SWEDISH", English, false, {u"velkor", u"-SWEDISH"}},
    {"TrailingCharacter", u"velkor /SWEDISHX", Swedish, true, {u"velkor", u"/SWEDISHX"}},
    {"QuotedSwitch", u"velkor \"/SWEDISH\"", English, true, {u"velkor", u"/SWEDISH"}},
    {"BothSwitchesInOneQuote", u"velkor \"/SWEDISH /ENGLISH\"", English, false,
     {u"velkor", u"/SWEDISH /ENGLISH"}},
    {"QuotedTrailingBlank", u"velkor \"/SWEDISH \"", English, false,
     {u"velkor", u"/SWEDISH "}},
    {"QuotedPartJoins", u"velkor /SWE\"DISH\"", English, true, {u"velkor", u"/SWEDISH"}},
    {"EmptyQuotePairYieldsNothing", u"velkor \"\" /SWEDISH", English, true,
     {u"velkor", u"/SWEDISH"}},
    {"OpenQuoteRunsToEnd", u"velkor \"/SWEDISH", English, true, {u"velkor", u"/SWEDISH"}},
    {"TabSeparates", u"velkor\t/SWEDISH", English, true, {u"velkor", u"/SWEDISH"}},
    {"GluedToQuotedProgramName", u"\"C:\\Program Files\\Velkor\\velkor.exe\"/SWEDISH", English,
     false, {u"C:\\Program Files\\Velkor\\velkor.exe/SWEDISH"}},
    {"ControlCharactersSeparate", u"velkor\x01/SWEDISH\x1f", English, true,
     {u"velkor", u"/SWEDISH"}},
    {"NoBreakSpaceBelongsToArgument", u"velkor /SWEDISH\u00a0", English, false,
     {u"velkor", u"/SWEDISH\u00a0"}},
    {"BackslashIsOrdinary", u"velkor C:\\dir\\ \\\"/SWEDISH\"", English, false,
     {u"velkor", u"C:\\dir\\", u"\\/SWEDISH"}},
    {"LoneQuoteAtEndAddsNothing", u"velkor /SWEDISH \"", English, true,
     {u"velkor", u"/SWEDISH"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, CommandLineLanguage, testing::ValuesIn(LanguageCases),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
