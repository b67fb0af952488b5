// Upper-casing by the system's own case tables.

#include "platform/Platform.h"
#include "platform/windows/Win32.h"

namespace Platform {

void UpperCaseBuffer(char16_t* buffer, std::uint32_t length) {
  CharUpperBuffW(Windows::Wide(buffer), length);
}

}  // namespace Platform
