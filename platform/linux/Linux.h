#pragma once
// Shared by the Linux platform files; not part of the platform interface.

#include <locale.h>

#include <string>
#include <string_view>

namespace Platform::Linux {

// Keeps main's arguments for ProcessCommandLine, exactly as received.
void KeepArguments(int argc, char** argv);

// UTF-16 to UTF-8, for the toolkit; unpaired surrogates become U+FFFD.
std::string ToUtf8(const std::u16string& text);
// UTF-8 to UTF-16; every byte that does not decode becomes U+FFFD.
std::u16string FromUtf8(std::string_view bytes);
// Bytes in the character set of a locale's LC_CTYPE; every byte that does
// not decode becomes U+FFFD.
std::u16string DecodeInCharacterSet(std::string_view bytes, locale_t ctype);

}  // namespace Platform::Linux
