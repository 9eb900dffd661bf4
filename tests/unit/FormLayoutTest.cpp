// The fixed layout the frontends scale: complete, consistent and in the right focus order.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

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
  EXPECT_FALSE(FindFrmTopLayout("PictureTopMost")->shown);
  EXPECT_EQ(FindFrmTopLayout("Label1")->background, kBannerBlue);
  EXPECT_EQ(FindFrmTopLayout("lstFenetresTopMost")->background, kPaleGrey);
  EXPECT_EQ(FindFrmTopLayout("lblUpdate")->text_colour, TextColour::kPaleRed);
}

}  // namespace
}  // namespace hoverdeck
