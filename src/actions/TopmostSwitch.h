// Moving one window into or out of the topmost band.
#pragma once

#include "platform/WindowSystem.h"

namespace hoverdeck {

// Reads the window's rectangle and, when that succeeds, switches it in place. False when the
// rectangle could not be read (the window is gone) and nothing was asked of it.
bool SetTopmostState(WindowSystem& windows, WindowHandle window, bool topmost);

}  // namespace hoverdeck
