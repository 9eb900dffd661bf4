// Which state and which handlers belong to each named control of the main window, so that every
// frontend wires the same control to the same handler.
#pragma once

#include <optional>
#include <string_view>

#include "ui/frmTop.h"

namespace hoverdeck {

struct ListBinding {
  const SortedList* list = nullptr;  // null for controls that are not lists
  bool checkable = false;
  // Window lists.
  void (frmTop::*click)(int) = nullptr;
  void (frmTop::*double_click)() = nullptr;
  void (frmTop::*mouse_down)(int) = nullptr;
  void (frmTop::*mouse_move)(int, std::optional<int>) = nullptr;
  void (frmTop::*lost_focus)() = nullptr;
  // Catalogue lists.
  void (frmTop::*check_click)(int, bool) = nullptr;
  void (frmTop::*check_double_click)(int) = nullptr;
};

struct ControlBinding {
  const Label* label = nullptr;  // the text of a label, button or frame
  const CheckBox* check_box = nullptr;
  ListBinding list;
  // A button's or frame's click, a banner's mouse move, a check box's press.
  void (frmTop::*action)() = nullptr;
};

// The binding of the control of that name in the main window's layout; empty for unknown names.
ControlBinding BindingOf(const frmTop& form, std::string_view name);

}  // namespace hoverdeck
