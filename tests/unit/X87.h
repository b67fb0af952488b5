#pragma once
// The x87 unit as the reference for the software Extended: conversions of
// the 80-bit pattern both ways, and the unit's setting for a comparison.
// VELKOR_HAVE_X87 is defined only where long double is the x87 format.

#include <cfloat>

#if (defined(__x86_64__) || defined(__i386__)) && LDBL_MANT_DIG == 64
#define VELKOR_HAVE_X87 1

#include <cstdint>
#include <cstring>

#include "Toolz/Extended.h"

namespace X87 {

inline Toolz::Extended FromHardware(long double x) {
  unsigned char bytes[sizeof(long double)] = {};
  std::memcpy(bytes, &x, sizeof x);
  std::uint64_t significand;
  std::uint16_t top;
  std::memcpy(&significand, bytes, 8);
  std::memcpy(&top, bytes + 8, 2);
  return Toolz::Extended::FromBits((top & 0x8000) != 0, static_cast<std::uint16_t>(top & 0x7FFF),
                                   significand);
}

inline long double ToHardware(const Toolz::Extended& x) {
  unsigned char bytes[sizeof(long double)] = {};
  const std::uint64_t significand = x.Significand();
  const std::uint16_t top =
      static_cast<std::uint16_t>(x.BiasedExponent() | (x.Negative() ? 0x8000 : 0));
  std::memcpy(bytes, &significand, 8);
  std::memcpy(bytes + 8, &top, 2);
  long double value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// A 64-bit significand, round to nearest, every fault masked so that the
// hardware side never traps; the previous setting comes back at the end.
// Windows runtimes start with a 53-bit precision, so it is set, not assumed.
class Setting {
 public:
  Setting() {
    asm volatile("fnstcw %0" : "=m"(saved_));
    const std::uint16_t extended = 0x037F;
    asm volatile("fldcw %0" : : "m"(extended));
  }
  ~Setting() { asm volatile("fldcw %0" : : "m"(saved_)); }
  Setting(const Setting&) = delete;
  Setting& operator=(const Setting&) = delete;

 private:
  std::uint16_t saved_ = 0;
};

}  // namespace X87

#endif
