#include "Toolz/Extended.h"

#include <bit>

namespace Toolz {

[[gnu::noinline]] void RaiseDivisionByZero() {
  throw DivisionByZeroFault(__builtin_return_address(0));
}
[[gnu::noinline]] void RaiseInvalidOperation() {
  throw InvalidOperationFault(__builtin_return_address(0));
}
[[gnu::noinline]] void RaiseOverflow() { throw OverflowFault(__builtin_return_address(0)); }

namespace {

using U128 = unsigned __int128;
constexpr std::uint64_t TopBit = std::uint64_t{1} << 63;

// An operand unpacked for arithmetic: value = significand * 2^(exponent - bias - 63),
// significand normalised (top bit set) unless the value is zero.
struct Unpacked {
  bool negative;
  std::int32_t exponent;
  std::uint64_t significand;
};

Unpacked Unpack(const Extended& x) {
  if (x.IsSpecial()) RaiseInvalidOperation();
  Unpacked u{x.Negative(), x.BiasedExponent(), x.Significand()};
  if (u.significand == 0) return u;
  // Subnormals (and pseudo-denormals) share the scale of biased exponent 1.
  if (u.exponent == 0) u.exponent = 1;
  const int shift = std::countl_zero(u.significand);
  u.significand <<= shift;
  u.exponent -= shift;
  return u;
}

// The one place where results are rounded. The exact value is
// (significand + extra / 2^64) * 2^(exponent - bias - 63) with the top bit of
// significand set; it is rounded to nearest, ties to even, onto the normal or,
// below the normal range, the subnormal grid.
Extended RoundAndPack(bool negative, std::int32_t exponent, std::uint64_t significand,
                      std::uint64_t extra) {
  if (exponent < 1) {
    const std::int32_t shift = 1 - exponent;
    if (shift >= 128) {
      extra = 1;  // below half of the smallest step: only stickiness remains
      significand = 0;
    } else {
      U128 whole = (static_cast<U128>(significand) << 64) | extra;
      U128 lost = shift == 0 ? 0 : whole & ((static_cast<U128>(1) << shift) - 1);
      whole >>= shift;
      significand = static_cast<std::uint64_t>(whole >> 64);
      extra = static_cast<std::uint64_t>(whole) | (lost != 0 ? 1 : 0);
    }
    exponent = 1;
  }
  const bool roundUp = extra > TopBit || (extra == TopBit && (significand & 1) != 0);
  if (roundUp) {
    ++significand;
    if (significand == 0) {  // carried out of the top bit
      significand = TopBit;
      ++exponent;
    }
  }
  if (exponent >= Extended::MaxBiasedExponent) RaiseOverflow();
  // A result that stayed below the normal range is stored with exponent 0.
  if ((significand & TopBit) == 0) exponent = 0;
  return Extended::FromBits(negative, static_cast<std::uint16_t>(exponent), significand);
}

enum class Rounding { TowardZero, NearestEven };

Extended RoundToWhole(const Extended& x, Rounding mode) {
  const Unpacked u = Unpack(x);
  if (u.significand == 0) return x;
  const std::int32_t unbiased = u.exponent - Extended::ExponentBias;
  if (unbiased >= 63) return x;  // no fraction bits
  if (unbiased < 0) {
    // Magnitude below 1: zero, or one when nearest and above a half.
    const bool toOne = mode == Rounding::NearestEven && unbiased == -1 && u.significand > TopBit;
    return toOne ? Extended::FromBits(u.negative, Extended::ExponentBias, TopBit)
                 : Extended::FromBits(u.negative, 0, 0);
  }
  const int fractionBits = 63 - unbiased;
  const std::uint64_t fractionMask = (std::uint64_t{1} << fractionBits) - 1;
  const std::uint64_t fraction = u.significand & fractionMask;
  std::uint64_t significand = u.significand & ~fractionMask;
  std::int32_t exponent = u.exponent;
  if (mode == Rounding::NearestEven) {
    const std::uint64_t half = std::uint64_t{1} << (fractionBits - 1);
    const std::uint64_t unit = std::uint64_t{1} << fractionBits;
    if (fraction > half || (fraction == half && (significand & unit) != 0)) {
      significand += unit;
      if (significand == 0) {
        significand = TopBit;
        ++exponent;
      }
    }
  }
  return Extended::FromBits(u.negative, static_cast<std::uint16_t>(exponent), significand);
}

// A 128-by-64-bit division whose quotient is known to fit in 64 bits
// (high < divisor): one divide instruction where the processor has it, not
// the general 128-bit library routine.
inline std::uint64_t DivideNarrow(std::uint64_t high, std::uint64_t low, std::uint64_t divisor,
                                  std::uint64_t& remainder) {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  std::uint64_t quotient;
  asm("divq %[divisor]"
      : "=a"(quotient), "=d"(remainder)
      : [divisor] "rm"(divisor), "a"(low), "d"(high)
      : "cc");
  return quotient;
#else
  const U128 numerator = (static_cast<U128>(high) << 64) | low;
  remainder = static_cast<std::uint64_t>(numerator % divisor);
  return static_cast<std::uint64_t>(numerator / divisor);
#endif
}

// Orders magnitudes of two unpacked, non-zero-or-zero values.
int CompareMagnitude(const Unpacked& a, const Unpacked& b) {
  if (a.significand == 0 || b.significand == 0) {
    return (a.significand != 0) - (b.significand != 0);
  }
  if (a.exponent != b.exponent) return a.exponent < b.exponent ? -1 : 1;
  if (a.significand != b.significand) return a.significand < b.significand ? -1 : 1;
  return 0;
}

}  // namespace

Extended::Extended(std::int64_t value) noexcept {
  if (value == 0) return;
  sign_ = value < 0;
  const std::uint64_t magnitude =
      sign_ ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
  const int shift = std::countl_zero(magnitude);
  significand_ = magnitude << shift;
  exponent_ = static_cast<std::uint16_t>(ExponentBias + 63 - shift);
}

bool Extended::IsSpecial() const noexcept {
  if (exponent_ == MaxBiasedExponent) return true;  // infinities and NaNs
  // A non-zero exponent without the integer bit is an unnormal encoding.
  return exponent_ != 0 && (significand_ & TopBit) == 0;
}

Extended Extended::Truncated() const { return RoundToWhole(*this, Rounding::TowardZero); }

Extended Extended::RoundedToInteger() const { return RoundToWhole(*this, Rounding::NearestEven); }

std::uint64_t Extended::ToUInt64() const {
  const Unpacked u = Unpack(*this);
  if (u.significand == 0) return 0;
  const std::int32_t unbiased = u.exponent - ExponentBias;
  if (u.negative || unbiased < 0 || unbiased > 63) RaiseInvalidOperation();
  const int fractionBits = 63 - unbiased;
  if (fractionBits > 0 && (u.significand & ((std::uint64_t{1} << fractionBits) - 1)) != 0) {
    RaiseInvalidOperation();
  }
  return fractionBits == 0 ? u.significand : u.significand >> fractionBits;
}

std::int64_t Extended::ToInt64() const {
  const Extended magnitude = FromBits(false, exponent_, significand_);
  const std::uint64_t m = magnitude.ToUInt64();
  if (sign_) {
    if (m > TopBit) RaiseInvalidOperation();
    return static_cast<std::int64_t>(~m + 1);
  }
  if (m >= TopBit) RaiseInvalidOperation();
  return static_cast<std::int64_t>(m);
}

Extended operator*(const Extended& a, const Extended& b) {
  const Unpacked x = Unpack(a);
  const Unpacked y = Unpack(b);
  const bool negative = x.negative != y.negative;
  if (x.significand == 0 || y.significand == 0) return Extended::FromBits(negative, 0, 0);
  U128 product = static_cast<U128>(x.significand) * y.significand;  // in [2^126, 2^128)
  std::int32_t exponent = x.exponent + y.exponent - Extended::ExponentBias + 1;
  if ((product >> 127) == 0) {
    product <<= 1;
    --exponent;
  }
  return RoundAndPack(negative, exponent, static_cast<std::uint64_t>(product >> 64),
                      static_cast<std::uint64_t>(product));
}

Extended operator/(const Extended& a, const Extended& b) {
  const Unpacked x = Unpack(a);
  const Unpacked y = Unpack(b);
  const bool negative = x.negative != y.negative;
  if (y.significand == 0) {
    if (x.significand == 0) RaiseInvalidOperation();
    RaiseDivisionByZero();
  }
  if (x.significand == 0) return Extended::FromBits(negative, 0, 0);
  // Quotient of the significands scaled into [2^63, 2^64).
  std::int32_t exponent = x.exponent - y.exponent + Extended::ExponentBias;
  U128 numerator = static_cast<U128>(x.significand) << 63;
  if (x.significand < y.significand) {
    numerator <<= 1;
    --exponent;
  }
  std::uint64_t remainder;
  const std::uint64_t quotient =
      DivideNarrow(static_cast<std::uint64_t>(numerator >> 64), static_cast<std::uint64_t>(numerator),
                   y.significand, remainder);
  std::uint64_t extra;
  if (exponent >= 1) {
    // A normal result rounds on how the remainder compares with half the
    // divisor; any extra pattern on the same side of a half rounds alike.
    const std::uint64_t rest = y.significand - remainder;
    extra = remainder == 0 ? 0 : remainder > rest ? TopBit | 1 : remainder == rest ? TopBit : 1;
  } else {
    // Below the normal range the rounding point moves into the next 64 bits
    // of the quotient, with a sticky bit for whatever remains.
    std::uint64_t last;
    extra = DivideNarrow(remainder, 0, y.significand, last);
    if (last != 0) extra |= 1;
  }
  return RoundAndPack(negative, exponent, quotient, extra);
}

bool operator==(const Extended& a, const Extended& b) {
  const Unpacked x = Unpack(a);
  const Unpacked y = Unpack(b);
  if (x.significand == 0 && y.significand == 0) return true;
  return x.negative == y.negative && CompareMagnitude(x, y) == 0;
}

bool operator<(const Extended& a, const Extended& b) {
  const Unpacked x = Unpack(a);
  const Unpacked y = Unpack(b);
  if (x.significand == 0 && y.significand == 0) return false;
  if (x.negative != y.negative) return x.negative;
  const int order = CompareMagnitude(x, y);
  return x.negative ? order > 0 : order < 0;
}

}  // namespace Toolz
