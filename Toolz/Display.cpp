#include "Toolz/Toolz.h"
#include "platform/Platform.h"

namespace Toolz {

namespace {

struct Measurement {
  int index;
  std::int32_t result;
};

void Measure(void* context) {
  auto* m = static_cast<Measurement*>(context);
  const Platform::WindowHandle desktop = Platform::DesktopWindow();
  const Platform::DeviceContext dc = Platform::DesktopContext(desktop);
  m->result = Platform::ContextCaps(dc, m->index);
  // The handle is asked for again: the one above may not outlive the context.
  Platform::ReleaseContext(Platform::DesktopWindow(), dc);
}

// A fault anywhere in the query is discarded: it leaves 0, or the value
// already measured when it came while releasing.
std::int32_t DesktopCaps(int index) {
  Measurement m{index, 0};
  try {
    Platform::RunTrapGuarded(&Measure, &m);
  } catch (...) {
  }
  return m.result;
}

}  // namespace

std::int32_t ScreenWidth() { return DesktopCaps(Platform::HorizontalResolution); }

std::int32_t ScreenHeight() { return DesktopCaps(Platform::VerticalResolution); }

void ShowInformation(std::uintptr_t owner, Text text, Text title) {
  const Text defaultCaption = ChooseText(IsSwedish(), u"Information", u"Information");
  const Text caption = ChooseText(title.empty() ? 1 : 0, defaultCaption, title);
  Platform::ShowMessageBox(owner, text.c_str(), caption.c_str(), Platform::InformationBoxStyle);
}

}  // namespace Toolz
