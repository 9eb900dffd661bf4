#include "actions/TopmostSwitch.h"

namespace hoverdeck {

bool SetTopmostState(WindowSystem& windows, WindowHandle window, bool topmost) {
  const auto rect = windows.Rect(window);
  if (!rect) return false;
  windows.SetTopmost(window, topmost, *rect);
  return true;
}

}  // namespace hoverdeck
