#pragma once
// Shared by the Linux platform files; not part of the platform interface.

#include <string>

namespace Platform::Linux {

// Keeps main's arguments for ProcessCommandLine, exactly as received.
void KeepArguments(int argc, char** argv);

// UTF-16 to UTF-8, for the toolkit; unpaired surrogates become U+FFFD.
std::string ToUtf8(const std::u16string& text);

}  // namespace Platform::Linux
