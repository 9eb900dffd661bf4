// Disabling and re-enabling the Close item (and so the X button) of a window.
#pragma once

#include <cstdint>

#include "platform/WindowSystem.h"

namespace hoverdeck {

enum class CloseItemChange {
  kUnreadable,       // the state could not be read; nothing was written
  kAlreadyDisabled,  // nothing to do
  kDisabled,         // both bits set and written back
  kEnabled,          // both bits cleared and written back
  kWriteRefused,     // the new state could not be written
};

// Sets both disabled bits, keeping every other bit, unless they are set already.
CloseItemChange DisableCloseItem(WindowSystem& windows, WindowHandle window);

// Re-enables a disabled item, disables an enabled one.
CloseItemChange ToggleCloseItem(WindowSystem& windows, WindowHandle window);

}  // namespace hoverdeck
