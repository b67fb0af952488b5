#include <gtest/gtest.h>

#include "TestSupport.h"
#include "Toolz/Toolz.h"
#include "platform/testing/Double.h"

namespace {

using Toolz::Text;
namespace Double = Platform::Double;

class TextRoutines : public ::testing::Test {
 protected:
  void SetUp() override { Double::Reset(); }
};

TEST_F(TextRoutines, ChooseTextTakesOnlyExactlyOneAsTrue) {
  EXPECT_EQ(Toolz::ChooseText(1, u"yes", u"no"), u"yes");
  EXPECT_EQ(Toolz::ChooseText(0, u"yes", u"no"), u"no");
  EXPECT_EQ(Toolz::ChooseText(2, u"yes", u"no"), u"no");
  EXPECT_EQ(Toolz::ChooseText(255, u"yes", u"no"), u"no");
}

TEST_F(TextRoutines, AppendItemTestsOnlyTheList) {
  EXPECT_EQ(Toolz::AppendItem(u"", u"16:9", u", "), u"16:9");
  EXPECT_EQ(Toolz::AppendItem(u"", u"", u", "), u"");
  EXPECT_EQ(Toolz::AppendItem(u"16:9", u"32:18", u", "), u"16:9, 32:18");
  EXPECT_EQ(Toolz::AppendItem(u"16:9", u"", u", "), u"16:9, ");
  EXPECT_EQ(Toolz::AppendItem(u"a", u"b", u""), u"ab");
}

TEST_F(TextRoutines, UpperTextCallsThePlatformOnceOverTheWholeLength) {
  std::vector<std::uint32_t> lengths;
  Double::Current().Hook.UpperCaseBuffer = [&](char16_t* buffer, std::uint32_t length) {
    lengths.push_back(length);
    for (std::uint32_t i = 0; i < length; ++i) buffer[i] = u'X';
  };
  const Text original(u"a\0b\u00e4", 4);
  EXPECT_EQ(Toolz::UpperText(original), u"XXXX");
  EXPECT_EQ(original, Text(u"a\0b\u00e4", 4));  // the argument is not changed
  EXPECT_EQ(lengths, std::vector<std::uint32_t>{4});
  EXPECT_EQ(Toolz::UpperText(u""), u"");
  EXPECT_EQ(lengths.size(), 1u) << "the empty text needs no platform call";
}

TEST_F(TextRoutines, TextEqualsComparesCodeUnitsAfterOptionalUpperCasing) {
  struct Case {
    const char16_t* first;
    const char16_t* second;
    Toolz::Flag caseSensitive;
    Toolz::Flag equal;
  } cases[] = {
      {u"/swedish", u"/SWEDISH", 0, 1},
      {u"/swedish", u"/SWEDISH", 1, 0},
      {u"/Swedish", u"/SWEDISH", 2, 1},  // only exactly 1 means case-sensitive
      {u"", u"", 0, 1},
      {u"", u"", 1, 1},
      {u"/SWEDISH", u"/SWEDISH ", 0, 0},
      {u"/SWEDISH", u"/SWEDIS", 1, 0},
      {u"-SWEDISH", u"/SWEDISH", 0, 0},
      {u"\u00e9", u"\u00c9", 1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Toolz::TextEquals(c.first, c.second, c.caseSensitive), c.equal)
        << TestSupport::Utf8(c.first) << " / " << TestSupport::Utf8(c.second);
  }
  // No normalisation: a precomposed letter is not its decomposed form.
  EXPECT_EQ(Toolz::TextEquals(u"\u00e4", u"a\u0308", 0), 0);
}

}  // namespace
