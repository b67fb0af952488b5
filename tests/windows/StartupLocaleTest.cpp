// The locale a process starts with, as Wine derives it from LANG: CTest runs
// this program once per LANG of the table below.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "Toolz/Toolz.h"
#include "platform/Platform.h"

namespace {

struct LocaleCase {
  const char* Lang;
  unsigned Locale;
  char16_t Thousands;
  char16_t Decimal;
};

// U+00A0 NO-BREAK SPACE is Wine's digit-group separator for Swedish.
constexpr LocaleCase Cases[] = {
    {"en_US.UTF-8", 0x0409, u',', u'.'},   {"sv_SE.UTF-8", 0x041D, u'\u00a0', u','},
    {"sv_FI.UTF-8", 0x081D, u'\u00a0', u','}, {"de_DE.UTF-8", 0x0407, u'.', u','},
    {"de_CH.UTF-8", 0x0807, u'\u2019', u'.'},
};

TEST(StartupLocale, LocaleIdSeparatorsAndLanguageFollowLang) {
  const char* lang = std::getenv("LANG");
  ASSERT_NE(lang, nullptr) << "run with LANG set to one of the table's locales";
  const LocaleCase* found = nullptr;
  for (const LocaleCase& c : Cases)
    if (std::string(lang) == c.Lang) found = &c;
  ASSERT_NE(found, nullptr) << "no expectation for LANG=" << lang;

  EXPECT_EQ(Platform::ThreadLocaleId(), found->Locale);
  Toolz::LoadStartupLocaleId();
  Toolz::LoadFormatSettings();
  EXPECT_EQ(Toolz::StartupLocaleId, found->Locale);
  EXPECT_EQ(static_cast<unsigned>(Toolz::FormatSettings.ThousandsMark),
            static_cast<unsigned>(found->Thousands));
  EXPECT_EQ(static_cast<unsigned>(Toolz::FormatSettings.DecimalMark),
            static_cast<unsigned>(found->Decimal));
  // gtest's own arguments are no language switches.
  EXPECT_EQ(Toolz::IsSwedish(), found->Locale == 0x041D ? 1 : 0);
}

}  // namespace
