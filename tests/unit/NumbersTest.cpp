#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "TestSupport.h"
#include "Toolz/Toolz.h"

namespace {

using Toolz::Extended;
using Toolz::Text;
using TestSupport::Quotient;

class NumberTexts : public TestSupport::HelperState {
 protected:
  // A value and its text under the decimal marks '.' and ','.
  struct MarkCase {
    Extended value;
    const char16_t* period;
    const char16_t* comma;
  };
  template <std::size_t N>
  static void ExpectUnderBothDecimalMarks(Text (*format)(Extended), const MarkCase (&cases)[N]) {
    for (const MarkCase& c : cases) {
      Marks(u'.', u',');
      EXPECT_EQ(format(c.value), c.period);
      Marks(u',', u'.');
      EXPECT_EQ(format(c.value), c.comma);
    }
  }
};

TEST_F(NumberTexts, GroupedIntTextUnderThreeThousandsMarks) {
  struct Case {
    std::int64_t value;
    const char16_t* comma;
    const char16_t* period;
    const char16_t* none;
  } cases[] = {
      {0, u"0", u"0", u"0"},
      {5, u"5", u"5", u"5"},
      {768, u"768", u"768", u"768"},
      {999, u"999", u"999", u"999"},
      {1000, u"1,000", u"1.000", u"1000"},
      {1080, u"1,080", u"1.080", u"1080"},
      {1920, u"1,920", u"1.920", u"1920"},
      {10000, u"10,000", u"10.000", u"10000"},
      {100000, u"100,000", u"100.000", u"100000"},
      {1234567, u"1,234,567", u"1.234.567", u"1234567"},
      {2147483647, u"2,147,483,647", u"2.147.483.647", u"2147483647"},
      {-1234, u"1,234", u"1.234", u"1234"},
      {-2147483648LL, u"2,147,483,648", u"2.147.483.648", u"2147483648"},
      {999999999999999999LL, u"999,999,999,999,999,999", u"999.999.999.999.999.999",
       u"999999999999999999"},
  };
  for (const Case& c : cases) {
    Marks(u'.', u',');
    EXPECT_EQ(Toolz::GroupedIntText(c.value), c.comma) << c.value;
    Marks(u',', u'.');
    EXPECT_EQ(Toolz::GroupedIntText(c.value), c.period) << c.value;
    Marks(u'.', u'\0');
    EXPECT_EQ(Toolz::GroupedIntText(c.value), c.none) << c.value;
  }
  // Any code unit may be the mark, such as the narrow no-break space.
  Marks(u',', u'\u202f');
  EXPECT_EQ(Toolz::GroupedIntText(1920), u"1\u202f920");
}

TEST_F(NumberTexts, GroupedIntTextFromTenTo18IsTheGeneralForm) {
  EXPECT_EQ(Toolz::GroupedIntText(1000000000000000000LL), u"1E18");
  EXPECT_EQ(Toolz::GroupedIntText(-1000000000000000000LL), u"-1E18");
  EXPECT_EQ(Toolz::GroupedIntText(std::numeric_limits<std::int64_t>::max()), u"9.22337203685478E18");
  EXPECT_EQ(Toolz::GroupedIntText(std::numeric_limits<std::int64_t>::min()), u"-9.22337203685478E18");
}

TEST_F(NumberTexts, TwoDecimalTextOfRatios) {
  const MarkCase cases[] = {
      {Quotient(1920, 1080), u"1.78", u"1,78"},
      {Quotient(1366, 768), u"1.78", u"1,78"},
      {Quotient(1280, 1024), u"1.25", u"1,25"},
      {Quotient(1680, 1050), u"1.60", u"1,60"},
      {Quotient(2560, 1080), u"2.37", u"2,37"},
      {Quotient(3440, 1440), u"2.39", u"2,39"},
      {Quotient(800, 600), u"1.33", u"1,33"},
      {Quotient(1080, 1920), u"0.56", u"0,56"},
      {Quotient(9, 8), u"1.13", u"1,13"},  // a decimal half goes up, not to even
      {Quotient(5, 8), u"0.63", u"0,63"},
      {Quotient(1, 8), u"0.13", u"0,13"},
      {Quotient(201, 200), u"1.01", u"1,01"},  // just below 1.005, but 18 digits reach it
      {Quotient(1015, 1000), u"1.02", u"1,02"},
      {Quotient(1, 200), u"0.01", u"0,01"},
      {Quotient(1, 201), u"0.00", u"0,00"},
      {Extended(0), u"0.00", u"0,00"},
      {Extended(2147483647), u"2147483647.00", u"2147483647,00"},
      {Quotient(1, 2147483647), u"0.00", u"0,00"},
      {Quotient(-1920, 1080), u"-1.78", u"-1,78"},
      {Quotient(-1, 300), u"0.00", u"0,00"},  // rounds to zero: no sign
      {Quotient(1999, 200), u"10.00", u"10,00"},  // the carry reaches a new digit
      {Quotient(999, 1000), u"1.00", u"1,00"},
      {Quotient(12345, 1), u"12345.00", u"12345,00"},  // never grouped
      {Quotient(2147483647, 2), u"1073741823.50", u"1073741823,50"},
  };
  ExpectUnderBothDecimalMarks(Toolz::TwoDecimalText, cases);
}

TEST_F(NumberTexts, TwoDecimalTextOnlyGoesUpThroughTheFullSignificand) {
  // Narrowed to 53 bits first, the nearest value to 201/200 would give 1.00.
  const Extended narrowed = Extended::FromBits(false, 0x3FFF, 0x80A3D70A3D70A000);
  EXPECT_EQ(Toolz::TwoDecimalText(narrowed), u"1.00");
  EXPECT_EQ(Toolz::TwoDecimalText(Quotient(201, 200)), u"1.01");
  EXPECT_EQ(Toolz::TwoDecimalText(Extended(1000000000000000000LL)), u"1E18");
}

TEST_F(NumberTexts, FloatTextGeneralForm) {
  const MarkCase cases[] = {
      {Extended(0), u"0", u"0"},
      {Extended(9), u"9", u"9"},
      {Extended(-9), u"-9", u"-9"},
      {Extended(1080), u"1080", u"1080"},
      {Extended(68719476704LL), u"68719476704", u"68719476704"},
      {Extended(999999999999999LL), u"999999999999999", u"999999999999999"},
      {Extended(1000000000000000LL), u"1E15", u"1E15"},
      {Quotient(3, 2), u"1.5", u"1,5"},
      {Quotient(-5, 2), u"-2.5", u"-2,5"},
      {Quotient(1, 3), u"0.333333333333333", u"0,333333333333333"},
      {Quotient(2, 3), u"0.666666666666667", u"0,666666666666667"},
      {Quotient(1, 10000), u"0.0001", u"0,0001"},
      {Quotient(1, 100000), u"1E-5", u"1E-5"},
      {Quotient(-1, 100000), u"-1E-5", u"-1E-5"},
      {Quotient(1, 10000000000LL), u"1E-10", u"1E-10"},
      {Quotient(12345, 100000000), u"0.00012345", u"0,00012345"},
      {Quotient(123456789, 1000000), u"123.456789", u"123,456789"},
      {Quotient(1999999999999999LL, 2), u"1E15", u"1E15"},  // 15 digits carry into 16
      {Extended(1234567890123456789LL), u"1.23456789012346E18", u"1,23456789012346E18"},
      {Extended(std::numeric_limits<std::int64_t>::min()), u"-9.22337203685478E18",
       u"-9,22337203685478E18"},
      {Quotient(1, 2147483647), u"4.6566128752458E-10", u"4,6566128752458E-10"},
  };
  ExpectUnderBothDecimalMarks(Toolz::FloatText, cases);
}

TEST_F(NumberTexts, ANulDecimalMarkIsWrittenANulThousandsMarkIsNot) {
  Marks(u'\0', u'\0');
  EXPECT_EQ(Toolz::TwoDecimalText(Quotient(3, 2)), Text(u"1\0" u"50", 4));
  EXPECT_EQ(Toolz::FloatText(Quotient(3, 2)), Text(u"1\0" u"5", 3));
  EXPECT_EQ(Toolz::GroupedIntText(1234567), u"1234567");
}

TEST_F(NumberTexts, IntTextIsPlainDigits) {
  Marks(u',', u'.');
  EXPECT_EQ(Toolz::IntText(0), u"0");
  EXPECT_EQ(Toolz::IntText(32), u"32");
  EXPECT_EQ(Toolz::IntText(1920), u"1920");
  EXPECT_EQ(Toolz::IntText(-7), u"-7");
  EXPECT_EQ(Toolz::IntText(std::numeric_limits<std::int32_t>::max()), u"2147483647");
  EXPECT_EQ(Toolz::IntText(std::numeric_limits<std::int32_t>::min()), u"-2147483648");
}

TEST(DecimalDigits, RoundsTwiceFirstToEighteenDigits) {
  auto digits = [](const Toolz::DecimalForm& f) { return std::string(f.Digits, static_cast<std::size_t>(f.Count)); };
  // The 18 working digits of 201/200 are 100500000000000000.
  Toolz::DecimalForm f = Toolz::DecimalDigits(Quotient(201, 200), 18, 18);
  EXPECT_EQ(digits(f), "1005");
  EXPECT_EQ(f.Exponent, 1);
  f = Toolz::DecimalDigits(Quotient(201, 200), 18, 2);
  EXPECT_EQ(digits(f), "101");
  // Carry out of the first digit: 0.999 at two places is 1.
  f = Toolz::DecimalDigits(Quotient(999, 1000), 18, 2);
  EXPECT_EQ(digits(f), "1");
  EXPECT_EQ(f.Exponent, 1);
  // Nothing left at the requested place, and below it.
  f = Toolz::DecimalDigits(Quotient(1, 201), 18, 2);
  EXPECT_EQ(f.Count, 0);
  EXPECT_EQ(f.Exponent, 0);
  EXPECT_FALSE(f.Negative);
  f = Toolz::DecimalDigits(Quotient(1, 200000), 18, 2);
  EXPECT_EQ(f.Count, 0);
  // Half at an empty place still rounds up to one unit there.
  f = Toolz::DecimalDigits(Quotient(-1, 200), 18, 2);
  EXPECT_EQ(digits(f), "1");
  EXPECT_EQ(f.Exponent, -1);
  EXPECT_TRUE(f.Negative);
  // A precision limit rounds half up on the magnitude.
  f = Toolz::DecimalDigits(Extended(-125), 2, 10);
  EXPECT_EQ(digits(f), "13");
  EXPECT_EQ(f.Exponent, 3);
  // An exponent estimate one too low is mended by the division by ten.
  f = Toolz::DecimalDigits(Extended(1000), 18, 0);
  EXPECT_EQ(digits(f), "1");
  EXPECT_EQ(f.Exponent, 4);
  f = Toolz::DecimalDigits(Extended(999999999999999999LL), 18, 0);
  EXPECT_EQ(digits(f), "999999999999999999");
  EXPECT_EQ(f.Exponent, 18);
}

TEST(IsWholeNumber, ComparesWithTheExactTruncation) {
  struct Case {
    Extended value;
    Toolz::Flag whole;
  } cases[] = {
      {Extended(3), 1},
      {Extended(-3), 1},
      {Extended(0), 1},
      {-Extended(0), 1},
      {Quotient(5, 2), 0},
      {Quotient(-5, 2), 0},
      {Quotient(-1, 2), 0},
      {Extended::FromBits(false, 0x403E, 0x8000000000000001), 1},  // 2^63 + 1
      {Extended::FromBits(false, 0x7FFE, 0xFFFFFFFFFFFFFFFF), 1},
      {Extended::FromBits(false, 0x403D, 0xFFFFFFFFFFFFFFFF), 0},  // 2^63 - 1/2
      {Extended::FromBits(false, 0, 1), 0},                       // smallest subnormal
  };
  for (const Case& c : cases) EXPECT_EQ(Toolz::IsWholeNumber(c.value), c.whole);
  EXPECT_THROW(Toolz::IsWholeNumber(Extended::FromBits(false, 0x7FFF, 0xC000000000000000)),
               Toolz::InvalidOperationFault);  // a NaN
}

}  // namespace
