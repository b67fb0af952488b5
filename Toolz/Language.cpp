#include "Toolz/Toolz.h"
#include "platform/Platform.h"

namespace Toolz {

std::uint32_t StartupLocaleId = 0x0409;

namespace {

constexpr std::uint32_t SwedishSweden = 0x041D;
constexpr std::uint32_t EnglishUnitedStates = 0x0409;

bool IsSeparator(char16_t c) { return c >= 0x0001 && c <= 0x0020; }

std::vector<Text> CommandLineArguments() {
  Platform::CommandLine line = Platform::ProcessCommandLine();
  if (line.IsOneText) return SplitCommandLine(line.OneText);
  return std::move(line.Arguments);
}

}  // namespace

void LoadStartupLocaleId() {
  StartupLocaleId = EnglishUnitedStates;
  const std::uint32_t locale = Platform::ThreadLocaleId();
  if (locale != 0) StartupLocaleId = locale;
}

std::vector<Text> SplitCommandLine(const Text& commandLine) {
  std::vector<Text> arguments;
  const std::size_t n = commandLine.size();
  std::size_t i = 0;
  for (;;) {
    // Between arguments, separators and pairs of adjacent quotes are skipped.
    while (i < n) {
      if (IsSeparator(commandLine[i])) {
        ++i;
      } else if (commandLine[i] == u'"' && i + 1 < n && commandLine[i + 1] == u'"') {
        i += 2;
      } else {
        break;
      }
    }
    if (i == n) break;
    if (commandLine[i] == u'"' && i + 1 == n) break;  // a lone quote at the end
    Text argument;
    bool quoted = false;
    // Copies runs between quotes and separators whole: command lines can be long.
    while (i < n) {
      std::size_t end = i;
      while (end < n && commandLine[end] != u'"' && (quoted || !IsSeparator(commandLine[end]))) ++end;
      argument.append(commandLine, i, end - i);
      i = end;
      if (i == n || commandLine[i] != u'"') break;
      quoted = !quoted;
      ++i;
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

Flag IsSwedish() {
  const std::vector<Text> arguments = CommandLineArguments();
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (TextEquals(arguments[i], u"/SWEDISH", 0) == 1) return 1;
    if (TextEquals(arguments[i], u"/ENGLISH", 0) == 1) return 0;
  }
  return StartupLocaleId == SwedishSweden ? 1 : 0;
}

}  // namespace Toolz
