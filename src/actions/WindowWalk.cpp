#include "actions/WindowWalk.h"

namespace hoverdeck {

void WalkKeptWindows(WindowSystem& windows, WindowHandle main_window, const WindowVisitor& visit,
                     const WindowSkip& skip) {
  WindowHandle window = windows.FirstWindow(main_window);
  for (int step = 0; window != kNoWindow && step < kWalkLimit; ++step) {
    if (!skip || !skip(window)) {
      // All three are asked, in this order, before anything else.
      const bool has_parent = windows.HasParent(window);
      const bool visible = windows.IsVisible(window);
      const bool enabled = windows.IsEnabled(window);
      if (visible && enabled && !has_parent) {
        std::string caption = windows.Caption(window);
        if (!caption.empty()) visit(window, caption);
      }
    }
    window = windows.NextWindow(window);
  }
}

}  // namespace hoverdeck
