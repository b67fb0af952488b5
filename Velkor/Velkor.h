#pragma once
// The program proper: the ratio scan, the report text and the run.

#include <cstdint>

#include "Toolz/Extended.h"
#include "Toolz/Toolz.h"

namespace Velkor {

using Toolz::Extended;
using Toolz::Flag;
using Toolz::Text;

inline constexpr int MaxMultiplier = 32;

// The run's values, held for the whole run and released at shutdown.
extern Extended Ratio;
extern Extended ScanQuotient;
extern Text RepresentationList;

Extended DisplayRatio(std::int32_t width, std::int32_t height);
// Lists the forms m:n, m = 1..MaxMultiplier, whose quotient m / ratio is whole.
Text ScanRepresentations(Extended ratio);

Text BuildReportText(std::int32_t width, std::int32_t height, Extended ratio, Text list,
                     Flag swedish);
Text ReportTitle(Flag swedish);

// "Exception <kind> in module <module> at <offset>." CR LF "<message>." CR LF
Text FaultReportText(const char* kind, const Text& module, std::uintptr_t offset,
                     const char* message);

// Start-up: the locale id, then the separators, from the same thread locale.
void StartUp();
// The program's entry, from start-up to ending the process: exit code 0 once
// the box is dismissed, 1 after the fault report.
[[noreturn]] void RunReport();

}  // namespace Velkor
