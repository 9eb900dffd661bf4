// The main window with its real controls on Wine's desktop, the form on a simulated desktop:
// the controls show the core's state, and messages sent to them reach the core's handlers.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "Win32Harness.h"
#include "platform/win32/WideText.h"
#include "support/FakeTray.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedDesktop.h"
#include "support/TempDir.h"
#include "ui/FormLayout.h"
#include "ui/frmTop.h"
#include "ui/win32/Win32MainWindow.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;
using win32::Narrow;


// The client-area point in the middle of a list entry.
LPARAM EntryPoint(HWND list, int index, int x = -1) {
  RECT rect{};
  SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
  return MAKELPARAM(x >= 0 ? x : (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void Click(HWND window, LPARAM at, bool dbl = false) {
  SendMessageW(window, dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(window, WM_LBUTTONUP, 0, at);
}

class Win32MainWindowTest : public ::testing::Test {
 protected:
  Win32MainWindowTest()
      : host_(dir_.path()), form_(FormPorts{desktop_, desktop_, tray_, dialogs_, shell_, host_}) {}

  void Start(const std::string& command_line = "") {
    window_ = std::make_unique<Win32MainWindow>(form_, GetModuleHandleW(nullptr));
    ASSERT_NE(window_->Handle(), nullptr);
    window_->SetEndHandler([this] { ++ends_; });
    form_.SetWindowHandle(static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window_->Handle())));
    window_->Dispatch([this, command_line] { form_.Form_Load(command_line); });
  }
  void Ini(const std::string& content) { WriteBytes(dir_.File("Hoverdeck.ini"), content); }
  HWND Control(const char* name) { return window_->Control(name); }

  TempDir dir_;
  SimulatedDesktop desktop_;
  FakeTray tray_;
  ScriptedDialogs dialogs_;
  FakeShell shell_;
  FakeHost host_;
  frmTop form_;
  std::unique_ptr<Win32MainWindow> window_;
  int ends_ = 0;
};

// ---- Layout and looks ----

TEST_F(Win32MainWindowTest, EveryControlSitsAtItsLayoutPlaceInItsContainer) {
  Start();
  const int dpi = window_->Dpi();
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(dpi, GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);

  RECT client{};
  GetClientRect(window_->Handle(), &client);
  EXPECT_EQ(client.right, TwipsToPixels(kClientWidthTwips, dpi));
  EXPECT_EQ(client.bottom, TwipsToPixels(kClientHeightTwips, dpi));

  for (const ControlLayout& layout : FrmTopLayout()) {
    const std::string name(layout.name);
    HWND control = window_->Control(layout.name);
    if (!layout.shown) {
      EXPECT_EQ(control, nullptr) << name;
      continue;
    }
    ASSERT_NE(control, nullptr) << name;
    HWND expected_parent =
        layout.container.empty() ? window_->Handle() : window_->Control(layout.container);
    EXPECT_EQ(GetParent(control), expected_parent) << name;
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, expected_parent, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, TwipsToPixels(layout.left, dpi)) << name;
    EXPECT_EQ(rect.top, TwipsToPixels(layout.top, dpi)) << name;
    EXPECT_EQ(rect.right - rect.left, TwipsToPixels(layout.width, dpi)) << name;
    EXPECT_EQ(rect.bottom - rect.top, TwipsToPixels(layout.height, dpi)) << name;

    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_EQ(font.lfWeight >= FW_BOLD, layout.bold) << name;
    EXPECT_EQ(font.lfUnderline != 0, layout.underline) << name;
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    EXPECT_EQ((style & WS_TABSTOP) != 0, layout.tab_index >= 0) << name;
    if (layout.type == ControlType::kLabel) {
      EXPECT_EQ((style & SS_TYPEMASK) == SS_RIGHT, layout.right_aligned) << name;
    }
    if (layout.type == ControlType::kListBox || layout.type == ControlType::kCheckListBox) {
      EXPECT_EQ(style & LBS_SORT, 0) << name << ": the core sorts";
      EXPECT_EQ((style & LBS_OWNERDRAWFIXED) != 0, layout.type == ControlType::kCheckListBox)
          << name;
    }
  }
  // The captionless frame lies above the list it covers, both clipping their siblings.
  HWND above = GetWindow(Control("lstFenetresNonTopMost"), GW_HWNDPREV);
  bool frame_above = false;
  for (; above; above = GetWindow(above, GW_HWNDPREV)) frame_above |= above == Control("Frame3");
  EXPECT_TRUE(frame_above);
  EXPECT_TRUE(GetWindowLongPtrW(Control("Frame3"), GWL_STYLE) & WS_CLIPSIBLINGS);
  EXPECT_TRUE(GetWindowLongPtrW(Control("lstFenetresNonTopMost"), GWL_STYLE) & WS_CLIPSIBLINGS);
}

TEST_F(Win32MainWindowTest, ColoursComeFromTheLayoutThroughTheColourMessages) {
  Start();
  HDC dc = GetDC(window_->Handle());
  const auto colour = [&](const char* name, UINT message) {
    HWND control = Control(name);
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(control), message, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(control)));
    LOGBRUSH info{};
    GetObjectW(brush, sizeof(info), &info);
    return std::pair{info.lbColor, GetTextColor(dc)};
  };
  EXPECT_EQ(colour("Label1", WM_CTLCOLORSTATIC),
            std::pair(RGB(0x80, 0x80, 0xFF), GetSysColor(COLOR_CAPTIONTEXT)));
  EXPECT_EQ(colour("lblNbTopmost", WM_CTLCOLORSTATIC).first, RGB(0x80, 0x80, 0xFF));
  EXPECT_EQ(colour("lblUpdate", WM_CTLCOLORSTATIC).second, RGB(0xFF, 0x80, 0x80));
  EXPECT_EQ(colour("lstFenetresTopMost", WM_CTLCOLORLISTBOX).first, RGB(0xE0, 0xE0, 0xE0));
  EXPECT_EQ(colour("lstFenetresNonTopMost", WM_CTLCOLORLISTBOX).first, RGB(0xFF, 0xFF, 0xFF));
  ReleaseDC(window_->Handle(), dc);
}

// ---- The core's state ----

TEST_F(Win32MainWindowTest, AfterLoadTheControlsShowListsCountsCaptionsAndMenus) {
  Ini("[Configuration]\nSetTopMostCaption=1\nConstTopMost=[TOP]\nSetAllDisableX=1\n"
      "[TopMostWindows]\nWin1=zeta\nchkWin1=1\nWin2=Alpha\nchkWin2=0\n");
  desktop_.Open("Editor", true);
  desktop_.Open("b window");
  desktop_.Open("A & B");
  Start();

  EXPECT_EQ(ListBoxTexts(Control("lstFenetresNonTopMost")),
            (std::vector<std::string>{"A & B", "b window"}));
  // The marker is on: the topmost window's caption carries it.
  EXPECT_EQ(ListBoxTexts(Control("lstFenetresTopMost")), std::vector<std::string>{"[TOP]Editor"});
  EXPECT_EQ(WindowText(Control("lblNbNonTopmost")), "2");
  EXPECT_EQ(WindowText(Control("lblNbTopmost")), "1");
  EXPECT_EQ(WindowText(Control("cmdAjouter")), "Add");
  EXPECT_EQ(WindowText(window_->Handle()), "Hoverdeck 1.1h; Windows 2000 v.5.0, Build 2195");

  HWND catalogue = Control("lstCatalogueTopMost");
  EXPECT_EQ(ListBoxTexts(catalogue), (std::vector<std::string>{"Alpha", "zeta"}));
  EXPECT_EQ(SendMessageW(catalogue, LB_GETITEMDATA, 0, 0), 0);
  EXPECT_EQ(SendMessageW(catalogue, LB_GETITEMDATA, 1, 0), 1);
  EXPECT_EQ(SendMessageW(Control("chkAllDisableX"), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(Control("chkAllTopMost"), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  HMENU bar = window_->MenuBar();
  wchar_t caption[128];
  GetMenuStringW(bar, window_->MenuCommand("mnuConstTopMost"), caption, 128, MF_BYCOMMAND);
  EXPECT_EQ(Narrow(caption), "Select a string &marker on topmost Windows = [TOP]");
  GetMenuStringW(bar, window_->MenuCommand("mnuAPropos"), caption, 128, MF_BYCOMMAND);
  EXPECT_EQ(Narrow(caption), "&About / Help ...\tF1");
  EXPECT_TRUE(GetMenuState(bar, window_->MenuCommand("mnuTopMostCaption"), MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_FALSE(GetMenuState(bar, window_->MenuCommand("mnuMinimized"), MF_BYCOMMAND) & MF_CHECKED);

  EXPECT_TRUE(IsWindowVisible(window_->Handle()));
  EXPECT_TRUE(window_->TimerRunning());
  EXPECT_EQ(GetFocus(), Control("lstFenetresNonTopMost"));
}

TEST_F(Win32MainWindowTest, MenuCommandsAndTheF1AcceleratorReachTheCore) {
  Start();
  const UINT minimized = window_->MenuCommand("mnuMinimized");
  SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(minimized, 0), 0);
  EXPECT_TRUE(form_.mnuMinimized.Checked());
  EXPECT_TRUE(GetMenuState(window_->MenuBar(), minimized, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_NE(ReadBytes(dir_.File("Hoverdeck.ini")).find("Minimized=1"), std::string::npos);

  MSG key{Control("lstFenetresNonTopMost"), WM_KEYDOWN, VK_F1, 0, 0, {}};
  EXPECT_TRUE(window_->PreTranslate(key));
  EXPECT_EQ(dialogs_.abouts.size(), 1u);
}

// ---- Events ----

TEST_F(Win32MainWindowTest, ClickOnAnEntryPausesTheRefreshAndTheBackgroundResumesIt) {
  desktop_.Open("One");
  desktop_.Open("Two");
  Start();
  HWND list = Control("lstFenetresNonTopMost");
  Click(list, EntryPoint(list, 1));
  EXPECT_EQ(form_.lstFenetresNonTopMost.ListIndex(), 1);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(WindowText(Control("lblUpdate")), "No update (idle)");
  EXPECT_FALSE(window_->TimerRunning());

  SendMessageW(window_->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 300));
  EXPECT_TRUE(form_.Timer1.Enabled());
  EXPECT_TRUE(window_->TimerRunning());

  // The keyboard moves the selection too.
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(form_.lstFenetresNonTopMost.ListIndex(), 0);
  // A click on Frame1's free area resumes as well.
  SendMessageW(Control("Frame1"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 120));
  EXPECT_TRUE(window_->TimerRunning());
}

TEST_F(Win32MainWindowTest, TheNativeTimerRunsTheCoreTick) {
  Start();
  EXPECT_EQ(SendMessageW(Control("lstFenetresNonTopMost"), LB_GETCOUNT, 0, 0), 0);
  desktop_.Open("Late arrival");
  form_.Timer1.SetInterval(20);
  window_->Sync();
  EXPECT_EQ(window_->TimerInterval(), 20);
  EXPECT_TRUE(WaitUntil(
      [&] { return SendMessageW(Control("lstFenetresNonTopMost"), LB_GETCOUNT, 0, 0) == 1; }, 3s));
  form_.Timer1.SetEnabled(false);
  window_->Sync();
  EXPECT_FALSE(window_->TimerRunning());
}

TEST_F(Win32MainWindowTest, HoverOverAnEntryNamesItsProgramAndTheBannerClearsIt) {
  desktop_.Open(SimWindow{.caption = "Report - Editor", .process = 77});
  desktop_.AddProcess(77, {"C:\\Apps\\editor.exe", "editor.exe"});
  Start();
  HWND list = Control("lstFenetresNonTopMost");
  SendMessageW(list, WM_MOUSEMOVE, 0, EntryPoint(list, 0));
  EXPECT_FALSE(WindowText(Control("lblProgName")).empty());
  EXPECT_EQ(WindowText(Control("lblProgName")), form_.lblProgName.Caption());
  SendMessageW(Control("Label1"), WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
  EXPECT_EQ(WindowText(Control("lblProgName")), "");

  // Below the last entry there is no entry: the name goes.
  SendMessageW(list, WM_MOUSEMOVE, 0, EntryPoint(list, 0));
  RECT inside{};
  GetClientRect(list, &inside);
  SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(5, inside.bottom - 3));
  EXPECT_EQ(WindowText(Control("lblProgName")), "");
}

TEST_F(Win32MainWindowTest, DoubleClickMakesTheWindowTopmostAndRefreshMovesIt) {
  const auto report = desktop_.Open("Report - Editor");
  Start();
  dialogs_.input_answers.push_back(ScriptedDialogs::kAcceptDefault);
  HWND list = Control("lstFenetresNonTopMost");
  Click(list, EntryPoint(list, 0));
  Click(list, EntryPoint(list, 0), true);
  EXPECT_TRUE(desktop_.Window(report).topmost);
  ASSERT_EQ(dialogs_.inputs.size(), 1u);
  EXPECT_EQ(ListBoxTexts(Control("lstCatalogueTopMost")), std::vector<std::string>{"Report"});

  SendMessageW(Control("cmdRefresh"), BM_CLICK, 0, 0);
  EXPECT_EQ(ListBoxTexts(Control("lstFenetresTopMost")),
            std::vector<std::string>{"Report - Editor"});
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(Win32MainWindowTest, RightPressKeepsTheSelectionAndOffersThePopupOfTheSelectedEntry) {
  const auto one = desktop_.Open("One");
  desktop_.Open("Two");
  Start();
  HWND list = Control("lstFenetresNonTopMost");
  SendMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, EntryPoint(list, 0));
  EXPECT_TRUE(dialogs_.popups.empty());  // nothing selected: no popup
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);

  Click(list, EntryPoint(list, 0));
  dialogs_.popup_choices.push_back("mnuSetTopmost");
  dialogs_.input_answers.push_back("");
  SendMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, EntryPoint(list, 1));
  EXPECT_EQ(dialogs_.popups, std::vector<std::string>{"mnuPopupNonTopmost"});
  EXPECT_TRUE(desktop_.Window(one).topmost);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
}

TEST_F(Win32MainWindowTest, ClickOnACatalogueCheckBoxTogglesItAndTheTextOnlySelects) {
  Ini("[TopMostWindows]\nWin1=Notepad\nchkWin1=1\nWin2=Paint\nchkWin2=0\n");
  Start();
  HWND catalogue = Control("lstCatalogueTopMost");
  Click(catalogue, EntryPoint(catalogue, 0, 4));  // on the box
  EXPECT_EQ(form_.Config().Read("TopMostWindows", "chkWin1"), "0");
  EXPECT_EQ(SendMessageW(catalogue, LB_GETITEMDATA, 0, 0), 0);
  EXPECT_EQ(SendMessageW(catalogue, LB_GETCURSEL, 0, 0), 0);

  Click(catalogue, EntryPoint(catalogue, 1, 150));  // on the text
  EXPECT_EQ(form_.lstCatalogueTopMost.ListIndex(), 1);
  EXPECT_FALSE(form_.lstCatalogueTopMost.Item(1).checked);
  EXPECT_EQ(form_.Config().Read("TopMostWindows", "chkWin2"), "0");

  SendMessageW(catalogue, WM_KEYDOWN, VK_SPACE, 0);  // the keyboard's toggle
  EXPECT_EQ(form_.Config().Read("TopMostWindows", "chkWin2"), "1");
  EXPECT_EQ(SendMessageW(catalogue, LB_GETITEMDATA, 1, 0), 1);
}

TEST_F(Win32MainWindowTest, CatalogueButtonAndDoubleClickReachTheirHandlers) {
  Ini("[TopMostWindows]\nWin1=Notepad\nchkWin1=1\n");
  Start();
  dialogs_.input_answers.push_back("Mail");
  SendMessageW(Control("cmdAjouter"), BM_CLICK, 0, 0);
  HWND catalogue = Control("lstCatalogueTopMost");
  EXPECT_EQ(ListBoxTexts(catalogue), (std::vector<std::string>{"Mail", "Notepad"}));

  dialogs_.input_answers.push_back("Notes");
  Click(catalogue, EntryPoint(catalogue, 1, 150));
  Click(catalogue, EntryPoint(catalogue, 1, 150), true);
  ASSERT_EQ(dialogs_.inputs.size(), 2u);
  EXPECT_EQ(dialogs_.inputs[1].default_text, "Notepad");
  EXPECT_EQ(ListBoxTexts(catalogue), (std::vector<std::string>{"Mail", "Notes"}));
}

TEST_F(Win32MainWindowTest, CheckBoxShowsOnlyTheCoreValueAndItsPressWritesTheIni) {
  Start();
  HWND box = Control("chkAllTopMost");
  Click(box, MAKELPARAM(5, 5));
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(form_.Config().Read("Configuration", "SetAllTopMost"), "1");
  Click(box, MAKELPARAM(5, 5));
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  // The keyboard's click cannot flip it behind the core's back.
  SendMessageW(box, WM_KEYDOWN, VK_SPACE, 0);
  SendMessageW(box, WM_KEYUP, VK_SPACE, 0);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_FALSE(form_.chkAllTopMost.Value());
}

TEST_F(Win32MainWindowTest, TabFollowsTheLayoutOrderAcrossTheFrames) {
  Start();
  std::map<int, HWND> by_tab_index;
  for (const ControlLayout& layout : FrmTopLayout()) {
    if (layout.tab_index >= 0) by_tab_index[layout.tab_index] = window_->Control(layout.name);
  }
  std::vector<HWND> order;
  for (const auto& [index, control] : by_tab_index) order.push_back(control);
  ASSERT_GE(order.size(), 2u);
  for (std::size_t i = 1; i <= order.size(); ++i) {
    EXPECT_EQ(window_->NextTabStop(order[i - 1], false), order[i % order.size()]) << i;
  }
  EXPECT_EQ(window_->NextTabStop(order[0], true), order.back());
  // A real Tab key through the loop's filter moves the focus.
  SetFocus(order[0]);
  MSG tab{order[0], WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_TRUE(window_->PreTranslate(tab));
  EXPECT_EQ(GetFocus(), order[1]);
}

}  // namespace
}  // namespace hoverdeck
