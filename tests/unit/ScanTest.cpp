#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "TestSupport.h"
#include "Velkor/Velkor.h"

namespace {

using Toolz::Extended;
using Toolz::Text;

class Scan : public TestSupport::HelperState {};

struct ScanCase {
  std::int32_t width, height;
  const char16_t* list;
};

// The lists of a 64-bit significand: exact forms whose rounded quotient misses
// the whole number are left out (1200 x 1000 has no 18:15).
const ScanCase Cases[] = {
    {1920, 1080, u"16:9, 32:18"},
    {1280, 1024, u"5:4, 10:8, 15:12, 20:16, 25:20, 30:24"},
    {1366, 768, u""},
    {1024, 768, u"4:3, 8:6, 12:9, 16:12, 20:15, 24:18, 28:21, 32:24"},
    {800, 600, u"4:3, 8:6, 12:9, 16:12, 20:15, 24:18, 28:21, 32:24"},
    {1440, 900, u"8:5, 16:10, 24:15, 32:20"},
    {3000, 2000, u"3:2, 6:4, 9:6, 12:8, 15:10, 18:12, 21:14, 24:16, 27:18, 30:20"},
    {2560, 1080, u""},
    {1080, 1920, u"9:16, 18:32, 27:48"},
    {600, 1000, u"3:5, 6:10, 12:20, 21:35, 24:40, 27:45"},
    {1200, 1000, u"6:5, 12:10, 24:20"},
    {2400, 2000, u"6:5, 12:10, 24:20"},
    {1000, 700, u"30:21"},
    {1024, 960, u""},
    {1400, 1000, u"7:5, 14:10, 21:15, 28:20"},
    {900, 700, u"9:7, 18:14, 27:21"},
    {-1920, 1080, u"16:-9, 32:-18"},
    {1920, -1080, u"16:-9, 32:-18"},
    {-1920, -1080, u"16:9, 32:18"},
    {2147483647, 1, u""},
};

TEST_F(Scan, ListsTheFormsWhoseRoundedQuotientIsWhole) {
  for (const ScanCase& c : Cases) {
    const Extended ratio = Velkor::DisplayRatio(c.width, c.height);
    EXPECT_EQ(Velkor::ScanRepresentations(ratio), c.list) << c.width << " x " << c.height;
    EXPECT_EQ(Velkor::RepresentationList, c.list);
  }
}

TEST_F(Scan, EqualSidesListAllThirtyTwo) {
  Text all;
  for (int m = 1; m <= 32; ++m) all = Toolz::AppendItem(all, Toolz::IntText(m) + u":" + Toolz::IntText(m), u", ");
  EXPECT_EQ(Velkor::ScanRepresentations(Velkor::DisplayRatio(1024, 1024)), all);
  EXPECT_EQ(Velkor::ScanRepresentations(Velkor::DisplayRatio(2147483647, 2147483647)), all);
  // The last quotient stays in the module's value after the scan.
  EXPECT_TRUE(Velkor::ScanQuotient == Extended(32));
}

TEST_F(Scan, TheLargestQuotientsArePlainDigitsAndUngrouped) {
  Marks(u',', u'.');
  const Text list = Velkor::ScanRepresentations(Velkor::DisplayRatio(1, 2147483647));
  EXPECT_EQ(list.substr(0, 14), u"1:2147483647, ");
  EXPECT_EQ(list.substr(list.size() - 14), u"32:68719476704");
  EXPECT_EQ(std::count(list.begin(), list.end(), u':'), 32);
}

TEST_F(Scan, EveryListedFormIsExact) {
  // A listed n satisfies m * height == n * width in integers.
  for (std::int32_t width : {1000, 1200, 1366, 1600, 1920, 2560, 3440, 3840, 5120}) {
    for (std::int32_t height : {600, 700, 768, 900, 1000, 1080, 1200, 1440, 1600, 2160}) {
      const Text list = Velkor::ScanRepresentations(Velkor::DisplayRatio(width, height));
      std::size_t at = 0;
      while (at < list.size()) {
        const std::size_t colon = list.find(u':', at);
        std::size_t end = list.find(u',', colon);
        if (end == Text::npos) end = list.size();
        const std::int64_t m = std::stoll(TestSupport::Utf8(list.substr(at, colon - at)));
        const std::int64_t n = std::stoll(TestSupport::Utf8(list.substr(colon + 1, end - colon - 1)));
        EXPECT_EQ(m * height, n * width) << width << " x " << height;
        at = end + 2;
      }
    }
  }
}

TEST_F(Scan, ZeroSidesRaiseTheirFaults) {
  EXPECT_THROW(Velkor::DisplayRatio(1920, 0), Toolz::DivisionByZeroFault);
  EXPECT_THROW(Velkor::DisplayRatio(0, 0), Toolz::InvalidOperationFault);
  const Extended zero = Velkor::DisplayRatio(0, 1080);
  EXPECT_TRUE(zero.IsZero());
  Velkor::RepresentationList = u"stale";
  EXPECT_THROW(Velkor::ScanRepresentations(zero), Toolz::DivisionByZeroFault);
  EXPECT_EQ(Velkor::RepresentationList, u"") << "emptied before the first step faults";
}

}  // namespace
