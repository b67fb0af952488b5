// The language decision over 100,000 arguments of 1 KiB each, far beyond what
// one exec can carry on Linux. The time is printed for the record; it is a
// measurement, not a pass mark.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "Toolz/Toolz.h"
#include "platform/testing/Double.h"

namespace {

namespace Double = Platform::Double;

constexpr int Count = 100000;
constexpr std::size_t Length = 1024;

// Each argument begins like a switch and is far longer than one; the switch
// that decides is the very last argument, so every argument is compared.
std::vector<std::u16string> FloodArguments() {
  std::vector<std::u16string> arguments;
  arguments.reserve(Count + 1);
  arguments.emplace_back(u"velkor");
  for (int i = 0; i < Count - 1; ++i) {
    std::u16string argument(Length, static_cast<char16_t>(u'a' + i % 26));
    argument.replace(0, 8, i % 2 == 0 ? u"/swedish" : u"/ENGLISH");
    arguments.push_back(std::move(argument));
  }
  std::u16string last(u"/english");
  arguments.push_back(last);
  return arguments;
}

template <typename Step>
double MillisecondsOf(Step step) {
  const auto start = std::chrono::steady_clock::now();
  step();
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  return took.count();
}

class ArgumentFlood : public ::testing::Test {
 protected:
  void SetUp() override {
    Double::Reset();
    Toolz::StartupLocaleId = 0x041D;  // Swedish unless the last switch says otherwise
  }
  void TearDown() override {
    Double::Reset();
    Toolz::StartupLocaleId = 0x0409;
  }
};

TEST_F(ArgumentFlood, TheLastOfAHundredThousandArgumentsDecides) {
  std::vector<std::u16string> arguments = FloodArguments();

  std::u16string line;
  line.reserve((Length + 1) * arguments.size());
  for (const std::u16string& argument : arguments) {
    if (!line.empty()) line += u' ';
    line += argument;
  }
  std::vector<Toolz::Text> split;
  const double splitTime = MillisecondsOf([&] { split = Toolz::SplitCommandLine(line); });
  ASSERT_EQ(split.size(), arguments.size());
  EXPECT_EQ(split[1], arguments[1]);
  EXPECT_EQ(split.back(), u"/english");

  Toolz::Flag fromArguments = 1, fromText = 1;
  Double::SetArguments(std::move(arguments));
  const double argumentsTime = MillisecondsOf([&] { fromArguments = Toolz::IsSwedish(); });
  Double::SetCommandLineText(std::move(line));
  const double textTime = MillisecondsOf([&] { fromText = Toolz::IsSwedish(); });
  EXPECT_EQ(fromArguments, 0);
  EXPECT_EQ(fromText, 0);

  // Each decision includes the double's copy of the arguments or the text,
  // as the real platform decodes them anew for every decision.
  std::printf("[ measured ] one language decision over %d arguments of %zu code units: "
              "%.0f ms split by the system, %.0f ms from one command-line text "
              "(of which the split alone takes about %.0f ms)\n",
              Count, Length, argumentsTime, textTime, splitTime);
}

}  // namespace
