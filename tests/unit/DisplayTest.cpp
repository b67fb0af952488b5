#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "TestSupport.h"
#include "Toolz/Toolz.h"
#include "platform/testing/Double.h"

namespace {

namespace Double = Platform::Double;
using Strings = std::vector<std::string>;

class Display : public TestSupport::HelperState {
 protected:
  void SetUp() override {
    HelperState::SetUp();
    Double::Reset();
  }
  static Double::State& Platform() { return Double::Current(); }
};

TEST_F(Display, MeasuresThroughAFreshDesktopHandle) {
  Double::SetScreen(2560, 1440);
  std::vector<Platform::WindowHandle> released;
  Platform::WindowHandle next = 100;
  Platform().Hook.DesktopWindow = [&] { return next++; };
  Platform().Hook.ReleaseContext = [&](Platform::WindowHandle w, Platform::DeviceContext) {
    released.push_back(w);
    return 1;
  };
  EXPECT_EQ(Toolz::ScreenWidth(), 2560);
  EXPECT_EQ(Toolz::ScreenHeight(), 1440);
  EXPECT_EQ(Platform().Calls, (Strings{"DesktopWindow", "DesktopContext", "ContextCaps", "DesktopWindow",
                                       "ReleaseContext", "DesktopWindow", "DesktopContext",
                                       "ContextCaps", "DesktopWindow", "ReleaseContext"}));
  EXPECT_EQ(Platform().CapsIndexes, (std::vector<int>{8, 10}));
  EXPECT_EQ(released, (std::vector<Platform::WindowHandle>{101, 103}));
}

TEST_F(Display, AFaultBeforeTheMeasurementGivesZero) {
  Platform().Hook.DesktopWindow = [] () -> Platform::WindowHandle { throw std::runtime_error("no display"); };
  EXPECT_EQ(Toolz::ScreenWidth(), 0);
  Double::Reset();
  Platform().Hook.DesktopContext = [](Platform::WindowHandle) -> Platform::DeviceContext { throw 42; };
  EXPECT_EQ(Toolz::ScreenHeight(), 0);
  Double::Reset();
  Platform().Hook.ContextCaps = [](Platform::DeviceContext, int) -> std::int32_t {
    throw Toolz::OutOfMemoryFault(nullptr);
  };
  EXPECT_EQ(Toolz::ScreenWidth(), 0);
}

TEST_F(Display, AFaultWhileReleasingKeepsTheMeasuredValue) {
  Platform().Hook.ReleaseContext = [](Platform::WindowHandle, Platform::DeviceContext) -> int {
    throw std::runtime_error("release failed");
  };
  EXPECT_EQ(Toolz::ScreenWidth(), 1920);
  EXPECT_EQ(Toolz::ScreenHeight(), 1080);
  // The second handle is asked for before the release, so a fault there also keeps it.
  int calls = 0;
  Double::Reset();
  Platform().Hook.DesktopWindow = [&]() -> Platform::WindowHandle {
    if (++calls == 2) throw std::runtime_error("gone");
    return 7;
  };
  EXPECT_EQ(Toolz::ScreenWidth(), 1920);
}

TEST_F(Display, ANullContextIsPassedOn) {
  Platform().Hook.DesktopContext = [](Platform::WindowHandle) { return Platform::DeviceContext{0}; };
  Platform().Hook.ContextCaps = [](Platform::DeviceContext dc, int) { return dc == 0 ? -5 : 1; };
  EXPECT_EQ(Toolz::ScreenWidth(), -5);
  EXPECT_EQ(Platform().CapsContexts, (std::vector<Platform::DeviceContext>{0}));
}

TEST_F(Display, ShowInformationCaptions) {
  struct Case {
    const char16_t* title;
    std::vector<std::u16string> arguments;
    std::u16string caption;
  } cases[] = {
      {u"", {u"velkor"}, u"Information"},
      {u"", {u"velkor", u"/SWEDISH"}, u"Information"},
      {u" ", {u"velkor"}, u" "},
      {u"Velkor 1.01", {u"velkor", u"/SWEDISH"}, u"Velkor 1.01"},
  };
  for (const Case& c : cases) {
    Double::Reset();
    Double::SetArguments(c.arguments);
    Toolz::ShowInformation(0, u"line 1\r\nline 2", c.title);
    ASSERT_EQ(Platform().Boxes.size(), 1u);
    const Double::ShownBox& box = Platform().Boxes[0];
    EXPECT_EQ(box.Caption, c.caption);
    EXPECT_EQ(box.Text, u"line 1\r\nline 2");
    EXPECT_EQ(box.Owner, 0u);
    EXPECT_EQ(box.Style, 0x40u);
    // The language is asked on every call, also when the title is used.
    EXPECT_EQ(std::count(Platform().Calls.begin(), Platform().Calls.end(), "ProcessCommandLine"), 1);
  }
}

TEST_F(Display, AnEmptyTextIsAnEmptyStringAndFailuresGoUnnoticed) {
  const char16_t* seen = nullptr;
  Platform().Hook.ShowMessageBox = [&](const Double::ShownBox& box) {
    seen = box.Text.c_str();
    return 0;  // the box could not be shown
  };
  EXPECT_NO_THROW(Toolz::ShowInformation(0, u"", u"T"));
  ASSERT_EQ(Platform().Boxes.size(), 1u);
  EXPECT_NE(seen, nullptr);
  EXPECT_EQ(Platform().Boxes[0].Text, u"");
}

TEST_F(Display, AFaultWhileFormingTheCaptionPassesOn) {
  Platform().Hook.ProcessCommandLine = []() -> Platform::CommandLine { throw std::bad_alloc(); };
  EXPECT_THROW(Toolz::ShowInformation(0, u"x", u"T"), std::bad_alloc);
  EXPECT_TRUE(Platform().Boxes.empty());
}

}  // namespace
