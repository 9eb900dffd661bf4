#include "actions/CloseItem.h"

namespace hoverdeck {

CloseItemChange DisableCloseItem(WindowSystem& windows, WindowHandle window) {
  const auto state = windows.CloseItemState(window);
  if (!state) return CloseItemChange::kUnreadable;
  if (IsCloseItemDisabled(*state)) return CloseItemChange::kAlreadyDisabled;
  if (!windows.SetCloseItemState(window, *state | kCloseItemDisabledBits)) {
    return CloseItemChange::kWriteRefused;
  }
  return CloseItemChange::kDisabled;
}

CloseItemChange ToggleCloseItem(WindowSystem& windows, WindowHandle window) {
  const auto state = windows.CloseItemState(window);
  if (!state) return CloseItemChange::kUnreadable;
  const bool disabled = IsCloseItemDisabled(*state);
  const std::uint32_t wanted =
      disabled ? (*state & ~kCloseItemDisabledBits) : (*state | kCloseItemDisabledBits);
  if (!windows.SetCloseItemState(window, wanted)) return CloseItemChange::kWriteRefused;
  return disabled ? CloseItemChange::kEnabled : CloseItemChange::kDisabled;
}

}  // namespace hoverdeck
