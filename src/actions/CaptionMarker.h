// The marker put in front of topmost captions, such as "[TOPMOST] ".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/WindowSystem.h"

namespace hoverdeck {

// Exact, case-sensitive test at the very start of the caption. An empty marker begins nothing.
bool BeginsWithMarker(std::string_view caption, std::string_view marker);

// The caption the marker rule wants for a window, or nullopt when the caption is right as it is:
// a topmost window gets the marker while `marker_on`, and loses it when not; a non-topmost
// window always loses it.
std::optional<std::string> MarkerRuleCaption(std::string_view caption, bool topmost,
                                             std::string_view marker, bool marker_on);

// The caption without its leading marker (unchanged when it does not begin with it).
std::string WithoutMarker(std::string_view caption, std::string_view marker);

// Takes the marker away from every kept topmost window's caption at once (before the marker
// changes); non-topmost windows are not looked at.
void RemoveMarkerFromTopmostCaptions(WindowSystem& windows, WindowHandle main_window,
                                     std::string_view marker);

}  // namespace hoverdeck
