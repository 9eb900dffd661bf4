// Every control of the layout the frontends build is bound to its own state and handlers.
#include <gtest/gtest.h>

#include "support/FormDesk.h"
#include "ui/ControlBindings.h"
#include "ui/FormLayout.h"

namespace hoverdeck {
namespace {

TEST(FormLayoutTest, EveryControlIsBoundToItsOwnStateAndHandlers) {
  const testing::FormDesk desk;
  const frmTop& form = desk.form;
  for (const auto& control : FrmTopLayout()) {
    SCOPED_TRACE(control.name);
    const ControlBinding b = BindingOf(form, control.name);
    const ControlType type = control.type;
    const bool button = type == ControlType::kButton, check = type == ControlType::kCheckBox;
    EXPECT_TRUE(b.label || !(button || type == ControlType::kLabel));
    EXPECT_TRUE(type != ControlType::kFrame || (b.label != nullptr) == (control.name != "Frame3"));
    EXPECT_TRUE(b.action || !(button || check));
    EXPECT_TRUE(b.check_box || !check);
    if (type == ControlType::kListBox || type == ControlType::kCheckListBox) {
      ASSERT_NE(b.list.list, nullptr);
      const bool checkable = type == ControlType::kCheckListBox;
      EXPECT_EQ(b.list.checkable, checkable);
      EXPECT_TRUE(checkable ? b.list.check_click && b.list.check_double_click
                            : b.list.click && b.list.double_click && b.list.mouse_down &&
                                  b.list.mouse_move && b.list.lost_focus);
    }
  }
  // Names lead to their own state, not a neighbour's.
  EXPECT_EQ(BindingOf(form, "lblNbTopmost").label, &form.lblNbTopmost);
  EXPECT_EQ(BindingOf(form, "cmdSupprimerDisableX").action, &frmTop::cmdSupprimerDisableX_Click);
  EXPECT_EQ(BindingOf(form, "lstCatalogueDisableX").list.list, &form.lstCatalogueDisableX);
  EXPECT_EQ(BindingOf(form, "nothing").label, nullptr);
}

}  // namespace
}  // namespace hoverdeck
