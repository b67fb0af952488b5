// The ratio and the scan on arbitrary 32-bit sizes: every listed form is exact
// in integers, and on x86 every figure is the x87 unit's, bit for bit.
//
// Input: width and height (32-bit each), then the two marks (UTF-16 code
// units), which a whole quotient must never show.

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "Velkor/Velkor.h"
#include "tests/unit/X87.h"  // defines VELKOR_HAVE_X87 where it applies


namespace {

using Toolz::Extended;
using Toolz::Text;

bool SameBits(const Extended& a, const Extended& b) {
  return a.Negative() == b.Negative() && a.BiasedExponent() == b.BiasedExponent() &&
         a.Significand() == b.Significand();
}


// "m:n" entries joined by ", ", m rising; false when the text is not so made.
bool ParseList(const Text& list, std::int64_t (&forms)[Velkor::MaxMultiplier + 1], int& count) {
  count = 0;
  std::size_t i = 0;
  int previous = 0;
  while (i < list.size()) {
    if (count > 0) {
      if (list.compare(i, 2, u", ") != 0) return false;
      i += 2;
    }
    int m = 0;
    const std::size_t mStart = i;
    while (i < list.size() && list[i] >= u'0' && list[i] <= u'9') m = m * 10 + (list[i++] - u'0');
    if (i == mStart || list[mStart] == u'0' || m <= previous || m > Velkor::MaxMultiplier) return false;
    if (i >= list.size() || list[i++] != u':') return false;
    const bool negative = i < list.size() && list[i] == u'-';
    if (negative) ++i;
    const std::size_t nStart = i;
    std::int64_t n = 0;
    while (i < list.size() && list[i] >= u'0' && list[i] <= u'9' && i - nStart < 12) {
      n = n * 10 + (list[i++] - u'0');
    }
    if (i == nStart || list[nStart] == u'0') return false;
    forms[m] = negative ? -n : n;
    previous = m;
    ++count;
  }
  return true;
}

void CheckZeroSizes(std::int32_t width, std::int32_t height) {
  // The only faults there are: x / 0 and 0 / 0 in the ratio, 1 / 0 in the scan.
  try {
    const Extended ratio = Velkor::DisplayRatio(width, height);
    FUZZ_CHECK(width == 0 && height != 0 && ratio.IsZero(), std::to_string(width) + " x " + std::to_string(height));
    try {
      Velkor::ScanRepresentations(ratio);
      FUZZ_CHECK(false, "the scan of a zero ratio returned");
    } catch (const Toolz::DivisionByZeroFault&) {
      FUZZ_CHECK(Velkor::RepresentationList.empty(), "a list from a zero ratio");
    }
  } catch (const Toolz::DivisionByZeroFault&) {
    FUZZ_CHECK(width != 0 && height == 0, std::to_string(width) + " x 0");
  } catch (const Toolz::InvalidOperationFault&) {
    FUZZ_CHECK(width == 0 && height == 0, std::to_string(width) + " x " + std::to_string(height));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fuzz::Reader input(data, size);
  const std::int32_t width = input.Take<std::int32_t>();
  const std::int32_t height = input.Take<std::int32_t>();
  Toolz::FormatSettings.DecimalMark = input.Take<char16_t>();
  Toolz::FormatSettings.ThousandsMark = input.Take<char16_t>();
  if (width == 0 || height == 0) {
    CheckZeroSizes(width, height);
    return 0;
  }
  const std::string size_ = std::to_string(width) + " x " + std::to_string(height);

  const Extended ratio = Velkor::DisplayRatio(width, height);
  const Text list = Velkor::ScanRepresentations(ratio);
  FUZZ_CHECK(list == Velkor::RepresentationList, size_);
  std::int64_t forms[Velkor::MaxMultiplier + 1] = {};
  int count = 0;
  FUZZ_CHECK(ParseList(list, forms, count), size_ + ": [" + Fuzz::Printable(list) + "]");

  for (int m = 1; m <= Velkor::MaxMultiplier; ++m) {
    const Extended quotient = Extended(m) / ratio;
    const bool whole = Toolz::IsWholeNumber(quotient) == 1;
    FUZZ_CHECK(whole == (forms[m] != 0), size_ + " m " + std::to_string(m));
    if (whole) {
      // Exact in integers: |m x height| < 2^36, far below 2^63.
      FUZZ_CHECK(static_cast<std::int64_t>(m) * height == forms[m] * width,
                 size_ + " lists " + std::to_string(m) + ":" + std::to_string(forms[m]));
    }
    if (m == Velkor::MaxMultiplier) FUZZ_CHECK(SameBits(Velkor::ScanQuotient, quotient), size_);
  }

#ifdef VELKOR_HAVE_X87
  const X87::Setting setting;
  volatile long double w = width, h = height;
  const long double hardRatio = w / h;
  FUZZ_CHECK(SameBits(ratio, X87::FromHardware(hardRatio)), size_ + " ratio");
  for (int m = 1; m <= Velkor::MaxMultiplier; ++m) {
    volatile long double hm = m;
    const long double hq = hm / hardRatio;
    FUZZ_CHECK(SameBits(Extended(m) / ratio, X87::FromHardware(hq)), size_ + " quotient " + std::to_string(m));
    FUZZ_CHECK((hq == std::trunc(hq)) == (forms[m] != 0), size_ + " whole " + std::to_string(m));
  }
#endif
  Toolz::FormatSettings = Toolz::FormatSettingsRecord{};
  return 0;
}
