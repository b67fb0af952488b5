// The helper module and the platform layer on the real Win32 calls.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <stdexcept>
#include <string>

#include "Toolz/Toolz.h"
#include "platform/Platform.h"
#include "platform/windows/Win32.h"

namespace {

using Toolz::Text;

std::string Hex(const Text& text) {
  std::string out;
  for (char16_t unit : text) {
    char hex[6];
    std::snprintf(hex, sizeof(hex), "%04x ", static_cast<unsigned>(unit));
    out += hex;
  }
  return out;
}

// --- UpperText through CharUpperBuffW -----------------------------------

struct UpperCase {
  const char* Name;
  Text In;
  Text Out;
};

void PrintTo(const UpperCase& c, std::ostream* out) { *out << c.Name; }

class UpperTextOnCharUpperBuffW : public testing::TestWithParam<UpperCase> {};

TEST_P(UpperTextOnCharUpperBuffW, UpperCasesEachCodeUnitInPlace) {
  EXPECT_EQ(Hex(Toolz::UpperText(GetParam().In)), Hex(GetParam().Out));
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Texts, UpperTextOnCharUpperBuffW,
    testing::Values(UpperCase{"Switch", u"/swedish", u"/SWEDISH"},
                    UpperCase{"AsciiMixed", u"MiXeD 123 -_/", u"MIXED 123 -_/"},
                    UpperCase{"SwedishLetters", u"\u00e4\u00f6\u00e5", u"\u00c4\u00d6\u00c5"},
                    UpperCase{"LeavesLatin1", u"\u00ff", u"\u0178"},  // ÿ to Ÿ
                    UpperCase{"GreekAndCyrillic", u"\u03b1\u03c9\u0451", u"\u0391\u03a9\u0401"},
                    // No upper case of one unit: ß and the ligature ﬀ stay.
                    UpperCase{"NoOneUnitUpperCase", u"stra\u00dfe \ufb00", u"STRA\u00dfE \ufb00"},
                    // The whole length, past an embedded NUL.
                    UpperCase{"PastEmbeddedNul", u"a\0b"s, u"A\0B"s},
                    UpperCase{"Empty", u"", u""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(UpperTextOnCharUpperBuffW, KeepsTheLengthOfASurrogatePair) {
  Text deseret = u"x\U00010428y";  // a small letter outside the BMP
  Text upper = Toolz::UpperText(deseret);
  ASSERT_EQ(upper.size(), deseret.size());
  EXPECT_EQ(upper.front(), u'X');
  EXPECT_EQ(upper.back(), u'Y');
}

TEST(TextEqualsOnCharUpperBuffW, IgnoresCaseBeyondAscii) {
  EXPECT_EQ(Toolz::TextEquals(u"/swedish", u"/SWEDISH", 0), 1);
  EXPECT_EQ(Toolz::TextEquals(u"\u00e5r", u"\u00c5R", 0), 1);
  EXPECT_EQ(Toolz::TextEquals(u"\u00e5r", u"\u00c5R", 1), 0);
  EXPECT_EQ(Toolz::TextEquals(u"/SWEDISH", u"/SWEDISH ", 0), 0);
}

// --- The locale through GetThreadLocale and GetLocaleInfoW --------------

// Sets the calling thread's locale for one test and restores it.
class ThreadLocale : public testing::Test {
 protected:
  void TearDown() override {
    SetThreadLocale(saved_);
    Toolz::FormatSettings = Toolz::FormatSettingsRecord{};
    Toolz::StartupLocaleId = 0x0409;
  }
  LCID saved_ = GetThreadLocale();
};

struct SeparatorCase {
  LCID Locale;
  char16_t Thousands;
  char16_t Decimal;
};

void PrintTo(const SeparatorCase& c, std::ostream* out) { *out << std::hex << c.Locale; }

class SeparatorsOfLocale : public ThreadLocale,
                           public testing::WithParamInterface<SeparatorCase> {};

TEST_P(SeparatorsOfLocale, LoadFormatSettingsReadsTheThreadLocale) {
  const SeparatorCase& c = GetParam();
  ASSERT_TRUE(SetThreadLocale(c.Locale));
  Toolz::LoadStartupLocaleId();
  Toolz::LoadFormatSettings();
  EXPECT_EQ(Toolz::StartupLocaleId, c.Locale);
  EXPECT_EQ(static_cast<unsigned>(Toolz::FormatSettings.ThousandsMark),
            static_cast<unsigned>(c.Thousands));
  EXPECT_EQ(static_cast<unsigned>(Toolz::FormatSettings.DecimalMark),
            static_cast<unsigned>(c.Decimal));
}

INSTANTIATE_TEST_SUITE_P(Locales, SeparatorsOfLocale,
                         testing::Values(SeparatorCase{0x0409, u',', u'.'},
                                         SeparatorCase{0x041D, u'\u00a0', u','},
                                         SeparatorCase{0x0407, u'.', u','},
                                         SeparatorCase{0x0807, u'\u2019', u'.'}),
                         [](const auto& info) {
                           char name[16];
                           std::snprintf(name, sizeof(name), "Locale%04lx", info.param.Locale);
                           return std::string(name);
                         });

TEST_F(ThreadLocale, NumbersFollowTheSwedishSeparators) {
  ASSERT_TRUE(SetThreadLocale(0x041D));
  Toolz::LoadFormatSettings();
  EXPECT_EQ(Toolz::GroupedIntText(1920), u"1\u00a0" u"920");
  EXPECT_EQ(Toolz::TwoDecimalText(Toolz::Extended(1920) / Toolz::Extended(1080)), u"1,78");
}

TEST(LocaleInfoText, FailsWhenTheSettingAndItsNulDoNotFit) {
  char16_t buffer[2] = {u'x', u'x'};
  // The long date pattern never fits in two units.
  EXPECT_EQ(Platform::LocaleInfoText(0x0409, 0x20 /* LOCALE_SLONGDATE */, buffer, 2), 0);
  EXPECT_EQ(Platform::LocaleInfoText(0x0409, Platform::LocaleDecimalSeparator, buffer, 2), 2);
  EXPECT_EQ(buffer[0], u'.');
  EXPECT_EQ(buffer[1], u'\0');
}

// --- The command line ---------------------------------------------------

TEST(ProcessCommandLine, IsTheWholeLineUnsplit) {
  Platform::CommandLine first = Platform::ProcessCommandLine();
  Platform::CommandLine second = Platform::ProcessCommandLine();
  EXPECT_TRUE(first.IsOneText);
  EXPECT_TRUE(first.Arguments.empty());
  EXPECT_EQ(first.OneText, reinterpret_cast<const char16_t*>(GetCommandLineW()));
  EXPECT_EQ(first.OneText, second.OneText);
}

// --- Modules ------------------------------------------------------------

std::u16string Lower(std::u16string text) {
  for (char16_t& unit : text)
    if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit + 32);
  return text;
}

TEST(ModuleOfAddress, NamesTheProgramForItsOwnCode) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::u16string name = reinterpret_cast<const char16_t*>(path);
  name = name.substr(name.find_last_of(u"\\/") + 1);

  Platform::ModuleInfo info =
      Platform::ModuleOfAddress(reinterpret_cast<const void*>(&Platform::ModuleOfAddress));
  EXPECT_EQ(info.FileName, name);
  EXPECT_EQ(info.Base, reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)));
}

TEST(ModuleOfAddress, NamesASystemLibraryForItsCode) {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  ASSERT_NE(kernel, nullptr);
  const void* code = reinterpret_cast<const void*>(GetProcAddress(kernel, "GetTickCount"));
  Platform::ModuleInfo info = Platform::ModuleOfAddress(code);
  EXPECT_EQ(Lower(info.FileName), u"kernel32.dll");
  EXPECT_EQ(info.Base, reinterpret_cast<std::uintptr_t>(kernel));
}

TEST(ModuleOfAddress, GivesNothingForAnAddressOutsideEveryModule) {
  Platform::ModuleInfo info = Platform::ModuleOfAddress(reinterpret_cast<const void*>(0x10));
  EXPECT_TRUE(info.FileName.empty());
  EXPECT_EQ(info.Base, 0u);
}

// --- Trap guard ---------------------------------------------------------

volatile std::uintptr_t WildAddress = 0x10;
volatile int Zero = 0;
volatile int Sink = 0;

void WriteWild(void*) { *reinterpret_cast<volatile int*>(WildAddress) = 1; }
void DivideByZero(void*) { Sink = 7 / Zero; }
void Count(void* counter) { ++*static_cast<int*>(counter); }
void Throw(void*) { throw std::runtime_error("passes through"); }

TEST(RunTrapGuarded, CompletedBodyGivesTrue) {
  int counter = 0;
  EXPECT_TRUE(Platform::RunTrapGuarded(&Count, &counter));
  EXPECT_EQ(counter, 1);
}

TEST(RunTrapGuarded, AccessViolationGivesFalse) {
  EXPECT_FALSE(Platform::RunTrapGuarded(&WriteWild, nullptr));
}

TEST(RunTrapGuarded, IntegerDivisionByZeroGivesFalse) {
  EXPECT_FALSE(Platform::RunTrapGuarded(&DivideByZero, nullptr));
}

TEST(RunTrapGuarded, CppExceptionPassesThrough) {
  EXPECT_THROW(Platform::RunTrapGuarded(&Throw, nullptr), std::runtime_error);
  // The guard left by the exception no longer catches anything: a trap in a
  // fresh guard still lands in that guard.
  EXPECT_FALSE(Platform::RunTrapGuarded(&WriteWild, nullptr));
}

void GuardedTrapInside(void* result) {
  *static_cast<bool*>(result) = Platform::RunTrapGuarded(&WriteWild, nullptr);
}

TEST(RunTrapGuarded, InnerGuardCatchesAndOuterCompletes) {
  bool inner = true;
  EXPECT_TRUE(Platform::RunTrapGuarded(&GuardedTrapInside, &inner));
  EXPECT_FALSE(inner);
}

TEST(RunTrapGuarded, RecoversEveryTimeWithoutLosingTheStack) {
  // Each recovery must leave the stack where the guard found it; a leak of
  // even a page a time would overflow well before the end.
  for (int i = 0; i < 2000; ++i) ASSERT_FALSE(Platform::RunTrapGuarded(&WriteWild, nullptr)) << i;
  int counter = 0;
  EXPECT_TRUE(Platform::RunTrapGuarded(&Count, &counter));
  EXPECT_EQ(counter, 1);
}

}  // namespace
