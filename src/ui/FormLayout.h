// Places, sizes and looks of the main window's controls, in twips (15 to a pixel at 96 dots per
// inch), for the frontends to scale. The layout is fixed: nothing ever moves a control.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace hoverdeck {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kClientWidthTwips = 9735;
inline constexpr int kClientHeightTwips = 7740;

enum class ControlType { kLabel, kListBox, kCheckListBox, kFrame, kButton, kCheckBox, kPicture };
enum class TextColour { kDefault, kCaptionText, kPaleRed };

// RGB colours of the window, as 0xRRGGBB.
inline constexpr std::uint32_t kBannerBlue = 0x8080FF;
inline constexpr std::uint32_t kPaleGrey = 0xE0E0E0;
inline constexpr std::uint32_t kPaleRed = 0xFF8080;
inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kMagenta = 0xFF00FF;

struct ControlLayout {
  std::string_view name;
  ControlType type;
  std::string_view container;  // "" for the window itself
  int left;
  int top;
  int width;
  int height;
  int tab_index = -1;  // place in the focus order, -1 for controls without focus
  bool bold = false;
  bool underline = false;
  bool right_aligned = false;
  bool shown = true;  // the tray's picture box is never shown
  std::optional<std::uint32_t> background{};
  TextColour text_colour = TextColour::kDefault;
};

// Every control of the main window, drawn in this order (later ones above earlier ones).
std::span<const ControlLayout> FrmTopLayout();
const ControlLayout* FindFrmTopLayout(std::string_view name);

// Pixels for a length in twips at the screen's dots per inch, rounded to the nearest.
int TwipsToPixels(int twips, int dots_per_inch);

}  // namespace hoverdeck
