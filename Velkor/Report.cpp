#include "Velkor/Velkor.h"

namespace Velkor {

namespace {

constexpr char16_t EnglishSentence[] = u"The most common representations of this aspect ratio are: ";
constexpr char16_t SwedishSentence[] =
    u"Dem vanligaste representationerna av detta bildf\u00f6rh\u00e5llande \u00e4r: ";
constexpr char16_t LineBreak[] = u"\r\n";

}  // namespace

Text BuildReportText(std::int32_t width, std::int32_t height, Extended ratio, Text list,
                     Flag swedish) {
  const Text widthText = Toolz::GroupedIntText(width);
  const Text heightText = Toolz::GroupedIntText(height);
  const Text ratioText = Toolz::TwoDecimalText(ratio);
  const Text sentence = Toolz::ChooseText(swedish, SwedishSentence, EnglishSentence);
  Text message;
  message += widthText;
  message += u" \u00d7 ";
  message += heightText;
  message += u" = ";
  message += ratioText;
  message += u":";
  message += u"1";
  message += u".";
  message += LineBreak;
  message += LineBreak;
  message += sentence;
  message += list;
  message += u".";
  return message;
}

Text ReportTitle(Flag swedish) {
  return Toolz::ChooseText(swedish, u"Velkor 1.01", u"Tesk-Velkor 1.01");
}

}  // namespace Velkor
