#pragma once
// Extended: the 80-bit extended binary format (sign, 15-bit biased exponent,
// 64-bit significand with an explicit integer bit), implemented exactly in
// integer arithmetic so that every result is the same on any processor and
// compiler. Each operation rounds once, to nearest with ties to even, to a
// 64-bit significand. Results too small for a normal value are rounded to the
// subnormal grid; a result too large raises OverflowFault, x / 0 raises
// DivisionByZeroFault and 0 / 0 InvalidOperationFault, so no infinity or NaN
// is ever produced. Patterns that encode infinities or NaNs are only accepted
// by FromBits, and any arithmetic on them raises InvalidOperationFault.

#include <cstdint>

#include "Toolz/Fault.h"

namespace Toolz {

class Extended {
 public:
  static constexpr int ExponentBias = 16383;
  static constexpr std::uint16_t MaxBiasedExponent = 0x7FFF;

  constexpr Extended() noexcept = default;  // +0
  Extended(std::int64_t value) noexcept;    // exact; implicit like a numeric literal

  static constexpr Extended FromBits(bool negative, std::uint16_t biasedExponent,
                                     std::uint64_t significand) noexcept {
    Extended x;
    x.sign_ = negative;
    x.exponent_ = biasedExponent & MaxBiasedExponent;
    x.significand_ = significand;
    return x;
  }

  constexpr bool Negative() const noexcept { return sign_; }
  constexpr std::uint16_t BiasedExponent() const noexcept { return exponent_; }
  constexpr std::uint64_t Significand() const noexcept { return significand_; }
  constexpr bool IsZero() const noexcept { return significand_ == 0 && exponent_ != MaxBiasedExponent; }
  // Infinities, NaNs and unnormal encodings, which arithmetic refuses.
  bool IsSpecial() const noexcept;

  // Exact: toward zero, and to nearest with ties to even.
  Extended Truncated() const;
  Extended RoundedToInteger() const;
  // The value of a whole Extended as an integer; InvalidOperationFault when
  // it is not whole or does not fit, like the processor's integer store.
  std::int64_t ToInt64() const;
  std::uint64_t ToUInt64() const;

  friend Extended operator*(const Extended& a, const Extended& b);
  friend Extended operator/(const Extended& a, const Extended& b);
  Extended operator-() const noexcept { return FromBits(!sign_, exponent_, significand_); }

  // Exact comparisons; +0 equals -0. Special operands raise InvalidOperationFault.
  friend bool operator==(const Extended& a, const Extended& b);
  friend bool operator<(const Extended& a, const Extended& b);
  friend bool operator!=(const Extended& a, const Extended& b) { return !(a == b); }
  friend bool operator>(const Extended& a, const Extended& b) { return b < a; }
  friend bool operator<=(const Extended& a, const Extended& b) { return !(b < a); }
  friend bool operator>=(const Extended& a, const Extended& b) { return !(a < b); }

 private:
  bool sign_ = false;
  std::uint16_t exponent_ = 0;
  std::uint64_t significand_ = 0;
};

}  // namespace Toolz
