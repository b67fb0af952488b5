#include <cstdint>
#include <utility>

#include "Toolz/Toolz.h"
#include "platform/Platform.h"

namespace Toolz {

Text ChooseText(Flag flag, Text whenTrue, Text whenFalse) {
  return flag == 1 ? whenTrue : whenFalse;
}

Text AppendItem(Text list, Text item, Text separator) {
  if (list.empty()) return item;
  list += separator;
  list += item;
  return list;
}

Text UpperText(Text text) {
  if (text.empty()) return text;
  Platform::UpperCaseBuffer(text.data(), static_cast<std::uint32_t>(text.size()));
  return text;
}

Flag TextEquals(Text first, Text second, Flag caseSensitive) {
  if (caseSensitive == 1) return first == second ? 1 : 0;
  // Both sides are upper-cased, in this order, even when the lengths differ.
  const Text upperFirst = UpperText(std::move(first));
  const Text upperSecond = UpperText(std::move(second));
  return upperFirst == upperSecond ? 1 : 0;
}

Text IntText(std::int32_t value) {
  char16_t digits[11];
  int count = 0;
  // Work on the magnitude as unsigned so the most negative value needs no special case.
  std::uint32_t magnitude =
      value < 0 ? ~static_cast<std::uint32_t>(value) + 1 : static_cast<std::uint32_t>(value);
  do {
    digits[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  Text text;
  text.reserve(static_cast<std::size_t>(count) + 1);
  if (value < 0) text += u'-';
  while (count > 0) text += digits[--count];
  return text;
}

}  // namespace Toolz
