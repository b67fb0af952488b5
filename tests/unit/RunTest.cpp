#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <string>

#include "TestSupport.h"
#include "Velkor/Velkor.h"
#include "platform/testing/Double.h"

namespace {

namespace Double = Platform::Double;
using Strings = std::vector<std::string>;

class Run : public TestSupport::HelperState {
 protected:
  void SetUp() override {
    HelperState::SetUp();
    Double::Reset();
  }
  // Runs the whole program against the double and returns its exit code.
  static int RunToExit() {
    try {
      Velkor::RunReport();
    } catch (const Double::ProcessEnded& ended) {
      return ended.ExitCode;
    }
    ADD_FAILURE() << "the run returned";
    return -1;
  }
  static Double::State& Platform() { return Double::Current(); }
};

TEST_F(Run, CallsInOrderAndEndsWithZero) {
  Double::SetArguments({u"velkor"});
  EXPECT_EQ(RunToExit(), 0);
  const Strings expected = {
      "ThreadLocaleId", "ThreadLocaleId", "LocaleInfoText", "LocaleInfoText",       // start-up
      "DesktopWindow", "DesktopContext", "ContextCaps", "DesktopWindow", "ReleaseContext",
      "DesktopWindow", "DesktopContext", "ContextCaps", "DesktopWindow", "ReleaseContext",
      "ProcessCommandLine",                                                         // the sentence
      "ProcessCommandLine",                                                         // the title
      "ProcessCommandLine", "ShowMessageBox",                                       // the caption
      "EndProcess"};
  // Upper-casing happens only while matching switches; none here.
  EXPECT_EQ(Platform().Calls, expected);
  ASSERT_EQ(Platform().Boxes.size(), 1u);
  EXPECT_EQ(Platform().Boxes[0].Caption, u"Tesk-Velkor 1.01");
  EXPECT_EQ(Platform().Boxes[0].Text,
            u"1,920 \u00d7 1,080 = 1.78:1.\r\n\r\nThe most common representations of this aspect "
            u"ratio are: 16:9, 32:18.");
  EXPECT_EQ(Platform().Boxes[0].Style, 0x40u);
  EXPECT_TRUE(Velkor::RepresentationList.empty()) << "released at shutdown";
}

TEST_F(Run, LanguageAndSeparatorsComeFromTheStartUpLocale) {
  Double::SetLocale(0x041D, u'\u202f', u',');
  Double::SetScreen(1280, 1024);
  EXPECT_EQ(RunToExit(), 0);
  ASSERT_EQ(Platform().Boxes.size(), 1u);
  EXPECT_EQ(Platform().Boxes[0].Caption, u"Velkor 1.01");
  EXPECT_EQ(Platform().Boxes[0].Text,
            u"1\u202f280 \u00d7 1\u202f024 = 1,25:1.\r\n\r\nDem vanligaste representationerna av "
            u"detta bildf\u00f6rh\u00e5llande \u00e4r: 5:4, 10:8, 15:12, 20:16, 25:20, 30:24.");
}

TEST_F(Run, SwitchesOverrideTheLocaleForSentenceAndTitleAlike) {
  struct Case {
    std::u16string argument;
    std::uint32_t locale;
    std::u16string title, sentenceStart;
  } cases[] = {
      {u"/SWEDISH", 0x0409, u"Velkor 1.01", u"Dem vanligaste"},
      {u"/english", 0x041D, u"Tesk-Velkor 1.01", u"The most common"},
  };
  for (const Case& c : cases) {
    Double::Reset();
    Double::SetArguments({u"velkor", c.argument});
    Double::SetLocale(c.locale, u',', u'.');
    EXPECT_EQ(RunToExit(), 0);
    ASSERT_EQ(Platform().Boxes.size(), 1u);
    EXPECT_EQ(Platform().Boxes[0].Caption, c.title);
    EXPECT_NE(Platform().Boxes[0].Text.find(u"\r\n\r\n" + c.sentenceStart), std::u16string::npos);
  }
}

TEST_F(Run, ABoxThatCannotBeShownStillEndsWithZero) {
  Platform().Hook.ShowMessageBox = [](const Double::ShownBox&) { return 0; };
  EXPECT_EQ(RunToExit(), 0);
  EXPECT_EQ(Platform().Boxes.size(), 1u);
}

TEST_F(Run, FailedQueriesEndInTheFaultReport) {
  struct Case {
    std::int32_t width, height;
    const char16_t* kind;
    const char16_t* message;
  } cases[] = {
      {1920, 0, u"DivisionByZeroFault", u"Floating point division by zero.\r\n"},
      {0, 1080, u"DivisionByZeroFault", u"Floating point division by zero.\r\n"},
      {0, 0, u"InvalidOperationFault", u"Invalid floating point operation.\r\n"},
  };
  for (const Case& c : cases) {
    Double::Reset();
    Double::SetScreen(c.width, c.height);
    EXPECT_EQ(RunToExit(), 1);
    ASSERT_EQ(Platform().Boxes.size(), 1u) << "only the fault report, never the information box";
    const Double::ShownBox& box = Platform().Boxes[0];
    EXPECT_EQ(box.Caption, u"Application Error");
    EXPECT_EQ(box.Style, 0x2010u);
    EXPECT_EQ(box.Owner, 0u);
    EXPECT_EQ(box.Text.rfind(std::u16string(u"Exception ") + c.kind + u" in module velkor at ", 0), 0u)
        << TestSupport::Utf8(box.Text);
    const std::size_t at = box.Text.find(u" at ");
    EXPECT_EQ(box.Text.substr(at + 12, 3), u".\r\n");  // eight hex digits
    EXPECT_EQ(box.Text.substr(at + 15), c.message);
    EXPECT_TRUE(Velkor::RepresentationList.empty());
  }
}

TEST_F(Run, MemoryExhaustionIsReportedAsOutOfMemory) {
  Platform().Hook.ProcessCommandLine = []() -> Platform::CommandLine { throw std::bad_alloc(); };
  EXPECT_EQ(RunToExit(), 1);
  ASSERT_EQ(Platform().Boxes.size(), 1u);
  EXPECT_EQ(Platform().Boxes[0].Text.rfind(u"Exception OutOfMemoryFault in module velkor at ", 0), 0u);
  EXPECT_NE(Platform().Boxes[0].Text.find(u"\r\nOut of memory.\r\n"), std::u16string::npos);
}

TEST_F(Run, ADebuggerIsLeftTheFault) {
  Double::SetScreen(1920, 0);
  Platform().Hook.DebuggerClaimsFault = [] { return true; };
  EXPECT_THROW(Velkor::RunReport(), Toolz::DivisionByZeroFault);
  EXPECT_TRUE(Platform().Boxes.empty());
  EXPECT_EQ(std::count(Platform().Calls.begin(), Platform().Calls.end(), "EndProcess"), 0);
}

}  // namespace
