// The fixed layout the frontends scale: complete, consistent and in the right focus order.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/FakeTray.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedDesktop.h"
#include "ui/ControlBindings.h"
#include "ui/FormLayout.h"

namespace hoverdeck {
namespace {

TEST(FormLayoutTest, ClientAreaIs649By516PixelsAt96DotsPerInch) {
  EXPECT_EQ(TwipsToPixels(kClientWidthTwips, 96), 649);
  EXPECT_EQ(TwipsToPixels(kClientHeightTwips, 96), 516);
  EXPECT_EQ(TwipsToPixels(1500, 120), 125);
  EXPECT_EQ(TwipsToPixels(15, 144), 2);  // rounds to the nearest
}

TEST(FormLayoutTest, EveryControlSitsInsideItsContainer) {
  std::set<std::string_view> names;
  for (const auto& control : FrmTopLayout()) {
    EXPECT_TRUE(names.insert(control.name).second) << control.name;
    int width = kClientWidthTwips;
    int height = kClientHeightTwips;
    if (!control.container.empty()) {
      const ControlLayout* container = FindFrmTopLayout(control.container);
      ASSERT_NE(container, nullptr) << control.name;
      EXPECT_EQ(container->type, ControlType::kFrame);
      width = container->width + 30;  // the panel's heading runs a hair wider than its frame
      height = container->height;
    }
    EXPECT_LE(control.left + control.width, width) << control.name;
    EXPECT_LE(control.top + control.height, height) << control.name;
  }
  EXPECT_EQ(names.size(), 32u);
}

TEST(FormLayoutTest, FocusOrderAndDrawingOrder) {
  std::vector<std::pair<int, std::string_view>> focus;
  for (const auto& control : FrmTopLayout()) {
    if (control.tab_index >= 0) focus.emplace_back(control.tab_index, control.name);
  }
  std::sort(focus.begin(), focus.end());
  std::vector<std::string_view> order;
  for (const auto& entry : focus) order.push_back(entry.second);
  EXPECT_EQ(order, (std::vector<std::string_view>{
                       "lstFenetresNonTopMost", "lstCatalogueTopMost", "cmdAjouter", "cmdModifier",
                       "cmdSupprimer", "lstFenetresTopMost", "cmdRefresh", "chkAllTopMost",
                       "chkAllDisableX", "cmdSupprimerDisableX", "cmdModifierDisableX",
                       "cmdAjouterDisableX", "lstCatalogueDisableX"}));
  // The topmost panel is drawn after, so above, the non-topmost list it covers.
  const auto layout = FrmTopLayout();
  const auto index = [&](std::string_view name) {
    return std::find_if(layout.begin(), layout.end(),
                        [&](const ControlLayout& c) { return c.name == name; }) -
           layout.begin();
  };
  EXPECT_GT(index("Frame3"), index("lstFenetresNonTopMost"));
}

TEST(ControlBindingsTest, EveryControlOfTheLayoutIsBoundToItsStateAndHandlers) {
  testing::SimulatedDesktop desktop;
  testing::FakeTray tray;
  testing::ScriptedDialogs dialogs;
  testing::FakeShell shell;
  testing::FakeHost host(std::filesystem::temp_directory_path());
  const frmTop form(FormPorts{desktop, desktop, tray, dialogs, shell, host});
  for (const auto& control : FrmTopLayout()) {
    const ControlBinding binding = BindingOf(form, control.name);
    switch (control.type) {
      case ControlType::kLabel:
      case ControlType::kButton:
        EXPECT_NE(binding.label, nullptr) << control.name;
        break;
      case ControlType::kFrame:
        EXPECT_EQ(binding.label != nullptr, control.name != "Frame3") << control.name;
        break;
      case ControlType::kListBox:
        ASSERT_NE(binding.list.list, nullptr) << control.name;
        EXPECT_FALSE(binding.list.checkable);
        EXPECT_TRUE(binding.list.click && binding.list.double_click && binding.list.mouse_down &&
                    binding.list.mouse_move && binding.list.lost_focus);
        break;
      case ControlType::kCheckListBox:
        ASSERT_NE(binding.list.list, nullptr) << control.name;
        EXPECT_TRUE(binding.list.checkable && binding.list.check_click &&
                    binding.list.check_double_click);
        break;
      case ControlType::kCheckBox:
        EXPECT_NE(binding.check_box, nullptr) << control.name;
        EXPECT_NE(binding.action, nullptr) << control.name;
        break;
      case ControlType::kPicture:
        break;
    }
    if (control.type == ControlType::kButton) {
      EXPECT_NE(binding.action, nullptr) << control.name;
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
