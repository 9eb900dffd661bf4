// The fixed layout the frontends scale: complete, consistent, and every control bound to its
// state and handlers.
#include <gtest/gtest.h>

#include <set>

#include "support/FormDesk.h"
#include "ui/ControlBindings.h"
#include "ui/FormLayout.h"

namespace hoverdeck {
namespace {

TEST(FormLayoutTest, ClientAreaIs649By516PixelsAt96DotsPerInchAndScalesRounded) {
  EXPECT_EQ(TwipsToPixels(kClientWidthTwips, 96), 649);
  EXPECT_EQ(TwipsToPixels(kClientHeightTwips, 96), 516);
  EXPECT_EQ(TwipsToPixels(1500, 120), 125);
  EXPECT_EQ(TwipsToPixels(15, 144), 2);
}

// Names are unique, each control lies inside its frame or the window, the focus order has no
// doubles, and the topmost panel is drawn after, so above, the list it covers.
TEST(FormLayoutTest, ControlsAreUniqueInsideTheirContainersAndInOneFocusOrder) {
  std::set<std::string_view> names;
  std::set<int> focus;
  int drawn = 0, frame3 = -1, list = -1;
  for (const auto& control : FrmTopLayout()) {
    EXPECT_TRUE(names.insert(control.name).second) << control.name;
    EXPECT_TRUE(control.tab_index < 0 || focus.insert(control.tab_index).second);
    const ControlLayout* frame = FindFrmTopLayout(control.container);
    if (!control.container.empty()) {
      ASSERT_NE(frame, nullptr) << control.name;
      EXPECT_EQ(frame->type, ControlType::kFrame);
    }
    // The panel's heading runs a hair wider than its frame.
    EXPECT_LE(control.left + control.width, frame ? frame->width + 30 : kClientWidthTwips);
    EXPECT_LE(control.top + control.height, frame ? frame->height : kClientHeightTwips);
    if (control.name == "Frame3") frame3 = drawn;
    if (control.name == "lstFenetresNonTopMost") list = drawn;
    ++drawn;
  }
  EXPECT_EQ(names.size(), 32u);
  EXPECT_EQ(focus.size(), 13u);
  EXPECT_GT(frame3, list);
}

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
