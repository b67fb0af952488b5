#pragma once
// Shared by the fuzz targets: reading an input as fields, and stopping with a
// readable message when an invariant fails, so that libFuzzer keeps the input.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace Fuzz {

// Takes fixed-size fields from the front of an input; missing bytes read as 0.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  template <typename T>
  T Take() {
    T value{};
    const std::size_t n = sizeof(T) < size_ ? sizeof(T) : size_;
    std::memcpy(&value, data_, n);
    data_ += n;
    size_ -= n;
    return value;
  }
  const std::uint8_t* Rest() const { return data_; }
  std::size_t RestSize() const { return size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

inline std::string Printable(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buffer[12];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return out;
}

[[noreturn]] inline void Fail(const char* file, int line, const char* condition,
                              const std::string& detail) {
  std::fprintf(stderr, "%s:%d: invariant failed: %s\n  %s\n", file, line, condition,
               detail.c_str());
  std::abort();
}

}  // namespace Fuzz

#define FUZZ_CHECK(condition, detail) \
  do {                                \
    if (!(condition)) ::Fuzz::Fail(__FILE__, __LINE__, #condition, (detail)); \
  } while (false)

#include <cmath>

#include "Toolz/Extended.h"

namespace Fuzz {

// The value of an Extended as a long double: exact where long double has a
// 64-bit significand or more, as on x86 and the 128-bit formats.
inline long double ValueOf(const Toolz::Extended& x) {
  const int scale = (x.BiasedExponent() == 0 ? 1 : x.BiasedExponent()) -
                    Toolz::Extended::ExponentBias - 63;
  const long double magnitude = std::ldexp(static_cast<long double>(x.Significand()), scale);
  return x.Negative() ? -magnitude : magnitude;
}

}  // namespace Fuzz
