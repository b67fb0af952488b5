// The desktop measurement and the message box: user32 and gdi32.

#include "platform/Platform.h"
#include "platform/windows/Win32.h"

namespace Platform {

using Windows::Wide;

WindowHandle DesktopWindow() { return reinterpret_cast<WindowHandle>(GetDesktopWindow()); }

DeviceContext DesktopContext(WindowHandle desktop) {
  return reinterpret_cast<DeviceContext>(GetDC(reinterpret_cast<HWND>(desktop)));
}

std::int32_t ContextCaps(DeviceContext context, int index) {
  return GetDeviceCaps(reinterpret_cast<HDC>(context), index);
}

int ReleaseContext(WindowHandle desktop, DeviceContext context) {
  return ReleaseDC(reinterpret_cast<HWND>(desktop), reinterpret_cast<HDC>(context));
}

int ShowMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                   std::uint32_t style) {
  return MessageBoxW(reinterpret_cast<HWND>(owner), Wide(text), Wide(caption), style);
}

}  // namespace Platform
