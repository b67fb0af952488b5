#include <gtest/gtest.h>

#include "TestSupport.h"
#include "Velkor/Velkor.h"

namespace {

using Toolz::Text;

class Report : public TestSupport::HelperState {};

const Text English = u"The most common representations of this aspect ratio are: ";
const Text Swedish = u"Dem vanligaste representationerna av detta bildf\u00f6rh\u00e5llande \u00e4r: ";

Text ReportFor(std::int32_t width, std::int32_t height, Toolz::Flag swedish) {
  const Toolz::Extended ratio = Velkor::DisplayRatio(width, height);
  return Velkor::BuildReportText(width, height, ratio, Velkor::ScanRepresentations(ratio), swedish);
}

TEST_F(Report, TwoLinesSeparatedByAnEmptyLine) {
  struct Case {
    std::int32_t width, height;
    Toolz::Flag swedish;
    Text first, second;
  } cases[] = {
      {1920, 1080, 0, u"1,920 \u00d7 1,080 = 1.78:1.", English + u"16:9, 32:18."},
      {1280, 1024, 1, u"1,280 \u00d7 1,024 = 1.25:1.",
       Swedish + u"5:4, 10:8, 15:12, 20:16, 25:20, 30:24."},
      {1366, 768, 0, u"1,366 \u00d7 768 = 1.78:1.", English + u"."},
      {1080, 1920, 0, u"1,080 \u00d7 1,920 = 0.56:1.", English + u"9:16, 18:32, 27:48."},
      {800, 600, 0, u"800 \u00d7 600 = 1.33:1.",
       English + u"4:3, 8:6, 12:9, 16:12, 20:15, 24:18, 28:21, 32:24."},
      {1920, 1080, 2, u"1,920 \u00d7 1,080 = 1.78:1.", English + u"16:9, 32:18."},
      {-1920, 1080, 0, u"1,920 \u00d7 1,080 = -1.78:1.", English + u"16:-9, 32:-18."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReportFor(c.width, c.height, c.swedish), c.first + u"\r\n\r\n" + c.second);
  }
}

TEST_F(Report, OnlyTheSeparatorsFollowTheLocale) {
  Marks(u',', u' ');
  EXPECT_EQ(ReportFor(1920, 1080, 0),
            u"1 920 \u00d7 1 080 = 1,78:1.\r\n\r\n" + English + u"16:9, 32:18.");
  Marks(u',', u'.');
  EXPECT_EQ(ReportFor(1920, 1080, 0),
            u"1.920 \u00d7 1.080 = 1,78:1.\r\n\r\n" + English + u"16:9, 32:18.");
}

TEST_F(Report, TitlesInBothLanguages) {
  EXPECT_EQ(Velkor::ReportTitle(0), u"Tesk-Velkor 1.01");
  EXPECT_EQ(Velkor::ReportTitle(1), u"Velkor 1.01");
  EXPECT_EQ(Velkor::ReportTitle(2), u"Tesk-Velkor 1.01");
}

TEST(FaultReport, PatternFilledInOrder) {
  EXPECT_EQ(Velkor::FaultReportText("DivisionByZeroFault", u"velkor", 0x1A2B,
                                    "Floating point division by zero"),
            u"Exception DivisionByZeroFault in module velkor at 00001A2B.\r\n"
            u"Floating point division by zero.\r\n");
  // A message that ends in a full stop gets no second one; an empty one none.
  EXPECT_EQ(Velkor::FaultReportText("K", u"Velkor.exe", 0xABCDEF01, "Done."),
            u"Exception K in module Velkor.exe at ABCDEF01.\r\nDone.\r\n");
  EXPECT_EQ(Velkor::FaultReportText("K", u"m", 0, ""), u"Exception K in module m at 00000000.\r\n\r\n");
  EXPECT_EQ(Velkor::FaultReportText("K", u"m", 0x123456789, "x"),
            u"Exception K in module m at 123456789.\r\nx.\r\n");
}

}  // namespace
