#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "TestSupport.h"
#include "Toolz/Extended.h"

namespace {

using Toolz::Extended;
using TestSupport::Quotient;
using TestSupport::SameBits;

constexpr std::uint64_t Top = std::uint64_t{1} << 63;

Extended Bits(bool negative, std::uint16_t exponent, std::uint64_t significand) {
  return Extended::FromBits(negative, exponent, significand);
}

TEST(ExtendedConversion, IntegersConvertExactly) {
  struct Case {
    std::int64_t value;
    bool negative;
    std::uint16_t exponent;
    std::uint64_t significand;
  } cases[] = {
      {1, false, 0x3FFF, Top},
      {-1, true, 0x3FFF, Top},
      {3, false, 0x4000, 0xC000000000000000},
      {1920, false, 0x4009, 0xF000000000000000},
      {2147483647, false, 0x401D, 0xFFFFFFFE00000000},
      {-2147483648LL, true, 0x401E, Top},
      {std::numeric_limits<std::int64_t>::max(), false, 0x403D, 0xFFFFFFFFFFFFFFFE},
      {std::numeric_limits<std::int64_t>::min(), true, 0x403E, Top},
  };
  for (const Case& c : cases) {
    const Extended x(c.value);
    EXPECT_TRUE(SameBits(x, Bits(c.negative, c.exponent, c.significand))) << c.value;
    EXPECT_EQ(x.ToInt64(), c.value);
  }
  const Extended zero(0);
  EXPECT_TRUE(zero.IsZero());
  EXPECT_EQ(zero.BiasedExponent(), 0);
  EXPECT_EQ(zero.Significand(), 0u);
}

// Quotients whose correctly rounded patterns were worked out by hand.
TEST(ExtendedDivision, RoundsOnceToNearest) {
  struct Case {
    std::int64_t numerator, denominator;
    bool negative;
    std::uint16_t exponent;
    std::uint64_t significand;
  } cases[] = {
      {1, 3, false, 0x3FFD, 0xAAAAAAAAAAAAAAAB},      // rounds up
      {2, 3, false, 0x3FFE, 0xAAAAAAAAAAAAAAAB},
      {6, 5, false, 0x3FFF, 0x999999999999999A},      // fraction 3/5: up
      {10, 7, false, 0x3FFF, 0xB6DB6DB6DB6DB6DB},     // fraction 3/7: down
      {1920, 1080, false, 0x3FFF, 0xE38E38E38E38E38E},
      {-1920, 1080, true, 0x3FFF, 0xE38E38E38E38E38E},
      {1920, -1080, true, 0x3FFF, 0xE38E38E38E38E38E},
      {1, 2147483647, false, 0x3FE0, 0x8000000100000002},
      {201, 200, false, 0x3FFF, 0x80A3D70A3D70A3D7},
      {9, 8, false, 0x3FFF, 0x9000000000000000},      // exact
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(SameBits(Quotient(c.numerator, c.denominator),
                         Bits(c.negative, c.exponent, c.significand)))
        << c.numerator << "/" << c.denominator;
  }
}

TEST(ExtendedMultiplication, BreaksExactTiesToEven) {
  const Extended onePointFive = Bits(false, 0x3FFF, 0xC000000000000000);
  // (1 + 2^-63) * 1.5 lies exactly between two neighbours: the even one wins (up).
  EXPECT_TRUE(SameBits(Bits(false, 0x3FFF, Top + 1) * onePointFive,
                       Bits(false, 0x3FFF, 0xC000000000000002)));
  // (1 + 3 * 2^-63) * 1.5 = 1.5 + 4.5 steps: the even neighbour is below.
  EXPECT_TRUE(SameBits(Bits(false, 0x3FFF, Top + 3) * onePointFive,
                       Bits(false, 0x3FFF, 0xC000000000000004)));
  // A carry out of the significand moves the exponent.
  EXPECT_TRUE(SameBits(Bits(false, 0x3FFF, ~std::uint64_t{0}) * Bits(false, 0x3FFF, ~std::uint64_t{0}),
                       Bits(false, 0x4000, 0xFFFFFFFFFFFFFFFE)));
  EXPECT_TRUE(SameBits(Extended(-3) * Extended(7), Extended(-21)));
  EXPECT_TRUE((Extended(-3) * Extended(0)).IsZero());
}

TEST(ExtendedRange, SubnormalResultsAndOverflow) {
  const Extended smallestNormal = Bits(false, 1, Top);
  EXPECT_TRUE(SameBits(smallestNormal / Extended(2), Bits(false, 0, Top >> 1)));
  EXPECT_TRUE(SameBits(smallestNormal / Extended(2) * Extended(2), smallestNormal));
  // Half of the smallest subnormal is a tie that rounds to even zero.
  const Extended smallestSubnormal = Bits(false, 0, 1);
  EXPECT_TRUE((smallestSubnormal / Extended(2)).IsZero());
  EXPECT_TRUE(SameBits(smallestSubnormal * Extended(3) / Extended(2), Bits(false, 0, 2)));

  const Extended largest = Bits(false, 0x7FFE, ~std::uint64_t{0});
  EXPECT_THROW(largest * Extended(2), Toolz::OverflowFault);
  EXPECT_THROW(largest / Bits(false, 0x3FFE, Top), Toolz::OverflowFault);
}

TEST(ExtendedFaults, ZeroDivisorsRaiseTheStatedFaults) {
  try {
    (void)(Extended(1920) / Extended(0));
    FAIL() << "no fault";
  } catch (const Toolz::DivisionByZeroFault& f) {
    EXPECT_STREQ(f.what(), "Floating point division by zero");
    EXPECT_NE(f.Address(), nullptr);
  }
  try {
    (void)(Extended(0) / Extended(0));
    FAIL() << "no fault";
  } catch (const Toolz::InvalidOperationFault& f) {
    EXPECT_STREQ(f.what(), "Invalid floating point operation");
  }
  EXPECT_THROW(Extended(-1) / -Extended(0), Toolz::DivisionByZeroFault);
  EXPECT_TRUE((Extended(0) / Extended(-5)).IsZero());
  EXPECT_TRUE((Extended(0) / Extended(-5)).Negative());

  // Encodings the arithmetic never produces are refused, not computed on.
  const Extended infinity = Bits(false, 0x7FFF, Top);
  const Extended unnormal = Bits(false, 0x3FFF, 1);
  for (const Extended& special : {infinity, unnormal}) {
    EXPECT_THROW(special / Extended(1), Toolz::InvalidOperationFault);
    EXPECT_THROW(Extended(1) * special, Toolz::InvalidOperationFault);
    EXPECT_THROW((void)(special == Extended(1)), Toolz::InvalidOperationFault);
    EXPECT_THROW(special.Truncated(), Toolz::InvalidOperationFault);
  }
}

TEST(ExtendedRounding, TruncationAndNearestEven) {
  struct Case {
    Extended value, truncated, nearest;
  } cases[] = {
      {Quotient(5, 2), Extended(2), Extended(2)},
      {Quotient(7, 2), Extended(3), Extended(4)},
      {Quotient(-5, 2), Extended(-2), Extended(-2)},
      {Quotient(-7, 2), Extended(-3), Extended(-4)},
      {Quotient(1, 2), Extended(0), Extended(0)},
      {Quotient(3, 4), Extended(0), Extended(1)},
      {Quotient(-3, 4), Extended(0), Extended(-1)},
      {Quotient(3, 2), Extended(1), Extended(2)},
      {Quotient(2, 3), Extended(0), Extended(1)},
      {Quotient(1000000007, 3), Extended(333333335), Extended(333333336)},
      {Bits(false, 0x403E, Top + 1), Bits(false, 0x403E, Top + 1), Bits(false, 0x403E, Top + 1)},
      {Bits(false, 0x403D, ~std::uint64_t{0}), Extended(std::numeric_limits<std::int64_t>::max()),
       Bits(false, 0x403E, Top)},  // 2^63 - 1/2 rounds to 2^63
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(c.value.Truncated() == c.truncated);
    EXPECT_TRUE(c.value.RoundedToInteger() == c.nearest);
  }
  // The sign of a zero result is kept, as the processor keeps it.
  EXPECT_TRUE(Quotient(-1, 2).Truncated().Negative());
  EXPECT_TRUE(Quotient(-1, 2).RoundedToInteger().IsZero());
}

TEST(ExtendedComparison, IsExact) {
  const Extended a = Quotient(1, 3);
  const Extended next = Bits(false, a.BiasedExponent(), a.Significand() + 1);
  EXPECT_TRUE(a < next);
  EXPECT_FALSE(next < a);
  EXPECT_FALSE(a == next);
  EXPECT_TRUE(Extended(0) == -Extended(0));
  EXPECT_FALSE(Extended(0) < -Extended(0));
  EXPECT_TRUE(Extended(-2) < Extended(-1));
  EXPECT_TRUE(Extended(-1) < Extended(0));
  EXPECT_TRUE(Extended(0) < Bits(false, 0, 1));
  EXPECT_TRUE(-Bits(false, 0, 1) < Extended(0));
  // A pseudo-denormal equals the normal value of the same magnitude.
  EXPECT_TRUE(Bits(false, 0, Top) == Bits(false, 1, Top));
}

TEST(ExtendedIntegers, StoresOnlyWholeValuesInRange) {
  EXPECT_EQ(Extended(0).ToUInt64(), 0u);
  EXPECT_EQ(Bits(false, 0x403E, ~std::uint64_t{0}).ToUInt64(), ~std::uint64_t{0});
  EXPECT_THROW(Quotient(1, 2).ToInt64(), Toolz::InvalidOperationFault);
  EXPECT_THROW(Bits(false, 0x403E, Top).ToInt64(), Toolz::InvalidOperationFault);  // 2^63
  EXPECT_EQ(Bits(true, 0x403E, Top).ToInt64(), std::numeric_limits<std::int64_t>::min());
  EXPECT_THROW(Bits(false, 0x403F, Top).ToUInt64(), Toolz::InvalidOperationFault);  // 2^64
  EXPECT_THROW(Extended(-1).ToUInt64(), Toolz::InvalidOperationFault);
}

}  // namespace
