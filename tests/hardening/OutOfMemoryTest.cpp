// Memory exhaustion at every allocation of a whole run, on the platform double.
//
// Every allocation from the start of RunReport to the end of the process
// counts, the double's included: each operation of the double that allocates
// stands for a real one that allocates too (the command line is decoded into
// new texts, the box's texts are converted, the debugger query reads a file).
// Only the double's record of calls and boxes has no real counterpart; its
// vectors are reserved beforehand, so recording allocates no more than a long
// name or a copy of a box's texts, which the real box's conversion matches.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "CountingAllocator.h"
#include "Velkor/Velkor.h"
#include "platform/testing/Double.h"

namespace {

namespace Double = Platform::Double;

constexpr std::uint32_t InformationStyle = 0x40;
constexpr std::uint32_t ErrorStyle = 0x2010;
constexpr int Escaped = -1;  // something other than the end of the process left RunReport

struct Scenario {
  const char* Name;
  std::function<void()> SetUp;
  // The fault report's message when memory suffices for it: exhaustion, or
  // the scenario's own fault.
  std::u16string Message;
};

// What a run showed and left; gathered without allocating, so that the count
// of live blocks afterwards is the run's alone.
struct Outcome {
  int ExitCode = 0;
  std::int64_t Allocations = 0;
  std::int64_t Leaked = 0;
  int Boxes = 0;
  int InformationBoxes = 0;
  bool LastBoxIsReport = false;    // the full report with the expected message
  bool LastBoxIsFallback = false;  // the short report for want of memory
  bool ReportAttemptedLast = false;  // the calls end in ShowMessageBox, EndProcess
};

bool IsFullReport(const Double::ShownBox& box, const std::u16string& message) {
  static constexpr char16_t Start[] = u"Exception ";
  static constexpr char16_t Module[] = u" in module velkor at ";
  const std::u16string& t = box.Text;
  const std::size_t module = t.find(Module);
  if (t.compare(0, 10, Start) != 0 || module == std::u16string::npos) return false;
  const std::size_t at = module + (sizeof Module / sizeof Module[0] - 1);
  if (t.size() != at + 8 + 3 + message.size()) return false;
  for (std::size_t i = at; i < at + 8; ++i) {
    const char16_t c = t[i];
    if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) return false;
  }
  return t.compare(at + 8, 3, u".\r\n") == 0 && t.compare(at + 11, message.size(), message) == 0;
}

class OutOfMemory : public ::testing::Test {
 protected:
  void TearDown() override {
    Double::Reset();
    Toolz::FormatSettings = Toolz::FormatSettingsRecord{};
    Toolz::StartupLocaleId = 0x0409;
  }

  static Outcome Run(const Scenario& scenario, std::int64_t failAt, bool onward) {
    Double::Reset();
    Toolz::FormatSettings = Toolz::FormatSettingsRecord{};
    Toolz::StartupLocaleId = 0x0409;
    scenario.SetUp();
    Double::State& state = Double::Current();
    state.Calls.reserve(256);
    state.Boxes.reserve(8);
    state.CapsContexts.reserve(8);
    state.CapsIndexes.reserve(8);

    Outcome outcome;
    const std::int64_t liveBefore = Hardening::Counts().Live;
    Hardening::Arm(failAt, onward);
    try {
      Velkor::RunReport();
    } catch (const Double::ProcessEnded& ended) {
      outcome.ExitCode = ended.ExitCode;
    } catch (...) {
      outcome.ExitCode = Escaped;
    }
    Hardening::Disarm();
    outcome.Allocations = Hardening::Counts().Made;

    outcome.Boxes = static_cast<int>(state.Boxes.size());
    for (const Double::ShownBox& box : state.Boxes)
      if (box.Style == InformationStyle) ++outcome.InformationBoxes;
    if (!state.Boxes.empty()) {
      const Double::ShownBox& last = state.Boxes.back();
      const bool error = last.Style == ErrorStyle && last.Owner == 0 &&
                         last.Caption == u"Application Error";
      outcome.LastBoxIsReport = error && IsFullReport(last, scenario.Message);
      outcome.LastBoxIsFallback = error && last.Text == u"Out of memory.\r\n";
    }
    const std::size_t calls = state.Calls.size();
    outcome.ReportAttemptedLast = calls >= 2 && state.Calls[calls - 2] == "ShowMessageBox" &&
                                  state.Calls[calls - 1] == "EndProcess";
    // The record goes, its reserved buffers stay: what is left is the run's.
    state.Calls.clear();
    state.Boxes.clear();
    state.CapsContexts.clear();
    state.CapsIndexes.clear();
    outcome.Leaked = Hardening::Counts().Live - liveBefore;
    return outcome;
  }

  // The allocations of an undisturbed run, which must end as the scenario says.
  static std::int64_t AllocationsOfARun(const Scenario& scenario, int exitCode) {
    const Outcome clean = Run(scenario, 0, false);
    EXPECT_EQ(clean.ExitCode, exitCode) << scenario.Name;
    EXPECT_EQ(clean.Leaked, 0) << scenario.Name;
    EXPECT_GT(clean.Allocations, 0) << scenario.Name;
    return clean.Allocations;
  }
};

const Scenario Normal[] = {
    {"English, arguments split by the system", [] { Double::SetArguments({u"velkor"}); },
     u"Out of memory.\r\n"},
    {"Swedish by a switch in one command-line text, all 32 forms",
     [] {
       Double::SetCommandLineText(u"velkor x \"/swe\"dish /ENGLISH");
       Double::SetScreen(1024, 1024);
       Double::SetLocale(0x0409, u'\u00a0', u',');
     },
     u"Out of memory.\r\n"},
    {"a Swedish locale, no forms",
     [] {
       Double::SetArguments({u"velkor", u"/SWEDEN", u"--"});
       Double::SetScreen(1366, 768);
       Double::SetLocale(0x041D, u'\u202f', u',');
     },
     u"Out of memory.\r\n"},
};

const Scenario ZeroHeight = {"a failed height query", [] { Double::SetScreen(1920, 0); },
                             u"Floating point division by zero.\r\n"};

// One allocation fails and memory returns at once: whatever was under way
// ends in the report of the exhaustion, never in the information box.
TEST_F(OutOfMemory, AnyOneAllocationEndsTheRunInTheReport) {
  for (const Scenario& scenario : Normal) {
    const std::int64_t total = AllocationsOfARun(scenario, 0);
    for (std::int64_t n = 1; n <= total; ++n) {
      const Outcome o = Run(scenario, n, false);
      SCOPED_TRACE(::testing::Message() << scenario.Name << ", allocation " << n << " of " << total);
      ASSERT_EQ(o.ExitCode, 1);
      EXPECT_EQ(o.InformationBoxes, 0);
      EXPECT_EQ(o.Boxes, 1);
      EXPECT_TRUE(o.LastBoxIsReport);
      EXPECT_EQ(o.Leaked, 0);
      EXPECT_TRUE(Velkor::RepresentationList.empty());
    }
  }
}

// From some allocation on, nothing more can be had: the run still ends with
// exit code 1 after trying to show the report, and releases what it held.
TEST_F(OutOfMemory, ExhaustionFromAnyAllocationOnEndsWithOne) {
  for (const Scenario& scenario : Normal) {
    const std::int64_t total = AllocationsOfARun(scenario, 0);
    for (std::int64_t n = 1; n <= total; ++n) {
      const Outcome o = Run(scenario, n, true);
      SCOPED_TRACE(::testing::Message() << scenario.Name << ", allocations from " << n << " of "
                                        << total);
      ASSERT_EQ(o.ExitCode, 1);
      EXPECT_EQ(o.InformationBoxes, 0);
      EXPECT_TRUE(o.ReportAttemptedLast);
      EXPECT_EQ(o.Leaked, 0);
    }
  }
}

// A run that faults anyway meets exhaustion only while reporting: it then
// shows the short report instead of the full one.
TEST_F(OutOfMemory, ExhaustionWhileReportingAnotherFault) {
  const std::int64_t total = AllocationsOfARun(ZeroHeight, 1);
  for (std::int64_t n = 1; n <= total; ++n) {
    for (const bool onward : {false, true}) {
      const Outcome o = Run(ZeroHeight, n, onward);
      SCOPED_TRACE(::testing::Message() << "allocation " << n << " of " << total
                                        << (onward ? " and on" : " alone"));
      ASSERT_EQ(o.ExitCode, 1);
      EXPECT_EQ(o.InformationBoxes, 0);
      EXPECT_TRUE(o.ReportAttemptedLast);
      if (!onward) {
        EXPECT_TRUE(o.LastBoxIsReport || o.LastBoxIsFallback);
      }
      EXPECT_EQ(o.Leaked, 0);
    }
  }
}

// The counting covers the whole run: one allocation past its last, and the
// run is undisturbed.
TEST_F(OutOfMemory, AFailurePastTheLastAllocationChangesNothing) {
  for (const Scenario& scenario : Normal) {
    const std::int64_t total = AllocationsOfARun(scenario, 0);
    const Outcome o = Run(scenario, total + 1, true);
    EXPECT_EQ(o.ExitCode, 0) << scenario.Name;
    EXPECT_EQ(o.InformationBoxes, 1) << scenario.Name;
    EXPECT_EQ(o.Leaked, 0) << scenario.Name;
  }
  const Outcome faulted = Run(ZeroHeight, AllocationsOfARun(ZeroHeight, 1) + 1, true);
  EXPECT_TRUE(faulted.LastBoxIsReport);
}

}  // namespace
