// Disabling and re-enabling the Close item (and so the X button) of a window.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/WindowSystem.h"

namespace hoverdeck {

enum class CloseItemChange {
  kUnreadable,       // the state could not be read; nothing was written
  kAlreadyDisabled,  // nothing to do
  kDisabled,         // both bits set and written back
  kEnabled,          // both bits cleared and written back
  kWriteRefused,     // the new state could not be written
  kLeftAlone,        // a write was due but `may_write` said no
};

// Sets both disabled bits, keeping every other bit, unless they are set already. `may_write`,
// when given, is asked only once a write is due.
CloseItemChange DisableCloseItem(WindowSystem& windows, WindowHandle window,
                                 const std::function<bool()>& may_write = {});

// Re-enables a disabled item, disables an enabled one.
CloseItemChange ToggleCloseItem(WindowSystem& windows, WindowHandle window);

}  // namespace hoverdeck
