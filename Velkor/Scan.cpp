#include "Velkor/Velkor.h"

namespace Velkor {

Extended Ratio;
Extended ScanQuotient;
Text RepresentationList;

Extended DisplayRatio(std::int32_t width, std::int32_t height) {
  return Extended(width) / Extended(height);
}

Text ScanRepresentations(Extended ratio) {
  RepresentationList = Text();
  for (std::int32_t m = 1; m <= MaxMultiplier; ++m) {
    // Always from the rounded ratio: an exact form whose rounded quotient
    // misses the whole number is deliberately not listed.
    ScanQuotient = Extended(m) / ratio;
    if (Toolz::IsWholeNumber(ScanQuotient) != 1) continue;
    Text entry = Toolz::IntText(m);
    entry += u':';
    entry += Toolz::FloatText(ScanQuotient);
    RepresentationList = Toolz::AppendItem(std::move(RepresentationList), std::move(entry), u", ");
  }
  return RepresentationList;
}

}  // namespace Velkor
