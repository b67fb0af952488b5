#pragma once
// Shared by the Windows platform files; not part of the platform interface.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

namespace Platform::Windows {

// UTF-16 on both sides: the platform's wide characters are the program's
// code units, so texts pass to and from the system without conversion.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const char16_t* Units(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

}  // namespace Platform::Windows
