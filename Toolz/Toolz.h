#pragma once
// The helper module: texts, number texts under the locale's separators, the
// language decision and the display routines the program is written on.

#include <cstdint>
#include <string>
#include <vector>

#include "Toolz/Extended.h"
#include "Toolz/Fault.h"

namespace Toolz {

// UTF-16 text; lengths are counted in code units.
using Text = std::u16string;

// A truth value: 1 is true, and any other value counts as false. Results are
// always exactly 1 or 0.
using Flag = std::uint8_t;

// --- Texts ---------------------------------------------------------------
Text ChooseText(Flag flag, Text whenTrue, Text whenFalse);
Text AppendItem(Text list, Text item, Text separator);
Text UpperText(Text text);
Flag TextEquals(Text first, Text second, Flag caseSensitive);

// --- Numbers -------------------------------------------------------------
struct FormatSettingsRecord {
  char16_t DecimalMark = u'.';
  char16_t ThousandsMark = u',';
};
// Filled once at start-up by LoadFormatSettings; only read afterwards.
extern FormatSettingsRecord FormatSettings;
void LoadFormatSettings();

// A number as 0.d1d2...dn x 10^Exponent; no digits means zero.
struct DecimalForm {
  char Digits[18] = {};  // '0'..'9'; neither the first nor the last is '0'
  int Count = 0;
  int Exponent = 0;
  bool Negative = false;
};
// At most `precision` significant digits and `decimals` places after the
// point: rounded to 18 digits (ties to even), then half up at that place.
DecimalForm DecimalDigits(Extended value, int precision, int decimals);

Flag IsWholeNumber(Extended value);
Text IntText(std::int32_t value);
Text GroupedIntText(std::int64_t value);  // "#,###;#,###;0": no sign, grouped
Text TwoDecimalText(Extended value);      // "0.00"
Text FloatText(Extended value);           // general form, 15 significant digits

// --- Language ------------------------------------------------------------
// The user's locale id as taken at start-up; 0x0409 until then, and when the
// platform reports none.
extern std::uint32_t StartupLocaleId;
void LoadStartupLocaleId();
// Splits a whole command line into its arguments, argument 0 included.
std::vector<Text> SplitCommandLine(const Text& commandLine);
// The first /SWEDISH or /ENGLISH argument decides; otherwise the locale.
Flag IsSwedish();

// --- Display -------------------------------------------------------------
// The desktop's resolution in pixels; 0 when the query faults first.
std::int32_t ScreenWidth();
std::int32_t ScreenHeight();
// A modal information box; returns once the user has dismissed it.
void ShowInformation(std::uintptr_t owner, Text text, Text title);

}  // namespace Toolz
