// Command-line arguments, upper-casing and UTF conversions.

#include <clocale>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <langinfo.h>
#include <locale.h>

#include "platform/Platform.h"
#include "platform/linux/Linux.h"

namespace Platform::Linux {

namespace {

int keptCount = 0;
char** keptArguments = nullptr;

constexpr char16_t Replacement = 0xFFFD;

void AppendCodePoint(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

// Bytes in the encoding of the given C-type locale; every byte that does not
// decode becomes U+FFFD, so a bad argument can never look like a switch.
std::u16string DecodeInLocale(std::string_view bytes, locale_t ctype) {
  const locale_t previous = uselocale(ctype);
  std::u16string out;
  std::mbstate_t state{};
  std::size_t i = 0;
  while (i < bytes.size()) {
    wchar_t wc = 0;
    const std::size_t used = std::mbrtowc(&wc, bytes.data() + i, bytes.size() - i, &state);
    if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2)) {
      out += Replacement;
      state = std::mbstate_t{};
      ++i;
    } else {
      AppendCodePoint(out, used == 0 ? U'\0' : static_cast<char32_t>(wc));
      i += used == 0 ? 1 : used;
    }
  }
  uselocale(previous);
  return out;
}

bool IsUtf8Codeset(const char* codeset) {
  return codeset != nullptr && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

}  // namespace

std::u16string FromUtf8(std::string_view bytes) {
  std::u16string out;
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  auto byteAt = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  while (i < n) {
    const unsigned char b = byteAt(i);
    int length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      length = 2, c = b & 0x1F, minimum = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3, c = b & 0x0F, minimum = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4, c = b & 0x07, minimum = 0x10000;
    } else {
      out += Replacement;
      ++i;
      continue;
    }
    bool valid = i + static_cast<std::size_t>(length) <= n;
    for (int k = 1; valid && k < length; ++k) {
      const unsigned char t = byteAt(i + static_cast<std::size_t>(k));
      valid = (t & 0xC0) == 0x80;
      c = (c << 6) | (t & 0x3F);
    }
    if (!valid || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += Replacement;
      ++i;
      continue;
    }
    AppendCodePoint(out, c);
    i += static_cast<std::size_t>(length);
  }
  return out;
}

std::string ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// ASCII counts as UTF-8 here: it is its subset, and the C locale's bytes
// above 0x7F are most often UTF-8 that the environment failed to name.
std::u16string DecodeInCharacterSet(std::string_view bytes, locale_t ctype) {
  const char* codeset = nl_langinfo_l(CODESET, ctype);
  if (IsUtf8Codeset(codeset) || std::strcmp(codeset, "ANSI_X3.4-1968") == 0) return FromUtf8(bytes);
  return DecodeInLocale(bytes, ctype);
}

void KeepArguments(int argc, char** argv) {
  keptCount = argc;
  keptArguments = argv;
}

}  // namespace Platform::Linux

namespace Platform {

CommandLine ProcessCommandLine() {
  CommandLine line;
  line.Arguments.reserve(static_cast<std::size_t>(Linux::keptCount));
  const locale_t ctype = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  for (int i = 0; i < Linux::keptCount && Linux::keptArguments[i] != nullptr; ++i) {
    const std::string_view bytes = Linux::keptArguments[i];
    line.Arguments.push_back(ctype == static_cast<locale_t>(nullptr)
                                 ? Linux::FromUtf8(bytes)
                                 : Linux::DecodeInCharacterSet(bytes, ctype));
  }
  if (ctype != static_cast<locale_t>(nullptr)) freelocale(ctype);
  return line;
}

void UpperCaseBuffer(char16_t* buffer, std::uint32_t length) {
  // One fixed Unicode mapping, whatever the user's locale, as a code unit at a
  // time: a form that needs a surrogate pair or two letters keeps the original.
  static const locale_t unicode =
      newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  for (std::uint32_t i = 0; i < length; ++i) {
    const char16_t c = buffer[i];
    if (c >= u'a' && c <= u'z') {
      buffer[i] = static_cast<char16_t>(c - (u'a' - u'A'));
    } else if (c >= 0x80 && (c < 0xD800 || c > 0xDFFF) && unicode != static_cast<locale_t>(nullptr)) {
      const wint_t upper = towupper_l(static_cast<wint_t>(c), unicode);
      if (upper < 0x10000 && (upper < 0xD800 || upper > 0xDFFF)) buffer[i] = static_cast<char16_t>(upper);
    }
  }
}

}  // namespace Platform
