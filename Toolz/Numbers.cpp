#include <bit>
#include <climits>

#include "Toolz/Toolz.h"
#include "platform/Platform.h"

namespace Toolz {

FormatSettingsRecord FormatSettings;

namespace {

constexpr std::uint64_t TenTo17 = 100000000000000000ULL;
constexpr std::uint64_t TenTo18 = 1000000000000000000ULL;
constexpr int LargestExactPower = 27;  // 5^27 < 2^63, so 10^27 = 5^27 * 2^27 is exact
// FloatText's decimal places: enough that only the significant digits limit.
constexpr int UnlimitedDecimals = 100000;

std::uint64_t PowerOfTenInteger(int k) {
  std::uint64_t p = 1;
  while (k-- > 0) p *= 10;
  return p;
}

// 10^k as an exact Extended, 0 <= k <= 27.
Extended ExactPowerOfTen(int k) {
  std::uint64_t five = 1;
  for (int i = 0; i < k; ++i) five *= 5;
  const Extended f(static_cast<std::int64_t>(five));
  return Extended::FromBits(false, static_cast<std::uint16_t>(f.BiasedExponent() + k),
                            f.Significand());
}

// a * 10^k, a single rounded product wherever 10^k is exact. Beyond that, which
// only magnitudes this program never formats reach, in exact steps of 10^27.
Extended ScaleByPowerOfTen(Extended a, int k) {
  while (k > LargestExactPower) {
    a = a * ExactPowerOfTen(LargestExactPower);
    k -= LargestExactPower;
  }
  while (k < -LargestExactPower) {
    a = a / ExactPowerOfTen(LargestExactPower);
    k += LargestExactPower;
  }
  return k >= 0 ? a * ExactPowerOfTen(k) : a / ExactPowerOfTen(-k);
}

// e with 2^e <= |x| < 2^(e+1), for non-zero x.
int BinaryExponent(const Extended& x) {
  if (x.BiasedExponent() == 0) {
    return 1 - Extended::ExponentBias - std::countl_zero(x.Significand());
  }
  return x.BiasedExponent() - Extended::ExponentBias;
}

Extended Magnitude(const Extended& x) {
  return Extended::FromBits(false, x.BiasedExponent(), x.Significand());
}

bool AtLeastTenTo18(const Extended& x) {
  return !(Magnitude(x) < Extended(static_cast<std::int64_t>(TenTo18)));
}

char16_t DigitAt(const DecimalForm& form, int position) {  // 1-based; '0' outside
  return position >= 1 && position <= form.Count ? static_cast<char16_t>(form.Digits[position - 1])
                                                 : u'0';
}

}  // namespace

Flag IsWholeNumber(Extended value) { return value == value.Truncated() ? 1 : 0; }

DecimalForm DecimalDigits(Extended value, int precision, int decimals) {
  DecimalForm form;
  if (value.IsZero() && !value.IsSpecial()) return form;
  const Extended a = Magnitude(value);

  // The estimate is the decimal exponent or one below it.
  int exponent = ((BinaryExponent(a) * 19728) >> 16) + 1;

  // 18 working digits, rounded to nearest with ties to even.
  Extended whole = ScaleByPowerOfTen(a, 18 - exponent).RoundedToInteger();
  const Extended ten(10);
  const Extended limit(static_cast<std::int64_t>(TenTo18));
  while (!(whole < limit)) {
    whole = (whole / ten).RoundedToInteger();
    ++exponent;
  }
  // Only magnitudes far outside the program's range can land an order too low.
  while (whole < Extended(static_cast<std::int64_t>(TenTo17))) {
    --exponent;
    whole = ScaleByPowerOfTen(a, 18 - exponent).RoundedToInteger();
  }
  const std::uint64_t working = whole.ToUInt64();

  if (exponent + decimals < 0) return form;
  int keep = exponent + decimals;
  if (precision < keep) keep = precision;
  if (keep > 18) keep = 18;
  if (keep < 0) keep = 0;

  // Half up at the kept place, decided by the next working digit alone.
  std::uint64_t kept = working / PowerOfTenInteger(18 - keep);
  if (keep < 18 && (working / PowerOfTenInteger(17 - keep)) % 10 >= 5) {
    ++kept;
    if (kept == PowerOfTenInteger(keep)) {  // carried out of the first digit
      kept = 1;
      keep = 1;
      ++exponent;
    }
  }
  while (kept != 0 && kept % 10 == 0) {
    kept /= 10;
    --keep;
  }
  if (kept == 0) return form;

  form.Count = keep;
  for (int i = keep - 1; i >= 0; --i) {
    form.Digits[i] = static_cast<char>('0' + kept % 10);
    kept /= 10;
  }
  form.Exponent = exponent;
  form.Negative = value.Negative();
  return form;
}

Text FloatText(Extended value) {
  const DecimalForm form = DecimalDigits(value, 15, UnlimitedDecimals);
  if (form.Count == 0) return u"0";
  Text text;
  if (form.Negative) text += u'-';
  const int e = form.Exponent;
  const int n = form.Count;
  if (e >= 1 && e <= 15) {
    for (int p = 1; p <= e; ++p) text += DigitAt(form, p);
    if (n > e) {
      text += FormatSettings.DecimalMark;
      for (int p = e + 1; p <= n; ++p) text += DigitAt(form, p);
    }
  } else if (e >= -3 && e <= 0) {
    text += u'0';
    text += FormatSettings.DecimalMark;
    text.append(static_cast<std::size_t>(-e), u'0');
    for (int p = 1; p <= n; ++p) text += DigitAt(form, p);
  } else {
    text += DigitAt(form, 1);
    if (n > 1) {
      text += FormatSettings.DecimalMark;
      for (int p = 2; p <= n; ++p) text += DigitAt(form, p);
    }
    text += u'E';
    if (e - 1 < 0) text += u'-';
    text += IntText(e - 1 < 0 ? 1 - e : e - 1);
  }
  return text;
}

Text TwoDecimalText(Extended value) {
  if (AtLeastTenTo18(value)) return FloatText(value);
  const DecimalForm form = DecimalDigits(value, 18, 2);
  Text text;
  if (form.Count == 0) {
    text += u'0';
    text += FormatSettings.DecimalMark;
    text += u"00";
    return text;
  }
  if (form.Negative) text += u'-';
  const int e = form.Exponent;
  if (e >= 1) {
    for (int p = 1; p <= e; ++p) text += DigitAt(form, p);
  } else {
    text += u'0';
  }
  text += FormatSettings.DecimalMark;
  text += DigitAt(form, e + 1);
  text += DigitAt(form, e + 2);
  return text;
}

Text GroupedIntText(std::int64_t value) {
  if (value == 0) return u"0";
  const Extended x(value);
  if (AtLeastTenTo18(x)) return FloatText(x);
  // Below zero the pattern's second section applies: the magnitude, no sign.
  const DecimalForm form = DecimalDigits(x, 18, 0);
  const char16_t mark = FormatSettings.ThousandsMark;
  Text text;
  for (int i = 0; i < form.Exponent; ++i) {
    text += DigitAt(form, i + 1);
    const int place = form.Exponent - i;
    if (place > 1 && place % 3 == 1 && mark != u'\0') text += mark;
  }
  return text;
}

namespace {

char16_t LocaleCharacter(std::uint32_t locale, std::uint32_t type, char16_t fallback) {
  char16_t buffer[2] = {0, 0};
  const int written = Platform::LocaleInfoText(locale, type, buffer, 2);
  return written <= 0 ? fallback : buffer[0];
}

}  // namespace

void LoadFormatSettings() {
  const std::uint32_t locale = Platform::ThreadLocaleId();
  FormatSettings.ThousandsMark = LocaleCharacter(locale, Platform::LocaleThousandsSeparator, u',');
  FormatSettings.DecimalMark = LocaleCharacter(locale, Platform::LocaleDecimalSeparator, u'.');
}

}  // namespace Toolz
