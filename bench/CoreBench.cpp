// The computation behind the box, and the software division set against the
// processor's own extended division. Figures only: nothing here asserts a
// speed, the summary at the end prints the ratios the README quotes.

#include <benchmark/benchmark.h>

#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "Velkor/Velkor.h"

namespace {

using Toolz::Extended;

// Read through volatiles on every iteration, so that no compiler can fold the
// work into a constant or hoist it out of the loop.
volatile std::int32_t SizeWidth = 1920;
volatile std::int32_t SizeHeight = 1080;

// The quotient the scan computes most: m / ratio, here 7 / (1920 / 1080).
volatile std::int64_t Numerator = 7;
volatile std::int64_t DivisorWidth = 1920;
volatile std::int64_t DivisorHeight = 1080;

void WholeComputation(benchmark::State& state) {
  SizeWidth = static_cast<std::int32_t>(state.range(0));
  SizeHeight = static_cast<std::int32_t>(state.range(1));
  for (auto _ : state) {
    const std::int32_t width = SizeWidth;
    const std::int32_t height = SizeHeight;
    const Extended ratio = Velkor::DisplayRatio(width, height);
    Velkor::Text list = Velkor::ScanRepresentations(ratio);
    Velkor::Text report = Velkor::BuildReportText(width, height, ratio, std::move(list), 0);
    benchmark::DoNotOptimize(report.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(WholeComputation)->Args({1920, 1080})->Args({1280, 1024})->Args({1366, 768});

// The parts of it, to see where the whole goes.
void ScanOnly(benchmark::State& state) {
  const Extended ratio = Velkor::DisplayRatio(SizeWidth, SizeHeight);
  for (auto _ : state) {
    Velkor::Text list = Velkor::ScanRepresentations(ratio);
    benchmark::DoNotOptimize(list.data());
  }
}
BENCHMARK(ScanOnly);

void ReportOnly(benchmark::State& state) {
  const Extended ratio = Velkor::DisplayRatio(SizeWidth, SizeHeight);
  const Velkor::Text list = Velkor::ScanRepresentations(ratio);
  for (auto _ : state) {
    Velkor::Text report = Velkor::BuildReportText(SizeWidth, SizeHeight, ratio, list, 0);
    benchmark::DoNotOptimize(report.data());
  }
}
BENCHMARK(ReportOnly);

void SoftwareDivision(benchmark::State& state) {
  const Extended ratio = Extended(DivisorWidth) / Extended(DivisorHeight);
  volatile std::uint64_t ratioBits = ratio.Significand();
  volatile std::uint16_t ratioExponent = ratio.BiasedExponent();
  for (auto _ : state) {
    const Extended numerator(Numerator);
    const Extended divisor = Extended::FromBits(false, ratioExponent, ratioBits);
    Extended quotient = numerator / divisor;
    benchmark::DoNotOptimize(quotient);
  }
}
BENCHMARK(SoftwareDivision);

// Each quotient the divisor of the next (x := 7 / x swings between two
// values), so this measures a division's latency, not its throughput.
void SoftwareDivisionChain(benchmark::State& state) {
  Extended x = Extended(DivisorWidth) / Extended(DivisorHeight);
  for (auto _ : state) {
    x = Extended(Numerator) / x;
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(SoftwareDivisionChain);

#if (defined(__x86_64__) || defined(__i386__)) && LDBL_MANT_DIG == 64
#define VELKOR_HAVE_X87 1

// The same quotient on the x87 unit at its full 64-bit precision. Its
// operands are converted from the same volatile integers each time, as the
// software side builds its own from them.
void HardwareDivision(benchmark::State& state) {
  std::uint16_t saved;
  asm volatile("fnstcw %0" : "=m"(saved));
  const std::uint16_t extended = 0x037F;
  asm volatile("fldcw %0" : : "m"(extended));
  volatile long double ratio =
      static_cast<long double>(DivisorWidth) / static_cast<long double>(DivisorHeight);
  for (auto _ : state) {
    const long double numerator = static_cast<long double>(Numerator);
    long double quotient = numerator / ratio;
    benchmark::DoNotOptimize(quotient);
  }
  asm volatile("fldcw %0" : : "m"(saved));
}
BENCHMARK(HardwareDivision);

void HardwareDivisionChain(benchmark::State& state) {
  std::uint16_t saved;
  asm volatile("fnstcw %0" : "=m"(saved));
  const std::uint16_t extended = 0x037F;
  asm volatile("fldcw %0" : : "m"(extended));
  long double x = static_cast<long double>(DivisorWidth) / static_cast<long double>(DivisorHeight);
  for (auto _ : state) {
    x = static_cast<long double>(Numerator) / x;
    // Kept on the x87 stack: a store and reload each time would add the
    // latency of an 80-bit store forward to every division.
    asm volatile("" : "+t"(x));
  }
  asm volatile("fldcw %0" : : "m"(saved));
}
BENCHMARK(HardwareDivisionChain);
#endif

// Prints as usual and keeps each benchmark's time per iteration for the
// summary.
class KeepingReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only for a terminal, as the library's own reporter does.
  KeepingReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

  std::map<std::string, double> nanoseconds;

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration || run.iterations == 0) {
        continue;
      }
      const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
      // Repetitions of one benchmark: keep the fastest, the least disturbed.
      auto [entry, fresh] = nanoseconds.try_emplace(run.benchmark_name(), seconds * 1e9);
      if (!fresh && seconds * 1e9 < entry->second) entry->second = seconds * 1e9;
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  KeepingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const auto& ns = reporter.nanoseconds;
  std::printf("\n");
  if (auto whole = ns.find("WholeComputation/1920/1080"); whole != ns.end()) {
    std::printf("whole computation for 1920 x 1080: %.2f us (target: well under 10 us)\n",
                whole->second / 1000.0);
  }
#ifdef VELKOR_HAVE_X87
  for (const char* kind : {"", "Chain"}) {
    auto soft = ns.find(std::string("SoftwareDivision") + kind);
    auto hard = ns.find(std::string("HardwareDivision") + kind);
    if (soft == ns.end() || hard == ns.end() || hard->second <= 0) continue;
    std::printf("division %s: software %.2f ns, x87 %.2f ns, software/x87 = %.2f "
                "(target: 3 or less)\n",
                *kind ? "latency (chained)" : "throughput (independent)", soft->second,
                hard->second, soft->second / hard->second);
  }
#else
  std::printf("no x87 extended format here: the division is not compared\n");
#endif
  return 0;
}
