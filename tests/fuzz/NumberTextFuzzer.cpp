// The four number texts on arbitrary values of the program's range and
// arbitrary separators, NUL included.
//
// Input: the decimal and thousands marks (two UTF-16 code units), a 64-bit
// integer for GroupedIntText, a 32-bit integer for IntText, then an Extended
// of magnitude 2^-31 to 2^37 (sign and exponent byte, significand), and a
// quotient of two 32-bit integers.

#include <cmath>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "Toolz/Toolz.h"

namespace {

using Toolz::Extended;
using Toolz::Text;

Text Ascii(const std::string& s) { return Text(s.begin(), s.end()); }

std::string Describe(const Extended& x) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%s0x%04X:0x%016llX (%.21Lg)", x.Negative() ? "-" : "+",
                x.BiasedExponent(), static_cast<unsigned long long>(x.Significand()),
                Fuzz::ValueOf(x));
  return buffer;
}

void UseMarks(char16_t decimal, char16_t thousands) {
  Toolz::FormatSettings.DecimalMark = decimal;
  Toolz::FormatSettings.ThousandsMark = thousands;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The text made under '.' and ',' with each mark replaced: the marks stand
// exactly where the reference marks stand, and nothing else moves.
Text WithMarks(const Text& reference, char16_t decimal, char16_t thousands) {
  Text out;
  for (char16_t c : reference) {
    if (c == u'.') out += decimal;
    else if (c == u',') {
      if (thousands != u'\0') out += thousands;
    } else {
      out += c;
    }
  }
  return out;
}

// The text under '.' and ',', after checking that under the given marks it
// is the same text with only the marks changed.
Text ReferenceText(Text (*format)(Extended), const Extended& x, char16_t decimal,
                   char16_t thousands, std::string& shown) {
  UseMarks(u'.', u',');
  const Text reference = format(x);
  shown = Describe(x) + " -> [" + Fuzz::Printable(reference) + "]";
  UseMarks(decimal, thousands);
  FUZZ_CHECK(format(x) == WithMarks(reference, decimal, thousands), shown);
  return reference;
}

void CheckGrouped(std::int64_t v, char16_t decimal, char16_t thousands) {
  UseMarks(decimal, thousands);
  const Text text = Toolz::GroupedIntText(v);
  const std::uint64_t magnitude =
      v < 0 ? ~static_cast<std::uint64_t>(v) + 1 : static_cast<std::uint64_t>(v);
  const std::string shown = std::to_string(v) + " -> [" + Fuzz::Printable(text) + "]";
  if (magnitude >= 1000000000000000000ULL) {
    FUZZ_CHECK(text == Toolz::FloatText(Extended(v)), shown);
    return;
  }
  const std::string digits = std::to_string(magnitude);
  Text expected;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    expected += static_cast<char16_t>(digits[i]);
    const std::size_t place = digits.size() - i;
    if (place > 1 && place % 3 == 1 && thousands != u'\0') expected += thousands;
  }
  FUZZ_CHECK(text == expected, shown);
}

void CheckIntText(std::int32_t v, char16_t decimal, char16_t thousands) {
  UseMarks(decimal, thousands);
  FUZZ_CHECK(Toolz::IntText(v) == Ascii(std::to_string(v)), std::to_string(v));
}

// "0.00": a sign only on what does not round to zero, the integer digits
// without leading zeros, exactly two decimals, nearest to the value but for
// the working digits' own rounding.
void CheckTwoDecimals(const Extended& x, char16_t decimal, char16_t thousands) {
  std::string shown;
  const Text reference = ReferenceText(Toolz::TwoDecimalText, x, decimal, thousands, shown);

  std::size_t i = 0;
  const bool negative = !reference.empty() && reference[0] == u'-';
  if (negative) ++i;
  const std::size_t point = reference.find(u'.');
  FUZZ_CHECK(point != Text::npos && point > i && point + 3 == reference.size(), shown);
  FUZZ_CHECK(point == i + 1 || reference[i] != u'0', shown);
  std::uint64_t hundredths = 0;
  for (std::size_t k = i; k < reference.size(); ++k) {
    if (k == point) continue;
    FUZZ_CHECK(IsDigit(reference[k]), shown);
    hundredths = hundredths * 10 + static_cast<std::uint64_t>(reference[k] - u'0');
  }
  FUZZ_CHECK(negative == (x.Negative() && hundredths != 0), shown);
  // The 18 working digits are rounded first, by up to half a unit of the
  // 18th digit, and the two decimals are rounded half up from those.
  const long double scaled = std::fabs(Fuzz::ValueOf(x)) * 100.0L;
  const long double working = 6e-18L * scaled;
  FUZZ_CHECK(std::fabs(scaled - static_cast<long double>(hundredths)) <= 0.5L + working, shown);
}

// The general form with at most 15 significant digits, in the notation its
// decimal exponent asks for, within half a unit of the last digit.
void CheckFloat(const Extended& x, char16_t decimal, char16_t thousands) {
  std::string shown;
  const Text reference = ReferenceText(Toolz::FloatText, x, decimal, thousands, shown);

  const long double value = Fuzz::ValueOf(x);
  if (value == 0) {
    FUZZ_CHECK(reference == u"0", shown);
    return;
  }
  std::size_t i = 0;
  const bool negative = reference[0] == u'-';
  FUZZ_CHECK(negative == x.Negative(), shown);
  if (negative) ++i;
  const std::size_t e = reference.find(u'E');
  const Text mantissa = reference.substr(i, e == Text::npos ? Text::npos : e - i);
  const std::size_t point = mantissa.find(u'.');
  std::string digits;  // all mantissa digits, in order
  int pointAfter = static_cast<int>(point == Text::npos ? mantissa.size() : point);
  for (std::size_t k = 0; k < mantissa.size(); ++k) {
    if (k == point) continue;
    FUZZ_CHECK(IsDigit(mantissa[k]), shown);
    digits += static_cast<char>(mantissa[k]);
  }
  FUZZ_CHECK(!digits.empty() && point != 0 && point + 1 != mantissa.size(), shown);
  if (point != Text::npos) FUZZ_CHECK(mantissa.back() != u'0', shown);
  int exponent = 0;
  if (e != Text::npos) {
    const Text power = reference.substr(e + 1);
    const bool below = !power.empty() && power[0] == u'-';
    const Text count = power.substr(below ? 1 : 0);
    FUZZ_CHECK(!count.empty() && count.size() <= 5 && (count[0] != u'0' || count.size() == 1), shown);
    for (char16_t c : count) {
      FUZZ_CHECK(IsDigit(c), shown);
      exponent = exponent * 10 + (c - u'0');
    }
    if (below) exponent = -exponent;
    FUZZ_CHECK(pointAfter == 1, shown);
  }
  // As 0.d1...dn x 10^E, leading zeros gone.
  const std::size_t first = digits.find_first_not_of('0');
  FUZZ_CHECK(first != std::string::npos, shown);
  const int decimalExponent = pointAfter - static_cast<int>(first) + exponent;
  std::string significant = digits.substr(first);
  while (significant.size() > 1 && significant.back() == '0') significant.pop_back();
  FUZZ_CHECK(significant.size() <= 15, shown);
  if (e != Text::npos) {
    FUZZ_CHECK(decimalExponent > 15 || decimalExponent < -3, shown);
    FUZZ_CHECK(first == 0, shown);
  } else if (decimalExponent >= 1) {
    FUZZ_CHECK(decimalExponent <= 15 && first == 0, shown);
  } else {
    FUZZ_CHECK(decimalExponent >= -3 && pointAfter == 1 && digits[0] == '0', shown);
  }
  const long double parsed =
      std::stold(significant) *
      std::pow(10.0L, static_cast<long double>(decimalExponent - static_cast<int>(significant.size())));
  const long double unit = std::pow(10.0L, static_cast<long double>(decimalExponent - 15));
  FUZZ_CHECK(std::fabs(std::fabs(value) - parsed) <= 0.5L * unit * 1.0001L + std::fabs(value) * 1e-17L,
             shown);

  // A whole value below 10^15 is its plain digits.
  if (Toolz::IsWholeNumber(x) == 1 && std::fabs(value) < 1e15L) {
    const std::int64_t whole = x.ToInt64();
    FUZZ_CHECK(reference == Ascii(std::to_string(whole)), shown);
    if (whole >= INT32_MIN && whole <= INT32_MAX) {
      FUZZ_CHECK(reference == Toolz::IntText(static_cast<std::int32_t>(whole)), shown);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fuzz::Reader input(data, size);
  const char16_t decimal = input.Take<char16_t>();
  const char16_t thousands = input.Take<char16_t>();
  const std::int64_t grouped = input.Take<std::int64_t>();
  const std::int32_t plain = input.Take<std::int32_t>();
  const std::uint8_t signAndExponent = input.Take<std::uint8_t>();
  const std::uint64_t significand = input.Take<std::uint64_t>() | (std::uint64_t{1} << 63);
  const std::int32_t numerator = input.Take<std::int32_t>();
  const std::int32_t denominator = input.Take<std::int32_t>();

  CheckGrouped(grouped, decimal, thousands);
  CheckIntText(plain, decimal, thousands);

  // 2^-31 up to below 2^37, the quotients' range with room to spare.
  const int power = (signAndExponent & 0x7F) % 68 - 31;
  const Extended chosen = Extended::FromBits((signAndExponent & 0x80) != 0,
                                             static_cast<std::uint16_t>(Extended::ExponentBias + power),
                                             significand);
  CheckTwoDecimals(chosen, decimal, thousands);
  CheckFloat(chosen, decimal, thousands);
  CheckFloat(chosen.Truncated(), decimal, thousands);  // whole, or zero below 1

  if (numerator != 0 && denominator != 0) {
    const Extended quotient = Extended(numerator) / Extended(denominator);
    CheckTwoDecimals(quotient, decimal, thousands);
    CheckFloat(quotient, decimal, thousands);
  }
  Toolz::FormatSettings = Toolz::FormatSettingsRecord{};
  return 0;
}
