// The software Extended against the x87 unit, bit for bit, wherever long
// double is the x87 80-bit format.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "TestSupport.h"
#include "Velkor/Velkor.h"
#include "X87.h"

#ifdef VELKOR_HAVE_X87

namespace {

using Toolz::Extended;
using X87::FromHardware;
using X87::ToHardware;

class X87Check : public ::testing::Test {
 protected:
  // Counts and reports the first few disagreements rather than flooding.
  void Check(const Extended& software, long double hardware, const char* what, long long a, long long b) {
    const Extended expected = FromHardware(hardware);
    if (TestSupport::SameBits(software, expected)) return;
    if (++disagreements_ <= 10) {
      ADD_FAILURE() << what << " " << a << ", " << b << ": software "
                    << ::testing::PrintToString(software) << " x87 " << ::testing::PrintToString(expected);
    }
  }

  // The ratio and all 32 scan quotients, and the whole-number test of each.
  void CheckPair(std::int32_t width, std::int32_t height) {
    const Extended ratio = Velkor::DisplayRatio(width, height);
    volatile long double w = width, h = height;
    const long double hardRatio = w / h;
    Check(ratio, hardRatio, "ratio", width, height);
    for (int m = 1; m <= Velkor::MaxMultiplier; ++m) {
      const Extended q = Extended(m) / ratio;
      volatile long double hm = m;
      const long double hq = hm / hardRatio;
      Check(q, hq, "quotient", width, m);
      if ((Toolz::IsWholeNumber(q) == 1) != (hq == std::trunc(hq))) {
        ADD_FAILURE() << "whole-number test differs at " << width << " x " << height << " m " << m;
      }
    }
    ++pairs_;
  }

  X87::Setting setting_;
  int disagreements_ = 0;
  long long pairs_ = 0;
};

TEST_F(X87Check, RatiosAndQuotientsOverAMillionSizes) {
  const std::int32_t common[][2] = {
      {640, 480},   {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},  {1280, 800},
      {1280, 1024}, {1360, 768},  {1366, 768},  {1400, 1050}, {1440, 900},  {1600, 900},
      {1600, 1200}, {1680, 1050}, {1920, 1080}, {1920, 1200}, {2048, 1536}, {2560, 1080},
      {2560, 1440}, {2560, 1600}, {3440, 1440}, {3840, 1600}, {3840, 2160}, {5120, 1440},
      {5120, 2880}, {7680, 4320}, {1200, 1000}, {1000, 700},  {1024, 960},  {1400, 1000},
      {900, 700},   {600, 1000},  {1080, 1920}, {1, 2147483647}, {2147483647, 1},
      {2147483647, 2147483647}, {-2147483647 - 1, 1}, {-2147483647 - 1, -2147483647 - 1}};
  for (const auto& size : common) CheckPair(size[0], size[1]);
  // Small sizes exhaustively, both signs.
  for (std::int32_t w = -300; w <= 300; ++w)
    for (std::int32_t h = -300; h <= 300; ++h)
      if (w != 0 && h != 0) CheckPair(w, h);
  // Random full-range 32-bit values of both signs.
  std::mt19937_64 random(20261211);
  std::uniform_int_distribution<std::int32_t> any(INT32_MIN, INT32_MAX);
  while (pairs_ < 1000000) {
    const std::int32_t w = any(random), h = any(random);
    if (w != 0 && h != 0) CheckPair(w, h);
  }
  EXPECT_EQ(disagreements_, 0);
}

TEST_F(X87Check, ProductsByPowersOfTenAndRoundings) {
  // What the number texts do: a * 10^k for k = 7..27, the rounding of that to
  // an integer, and the division of an integer of 19 digits by ten.
  std::mt19937_64 random(7);
  std::uniform_int_distribution<std::int32_t> any(INT32_MIN, INT32_MAX);
  long double powers[28];
  powers[0] = 1.0L;
  for (int k = 1; k <= 27; ++k) powers[k] = powers[k - 1] * 10.0L;  // all exact
  for (int i = 0; i < 200000; ++i) {
    std::int32_t a = any(random), b = any(random);
    if (b == 0) b = 1;
    const Extended x = Extended(a) / Extended(b);
    volatile long double ha = a, hb = b;
    const long double hx = ha / hb;
    Check(x, hx, "value", a, b);
    for (int k = 7; k <= 27; ++k) {
      const Extended p = Extended(static_cast<std::int64_t>(1)) * FromHardware(powers[k]);
      const Extended product = x * p;
      volatile long double hp = powers[k];
      const long double hproduct = hx * hp;
      Check(product, hproduct, "product", a, k);
      if (std::fabs(hproduct) < 1e30L) {
        Check(product.RoundedToInteger(), std::nearbyint(hproduct), "nearest", a, k);
        Check(product.Truncated(), std::trunc(hproduct), "truncated", a, k);
        if (std::fabs(hproduct) >= 1e18L) {
          const long double whole = std::nearbyint(hproduct);
          volatile long double ten = 10.0L;
          Check(product.RoundedToInteger() / Extended(10), whole / ten, "tenth", a, k);
        }
      }
    }
  }
  EXPECT_EQ(disagreements_, 0);
}

TEST_F(X87Check, RandomOperandsAcrossTheWholeRange) {
  // Random patterns, subnormal results included; overflow is left out, since
  // the software raises it where the masked hardware gives an infinity.
  std::mt19937_64 random(11);
  std::uniform_int_distribution<int> exponent(1, 0x7FFE);
  std::uniform_int_distribution<int> nearBottom(1, 200);
  for (int i = 0; i < 300000; ++i) {
    const auto operand = [&](bool small) {
      const std::uint64_t significand = random() | (std::uint64_t{1} << 63);
      const int e = small ? nearBottom(random) : exponent(random);
      return Extended::FromBits((random() & 1) != 0, static_cast<std::uint16_t>(e), significand);
    };
    const bool small = (i % 4) == 0;
    const Extended a = operand(small);
    const Extended b = small ? Extended::FromBits(false, static_cast<std::uint16_t>(0x3FFF + nearBottom(random)), random() | (std::uint64_t{1} << 63)) : operand(false);
    const long double ha = ToHardware(a), hb = ToHardware(b);
    volatile long double va = ha, vb = hb;
    const long double quotient = va / vb;
    if (std::isfinite(quotient)) Check(a / b, quotient, "divide", i, 0);
    const long double product = va * vb;
    if (std::isfinite(product) && std::fabs(product) <= LDBL_MAX) Check(a * b, product, "multiply", i, 0);
    Check(a.RoundedToInteger(), std::nearbyint(ha), "nearest", i, 0);
    Check(a.Truncated(), std::trunc(ha), "truncated", i, 0);
  }
  EXPECT_EQ(disagreements_, 0);
}

}  // namespace

#else

TEST(X87Check, NotAvailableOnThisProcessor) { GTEST_SKIP() << "long double is not the x87 format here"; }

#endif
