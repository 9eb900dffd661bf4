#include "actions/CaptionMarker.h"

#include "actions/WindowWalk.h"

namespace hoverdeck {

bool BeginsWithMarker(std::string_view caption, std::string_view marker) {
  return !marker.empty() && caption.substr(0, marker.size()) == marker;
}

std::string WithoutMarker(std::string_view caption, std::string_view marker) {
  if (!BeginsWithMarker(caption, marker)) return std::string(caption);
  return std::string(caption.substr(marker.size()));
}

std::optional<std::string> MarkerRuleCaption(std::string_view caption, bool topmost,
                                             std::string_view marker, bool marker_on) {
  if (marker.empty()) return std::nullopt;
  const bool marked = BeginsWithMarker(caption, marker);
  if (topmost && marker_on && !marked) {
    std::string result(marker);
    result += caption;
    return result;
  }
  if (marked && (!topmost || !marker_on)) return WithoutMarker(caption, marker);
  return std::nullopt;
}

void RemoveMarkerFromTopmostCaptions(WindowSystem& windows, WindowHandle main_window,
                                     std::string_view marker) {
  WalkKeptWindows(windows, main_window, [&](WindowHandle window, std::string& caption) {
    if (windows.IsTopmost(window) && BeginsWithMarker(caption, marker)) {
      windows.SetCaption(window, WithoutMarker(caption, marker));
    }
  });
}

}  // namespace hoverdeck
