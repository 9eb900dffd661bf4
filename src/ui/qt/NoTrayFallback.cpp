#include "ui/qt/NoTrayFallback.h"

namespace hoverdeck {

WindowPresentation NoTrayFallback::Present(bool core_visible, WindowState core_state) {
  const bool minimized = core_state == WindowState::kMinimized;
  if (core_visible) return {true, minimized};
  if (tray_available_ || !minimized) return {false, minimized};
  if (!message_given_) message_due_ = true;
  return {true, true};
}

bool NoTrayFallback::TakeMessage() {
  if (!message_due_) return false;
  message_due_ = false;
  message_given_ = true;
  return true;
}

std::string NoTrayFallback::MessageText(bool iconified) {
  std::string text =
      "This desktop has no system tray (notification area), so Hoverdeck cannot hide in it. ";
  text += iconified ? "The window stays minimized in the taskbar instead."
                    : "This window manager does not minimize windows, so the window stays open "
                      "on the screen instead.";
  return text;
}

}  // namespace hoverdeck
