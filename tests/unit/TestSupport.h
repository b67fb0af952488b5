#pragma once
// Shared by the unit tests: readable Extended and Text failures, and a fixture
// that resets the platform double and the helper module's start-up state.

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "Toolz/Extended.h"
#include "Toolz/Toolz.h"

namespace Toolz {

inline void PrintTo(const Extended& x, std::ostream* os) {
  *os << (x.Negative() ? "-" : "+") << std::hex << "0x" << x.BiasedExponent() << ":0x"
      << x.Significand() << std::dec;
}

}  // namespace Toolz

namespace TestSupport {

inline std::string Utf8(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out += c == 0 ? std::string("\\0") : std::string(1, static_cast<char>(c));
    } else {
      char buffer[12];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return out;
}

inline Toolz::Extended Quotient(std::int64_t numerator, std::int64_t denominator) {
  return Toolz::Extended(numerator) / Toolz::Extended(denominator);
}

inline bool SameBits(const Toolz::Extended& a, const Toolz::Extended& b) {
  return a.Negative() == b.Negative() && a.BiasedExponent() == b.BiasedExponent() &&
         a.Significand() == b.Significand();
}

// Restores the separators and the locale id, which several tests change.
class HelperState : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    Toolz::FormatSettings = Toolz::FormatSettingsRecord{};
    Toolz::StartupLocaleId = 0x0409;
  }
  static void Marks(char16_t decimal, char16_t thousands) {
    Toolz::FormatSettings.DecimalMark = decimal;
    Toolz::FormatSettings.ThousandsMark = thousands;
  }
};

}  // namespace TestSupport
