// The hotkey for the active window: the box that changes it, and the switch.
#include <gtest/gtest.h>

#include "support/FormDesk.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

const std::string kLogo(kLogoKeyName);

struct HotkeyTest : ::testing::Test, FormDesk {
  std::string Held() const { return hotkey.held ? HotkeyText(*hotkey.held) : "none"; }
  std::string Notice() const { return tray.notices.empty() ? "<none>" : tray.notices.back(); }
};

TEST_F(HotkeyTest, SwitchesTheActiveWindowBothWaysAndTellsThroughTheTray) {
  Ini("[Configuration]\nSetTopMostCaption=1\n");
  const auto editor = desktop.Open("Editor");
  form.Form_Load("");
  hotkey.active = editor;
  form.Hotkey_Pressed();
  EXPECT_EQ(Notice(), "Hoverdeck: 'Editor' is now topmost");
  EXPECT_TRUE(desktop.Window(editor).topmost);
  form.Timer1_Timer();  // the marker follows at the next tick, as after a double click
  form.Hotkey_Pressed();
  EXPECT_EQ(Notice(), "Hoverdeck: '[TOPMOST] Editor' is no longer topmost");
  EXPECT_EQ(Bits({desktop.Window(editor).topmost, form.Timer1.Enabled()}), "01");
}

// Our own window, none, an owned or hidden window and the shell's desktop are left alone.
TEST_F(HotkeyTest, LeavesAloneWhatTheListsDoNotShow) {
  const auto main = desktop.Open("Hoverdeck 1.1h");
  const auto editor = desktop.Open("Editor");
  form.SetWindowHandle(main);
  form.Form_Load("");
  for (const WindowHandle active :
       {main, kNoWindow, desktop.Open(SimWindow{.caption = "Find", .parent = editor}),
        desktop.Open(SimWindow{.caption = "Hidden", .visible = false}),
        desktop.Open(SimWindow{.caption = "Program Manager", .seen = false}), desktop.Open("")}) {
    hotkey.active = active;
    form.Hotkey_Pressed();
  }
  EXPECT_EQ(desktop.writes().total(), 0);
  EXPECT_TRUE(tray.notices.empty());
}

// The box holds nothing while open; OK takes the pressed combination into use at once and
// writes it once; a taken one is told in the box, which stays; Clear turns the hotkey off.
TEST_F(HotkeyTest, BoxChangesTheHotkeyWithoutRestart) {
  form.Form_Load("");
  std::vector<std::string> seen;
  dialogs.in_hotkey_box = [&](frmHotkey& box) {
    seen.push_back(Held() + "|" + box.txtHotkey.Caption());
    box.txtHotkey_KeyDown({Hotkey::kShift, "K"});
    box.txtHotkey_KeyDown({Hotkey::kCtrl, ""});
    seen.push_back(box.lblStatus.Caption().substr(0, 22) + "|" + box.txtHotkey.Caption());
    box.txtHotkey_KeyDown({Hotkey::kAlt, "F24"});
    box.cmdOK_Click();
    seen.push_back(box.lblStatus.Caption() + std::to_string(box.Loaded()));
    box.txtHotkey_KeyDown({Hotkey::kCtrl | Hotkey::kAlt, "K"});
    EXPECT_FALSE(form.Config().Find("Configuration", "TopmostHotkey"));
    box.cmdOK_Click();
  };
  form.MenuClick("mnuHotkey");
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "none|Ctrl+" + kLogo + "+T", "That key cannot be use|Ctrl+" + kLogo + "+T",
                      "Alt+F24 is already in use by another program or by the desktop. Press "
                      "another combination.1"}));
  EXPECT_EQ(Held() + "\n" + IniText(), "Ctrl+Alt+K\n[Configuration]\nTopmostHotkey=Ctrl+Alt+K\n");
  // A box closed by its frame holds the one in use again.
  dialogs.in_hotkey_box = nullptr;
  form.mnuHotkey_Click();
  EXPECT_EQ(Held(), "Ctrl+Alt+K");
  dialogs.in_hotkey_box = [](frmHotkey& box) {
    box.cmdClear_Click();
    box.cmdOK_Click();
  };
  form.mnuHotkey_Click();
  EXPECT_EQ(Held() + "\n" + IniText(), "none\n[Configuration]\nTopmostHotkey=\n");
}

}  // namespace
}  // namespace hoverdeck
