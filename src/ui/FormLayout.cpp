#include "ui/FormLayout.h"

#include <array>

namespace hoverdeck {
namespace {

using enum ControlType;

constexpr ControlLayout Banner(std::string_view name, std::string_view container, int left, int top,
                               int width, int height, bool bold, bool right) {
  ControlLayout layout{name, kLabel, container, left, top, width, height};
  layout.bold = bold;
  layout.right_aligned = right;
  layout.background = kBannerBlue;
  layout.text_colour = TextColour::kCaptionText;
  return layout;
}

constexpr ControlLayout Plain(std::string_view name, ControlType type, std::string_view container,
                              int left, int top, int width, int height, int tab = -1,
                              bool bold = false) {
  ControlLayout layout{name, type, container, left, top, width, height, tab};
  layout.bold = bold;
  return layout;
}

constexpr std::array kLayout = [] {
  ControlLayout prog_name_title = Plain("lbllblProgName", kLabel, "", 180, 105, 1050, 195);
  prog_name_title.underline = true;
  prog_name_title.right_aligned = true;
  ControlLayout update = Plain("lblUpdate", kLabel, "", 6960, 120, 2535, 255);
  update.right_aligned = true;
  update.text_colour = TextColour::kPaleRed;
  ControlLayout non_topmost = Plain("lstFenetresNonTopMost", kListBox, "", 120, 735, 9495, 1980, 0);
  non_topmost.background = kWhite;
  ControlLayout topmost = Plain("lstFenetresTopMost", kListBox, "Frame3", 0, 315, 4695, 1200, 11);
  topmost.background = kPaleGrey;
  ControlLayout picture = Plain("PictureTopMost", kPicture, "", 0, 1200, 540, 540);
  picture.shown = false;
  return std::array{
      prog_name_title,
      Plain("lblProgName", kLabel, "", 1320, 0, 8265, 360),
      update,
      Banner("Label1", "", 120, 420, 9495, 405, true, false),
      Banner("lblNbNonTopmost", "", 8760, 500, 735, 400, false, true),
      non_topmost,
      Plain("Frame3", kFrame, "", 4400, 1300, 4695, 1515),
      Banner("Label2", "Frame3", 0, 0, 4725, 400, true, false),
      Banner("lblNbTopmost", "Frame3", 3840, 80, 735, 400, false, true),
      topmost,
      picture,
      Plain("Label5", kLabel, "", 120, 2865, 1080, 195, -1, true),
      Plain("Label3", kLabel, "", 1200, 2865, 3255, 195),
      Plain("Label7", kLabel, "", 4800, 2865, 1485, 195, -1, true),
      Plain("Label8", kLabel, "", 6360, 2865, 2175, 195),
      Plain("Label6", kLabel, "", 120, 3105, 1455, 195, -1, true),
      Plain("Label4", kLabel, "", 1560, 3105, 2940, 195),
      Plain("Label9", kLabel, "", 4800, 3105, 1440, 195, -1, true),
      Plain("Label10", kLabel, "", 6360, 3105, 2175, 195),
      Plain("cmdRefresh", kButton, "", 8760, 2940, 855, 375, 13),
      Plain("Frame1", kFrame, "", 120, 3360, 9495, 2100),
      Plain("lstCatalogueTopMost", kCheckListBox, "Frame1", 120, 315, 6615, 1635, 3),
      Plain("cmdAjouter", kButton, "Frame1", 7560, 315, 1095, 375, 4),
      Plain("cmdModifier", kButton, "Frame1", 7560, 735, 1095, 375, 5),
      Plain("cmdSupprimer", kButton, "Frame1", 7560, 1155, 1095, 375, 6),
      Plain("chkAllTopMost", kCheckBox, "Frame1", 6840, 1575, 2535, 405, 21),
      Plain("Frame2", kFrame, "", 120, 5565, 9495, 2100),
      Plain("lstCatalogueDisableX", kCheckListBox, "Frame2", 120, 315, 6615, 1635, 27),
      Plain("cmdAjouterDisableX", kButton, "Frame2", 7560, 315, 1095, 375, 26),
      Plain("cmdModifierDisableX", kButton, "Frame2", 7560, 735, 1095, 375, 25),
      Plain("cmdSupprimerDisableX", kButton, "Frame2", 7560, 1155, 1095, 375, 24),
      Plain("chkAllDisableX", kCheckBox, "Frame2", 6840, 1575, 2535, 405, 23),
  };
}();

}  // namespace

std::span<const ControlLayout> FrmTopLayout() { return kLayout; }

const ControlLayout* FindFrmTopLayout(std::string_view name) {
  for (const auto& layout : kLayout) {
    if (layout.name == name) return &layout;
  }
  return nullptr;
}

int TwipsToPixels(int twips, int dots_per_inch) {
  const long long scaled = static_cast<long long>(twips) * dots_per_inch;
  return static_cast<int>((scaled + kTwipsPerInch / 2) / kTwipsPerInch);
}

}  // namespace hoverdeck
