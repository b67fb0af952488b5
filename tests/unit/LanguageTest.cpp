#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "Toolz/Toolz.h"
#include "platform/testing/Double.h"

namespace {

using Toolz::Text;
namespace Double = Platform::Double;

class Language : public TestSupport::HelperState {
 protected:
  void SetUp() override {
    HelperState::SetUp();
    Double::Reset();
  }
};

TEST(SplitCommandLine, FollowsTheQuotingRules) {
  struct Case {
    const char16_t* line;
    std::vector<Text> arguments;
  } cases[] = {
      {u"velkor", {u"velkor"}},
      {u"", {}},
      {u"   \t ", {}},
      {u"velkor /SWEDISH /ENGLISH", {u"velkor", u"/SWEDISH", u"/ENGLISH"}},
      {u"velkor \"/SWEDISH\"", {u"velkor", u"/SWEDISH"}},
      {u"velkor \"/SWEDISH /ENGLISH\"", {u"velkor", u"/SWEDISH /ENGLISH"}},
      {u"velkor \"/SWEDISH \"", {u"velkor", u"/SWEDISH "}},
      {u"velkor /SWE\"DISH\"", {u"velkor", u"/SWEDISH"}},
      {u"velkor \"\" /SWEDISH", {u"velkor", u"/SWEDISH"}},
      {u"velkor \"\"\"\" x", {u"velkor", u"x"}},
      {u"velkor \"/SWEDISH", {u"velkor", u"/SWEDISH"}},
      {u"velkor \"/SWEDISH /ENGLISH", {u"velkor", u"/SWEDISH /ENGLISH"}},
      {u"velkor\t/SWEDISH", {u"velkor", u"/SWEDISH"}},
      {u"velkor\r\n/SWEDISH\x01x", {u"velkor", u"/SWEDISH", u"x"}},
      {u"\"C:\\Program Files\\velkor.exe\"/SWEDISH", {u"C:\\Program Files\\velkor.exe/SWEDISH"}},
      {u"\"C:\\Program Files\\velkor.exe\" /SWEDISH", {u"C:\\Program Files\\velkor.exe", u"/SWEDISH"}},
      {u"velkor \"", {u"velkor"}},                   // a lone quote at the end adds nothing
      {u"velkor \" ", {u"velkor", u" "}},            // but one before a blank opens an argument
      {u"velkor a\\\"b\\\" c", {u"velkor", u"a\\b\\", u"c"}},  // no escapes
      {u"velkor \u00a0/SWEDISH", {u"velkor", u"\u00a0/SWEDISH"}},  // no-break space is no separator
      {u"velkor a\"\"b", {u"velkor", u"ab"}},
      {u"\"\" velkor", {u"velkor"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Toolz::SplitCommandLine(c.line), c.arguments) << TestSupport::Utf8(c.line);
  }
}

TEST_F(Language, SwitchOrLocaleDecides) {
  // Each row: the whole command line, the start-up locale id, the expected answer.
  struct Case {
    const char16_t* line;
    std::uint32_t locale;
    Toolz::Flag swedish;
  } cases[] = {
      {u"velkor", 0x041D, 1},
      {u"velkor", 0x0409, 0},
      {u"velkor", 0x081D, 0},
      {u"velkor", 0x1041D, 0},  // all 32 bits are compared
      {u"velkor /swedish", 0x0409, 1},
      {u"velkor /English", 0x041D, 0},
      {u"velkor /SWEDISH /ENGLISH", 0x0409, 1},
      {u"velkor /ENGLISH /SWEDISH", 0x041D, 0},
      {u"velkor x /ENGLISH", 0x041D, 0},
      {u"velkor -SWEDISH", 0x0409, 0},
      {u"velkor /SWEDISHX", 0x041D, 1},
      {u"velkor \"/SWEDISH\"", 0x0409, 1},
      {u"velkor \"/SWEDISH /ENGLISH\"", 0x0409, 0},
      {u"velkor \"/SWEDISH \"", 0x0409, 0},
      {u"velkor /SWE\"DISH\"", 0x0409, 1},
      {u"velkor \"\" /SWEDISH", 0x0409, 1},
      {u"velkor \"/SWEDISH", 0x0409, 1},
      {u"velkor\t/SWEDISH", 0x0409, 1},
      {u"\"velkor\"/SWEDISH", 0x0409, 0},
      {u"/SWEDISH", 0x0409, 0},  // argument 0 is the program's name, never a switch
  };
  for (const Case& c : cases) {
    Double::SetCommandLineText(c.line);
    Toolz::StartupLocaleId = c.locale;
    EXPECT_EQ(Toolz::IsSwedish(), c.swedish) << TestSupport::Utf8(c.line) << " " << c.locale;
  }
}

TEST_F(Language, SplitArgumentsAreUsedUnchanged) {
  Toolz::StartupLocaleId = 0x0409;
  Double::SetArguments({u"/SWEDISH"});
  EXPECT_EQ(Toolz::IsSwedish(), 0);
  Double::SetArguments({u"velkor", u"", u"\uFFFD/SWEDISH", u"/swedish"});
  EXPECT_EQ(Toolz::IsSwedish(), 1);
  // An argument with a quote or a blank in it is taken as it is, not re-split.
  Double::SetArguments({u"velkor", u"\"/SWEDISH\"", u"/SWEDISH /ENGLISH"});
  EXPECT_EQ(Toolz::IsSwedish(), 0);
}

TEST_F(Language, ReadsTheCommandLineAnewOnEveryCall) {
  Double::SetArguments({u"velkor", u"/SWEDISH"});
  EXPECT_EQ(Toolz::IsSwedish(), 1);
  EXPECT_EQ(Toolz::IsSwedish(), 1);
  EXPECT_EQ(std::count(Double::Current().Calls.begin(), Double::Current().Calls.end(),
                       std::string("ProcessCommandLine")),
            2);
}

TEST_F(Language, StartupLocaleIdReplacesOnlyZero) {
  struct Case {
    std::uint32_t reported, taken;
  } cases[] = {{0x041D, 0x041D}, {0x081D, 0x081D}, {0x0407, 0x0407}, {0, 0x0409}, {0x12345678, 0x12345678}};
  for (const Case& c : cases) {
    Double::SetLocale(c.reported, u',', u'.');
    Toolz::StartupLocaleId = 0xDEAD;
    Toolz::LoadStartupLocaleId();
    EXPECT_EQ(Toolz::StartupLocaleId, c.taken);
  }
  Double::SetArguments({u"velkor"});
  Double::SetLocale(0, u',', u'.');
  Toolz::LoadStartupLocaleId();
  EXPECT_EQ(Toolz::IsSwedish(), 0);
}

TEST_F(Language, LoadFormatSettingsTakesOneCodeUnitOrTheDefault) {
  struct Case {
    int result;             // what the platform call returns
    char16_t written;       // the first code unit it writes
    char16_t expected;
  } cases[] = {
      {2, u'.', u'.'}, {2, u'\u202f', u'\u202f'}, {1, u'\0', u'\0'},  // an empty setting is NUL
      {0, u'x', 0},                                                   // failure: the default
      {-1, u'x', 0},
  };
  for (const Case& c : cases) {
    std::vector<std::uint32_t> locales, types;
    std::vector<int> sizes;
    Double::Current().Hook.ThreadLocaleId = [] { return 0u; };
    Double::Current().Hook.LocaleInfoText = [&](std::uint32_t locale, std::uint32_t type,
                                                char16_t* buffer, int size) {
      locales.push_back(locale);
      types.push_back(type);
      sizes.push_back(size);
      buffer[0] = c.written;
      return c.result;
    };
    Toolz::LoadFormatSettings();
    const char16_t thousands = c.expected == 0 && c.result <= 0 ? u',' : c.expected;
    const char16_t decimal = c.expected == 0 && c.result <= 0 ? u'.' : c.expected;
    EXPECT_EQ(Toolz::FormatSettings.ThousandsMark, thousands);
    EXPECT_EQ(Toolz::FormatSettings.DecimalMark, decimal);
    // The thread's locale id goes in unchanged (0 is not replaced here), thousands first.
    EXPECT_EQ(locales, (std::vector<std::uint32_t>{0, 0}));
    EXPECT_EQ(types, (std::vector<std::uint32_t>{0x0F, 0x0E}));
    EXPECT_EQ(sizes, (std::vector<int>{2, 2}));
  }
}

}  // namespace
