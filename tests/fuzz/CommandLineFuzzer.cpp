// Splitting a command line, and the language decision over what it yields,
// on arbitrary UTF-16 text.
//
// Input: one byte choosing the locale id, then UTF-16 code units (little
// endian) forming the command line. The same code units, cut at U+FFFF, also
// serve as arguments handed over already split.

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "Toolz/Toolz.h"
#include "platform/testing/Double.h"

namespace {

using Toolz::Text;
using Arguments = std::vector<Text>;

bool IsSeparator(char16_t c) { return c >= 0x0001 && c <= 0x0020; }

std::string Show(const Text& line, const Arguments& arguments) {
  std::string out = "line [" + Fuzz::Printable(line) + "] ->";
  for (const Text& a : arguments) out += " [" + Fuzz::Printable(a) + "]";
  return out;
}

// The switches as the decision must match them: whole arguments after the
// first, a to z without regard to case, the first switch deciding.
Toolz::Flag ExpectedSwedish(const Arguments& arguments, std::uint32_t locale) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    Text upper = arguments[i];
    for (char16_t& c : upper)
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if (upper == u"/SWEDISH") return 1;
    if (upper == u"/ENGLISH") return 0;
  }
  return locale == 0x041D ? 1 : 0;
}

Text WithoutSeparators(const Text& text, bool dropQuotes) {
  Text out;
  for (char16_t c : text)
    if (!IsSeparator(c) && !(dropQuotes && c == u'"')) out += c;
  return out;
}

void CheckSplit(const Text& line) {
  const Arguments arguments = Toolz::SplitCommandLine(line);
  const std::string shown = Show(line, arguments);
  FUZZ_CHECK(Toolz::SplitCommandLine(line) == arguments, shown);

  Text joined;
  bool anyQuote = false;
  for (const Text& a : arguments) {
    FUZZ_CHECK(!a.empty(), shown);
    FUZZ_CHECK(a.find(u'"') == Text::npos, shown);
    joined += a;
  }
  for (char16_t c : line) anyQuote = anyQuote || c == u'"';

  // Nothing but quotes and separators between arguments is ever dropped, and
  // nothing is reordered.
  FUZZ_CHECK(WithoutSeparators(joined, false) == WithoutSeparators(line, true), shown);

  // Without quotes, arguments are the runs between separators.
  if (!anyQuote) {
    Arguments runs;
    Text run;
    for (char16_t c : line) {
      if (IsSeparator(c)) {
        if (!run.empty()) runs.push_back(run);
        run.clear();
      } else {
        run += c;
      }
    }
    if (!run.empty()) runs.push_back(run);
    FUZZ_CHECK(runs == arguments, shown);
  }

  // Each argument quoted whole and the lot joined by blanks splits back into
  // the same arguments, separators inside them included.
  Text quoted;
  for (const Text& a : arguments) {
    if (!quoted.empty()) quoted += u' ';
    quoted += u'"';
    quoted += a;
    quoted += u'"';
  }
  FUZZ_CHECK(Toolz::SplitCommandLine(quoted) == arguments, shown + " requoted");
}

void CheckDecision(const Text& line, const Arguments& given, std::uint32_t locale) {
  Platform::Double::Reset();
  Toolz::StartupLocaleId = locale;

  Platform::Double::SetCommandLineText(line);
  const Arguments split = Toolz::SplitCommandLine(line);
  const Toolz::Flag fromText = Toolz::IsSwedish();
  FUZZ_CHECK(fromText == ExpectedSwedish(split, locale),
             Show(line, split) + " locale " + std::to_string(locale));

  Platform::Double::SetArguments(given);
  const Toolz::Flag fromArguments = Toolz::IsSwedish();
  FUZZ_CHECK(fromArguments == ExpectedSwedish(given, locale),
             Show(u"(split by the system)", given) + " locale " + std::to_string(locale));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fuzz::Reader input(data, size);
  const std::uint8_t choice = input.Take<std::uint8_t>();
  // Swedish (Sweden), English (United States), or one bit away from Swedish.
  const std::uint32_t locale = choice < 96    ? 0x041D
                               : choice < 192 ? 0x0409
                                              : 0x041D ^ (1u << (choice % 32));
  Text line;
  while (input.RestSize() >= 2) line += input.Take<char16_t>();

  Arguments given(1);
  for (char16_t c : line) {
    if (c == 0xFFFF) given.emplace_back();
    else given.back() += c;
  }

  CheckSplit(line);
  CheckDecision(line, given, locale);
  return 0;
}
