// The thread locale and its separators.

#include "platform/Platform.h"
#include "platform/windows/Win32.h"

namespace Platform {

std::uint32_t ThreadLocaleId() { return GetThreadLocale(); }

int LocaleInfoText(std::uint32_t locale, std::uint32_t type, char16_t* buffer, int size) {
  return GetLocaleInfoW(locale, type, Windows::Wide(buffer), size);
}

}  // namespace Platform
