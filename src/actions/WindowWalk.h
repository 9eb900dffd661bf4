// The walk over the top-level windows that the scan and the marker change share.
#pragma once

#include <functional>
#include <string>

#include "platform/WindowSystem.h"

namespace hoverdeck {

// A bound on the steps of one walk, so that a window system that keeps handing out windows (or
// a Z-order that keeps changing under the walk) can never freeze the program.
inline constexpr int kWalkLimit = 1'000'000;

using WindowVisitor = std::function<void(WindowHandle, std::string& caption)>;
using WindowSkip = std::function<bool(WindowHandle)>;

// Visits, from the top of the Z-order down, every window that is visible, enabled, without
// parent and with a non-empty caption, giving its caption. The next window is asked of the one
// just visited after the visit, so a window the visitor moved is walked on from its new place.
// Windows for which `skip` answers true are passed over without a question.
void WalkKeptWindows(WindowSystem& windows, WindowHandle main_window, const WindowVisitor& visit,
                     const WindowSkip& skip = {});

}  // namespace hoverdeck
