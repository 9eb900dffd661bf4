// The main window's real controls over the core form on a simulated desktop: the controls follow
// the layout and show the core's state, the user's messages reach the core's handlers, the
// refresh goes on behind real modal boxes, and the tray icon waits for a taskbar.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <gtest/gtest.h>

#include <map>

#include "Win32Harness.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32WindowSystem.h"
#include "support/FakeTray.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedDesktop.h"
#include "support/TempDir.h"
#include "ui/win32/Win32Dialogs.h"
#include "ui/win32/Win32MainWindow.h"
#include "ui/win32/Win32Tray.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;
using Texts = std::vector<std::string>;

LRESULT Send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  return SendMessageW(window, message, wparam, lparam);
}

// The client point in the middle of a list entry, or at `x` on its line.
LPARAM EntryPoint(HWND list, int index, int x = -1) {
  RECT rect{};
  Send(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
  return MAKELPARAM(x >= 0 ? x : (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void Click(HWND window, LPARAM at, bool dbl = false) {
  Send(window, dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, at);
  Send(window, WM_LBUTTONUP, 0, at);
}

class Win32MainWindowTest : public ::testing::Test {
 protected:
  // Loads the form with that INI; real boxes and a real tray icon instead of the scripted ones
  // when asked.
  void Start(const std::string& ini = "", bool real_boxes = false, bool real_tray = false) {
    WriteBytes(dir_.File("Hoverdeck.ini"), ini);
    form_.emplace(FormPorts{desktop_, desktop_,
                            real_tray ? static_cast<Tray&>(native_tray_) : tray_,
                            real_boxes ? static_cast<Dialogs&>(boxes_) : dialogs_, shell_, host_});
    window_.emplace(*form_, GetModuleHandleW(nullptr));
    boxes_.SetOwner(window_->Handle());
    if (real_tray) window_->SetTray(&native_tray_);
    window_->SetEndHandler([this] { ++ends_; });
    form_->SetWindowHandle(win32::FromHwnd(window_->Handle()));
    window_->Dispatch([this] { form_->Form_Load(""); });
  }
  HWND Control(const char* name) { return window_->Control(name); }
  std::string Ini(const char* section, const char* key) {
    return form_->Config().Read(section, key);
  }

  TempDir dir_;
  SimulatedDesktop desktop_;
  FakeTray tray_;
  ScriptedDialogs dialogs_;
  FakeShell shell_;
  FakeHost host_{dir_.path()};
  Win32Dialogs boxes_{GetModuleHandleW(nullptr)};
  Win32Tray native_tray_{GetModuleHandleW(nullptr)};
  std::optional<frmTop> form_;
  std::optional<Win32MainWindow> window_;
  int ends_ = 0;
};

// At the system's scale and after moves to monitors of other scales, every control sits where
// the layout puts it, looks as it says, and its caption fits: a group box draws its title over
// the frame after a gap, a check box beside its box, a button inside its edges.
TEST_F(Win32MainWindowTest, ControlsFollowTheLayoutAtEveryScaleAndTheirCaptionsFit) {
  Start();
  HDC dc = GetDC(window_->Handle());
  EXPECT_EQ(window_->Dpi(), GetDeviceCaps(dc, LOGPIXELSY));
  for (const int dpi : {window_->Dpi(), 120, 144}) {
    RECT suggested{40, 30, 900, 700};
    Send(window_->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
         reinterpret_cast<LPARAM>(&suggested));
    RECT rect{};
    GetClientRect(window_->Handle(), &rect);
    EXPECT_EQ(
        std::pair(int(rect.right), int(rect.bottom)),
        std::pair(TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)));
    for (const ControlLayout& layout : FrmTopLayout()) {
      const std::string name = std::string(layout.name) + " at " + std::to_string(dpi);
      HWND control = window_->Control(layout.name);
      ASSERT_EQ(control != nullptr, layout.shown) << name;
      if (!control) continue;
      HWND parent =
          layout.container.empty() ? window_->Handle() : window_->Control(layout.container);
      EXPECT_EQ(GetParent(control), parent) << name;
      GetWindowRect(control, &rect);
      MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
      EXPECT_EQ(
          (std::vector<LONG>{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}),
          (std::vector<LONG>{TwipsToPixels(layout.left, dpi), TwipsToPixels(layout.top, dpi),
                             TwipsToPixels(layout.width, dpi), TwipsToPixels(layout.height, dpi)}))
          << name;
      const auto font = reinterpret_cast<HFONT>(Send(control, WM_GETFONT));
      LOGFONTW face{};
      GetObjectW(font, sizeof(face), &face);
      const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
      EXPECT_EQ(face.lfWeight >= FW_BOLD, layout.bold) << name;
      EXPECT_EQ(face.lfUnderline != 0, layout.underline) << name;
      EXPECT_EQ((style & WS_TABSTOP) != 0, layout.tab_index >= 0) << name;
      const auto type = layout.type;
      EXPECT_EQ((style & SS_TYPEMASK) == SS_RIGHT && type == ControlType::kLabel,
                layout.right_aligned);
      if (type == ControlType::kListBox || type == ControlType::kCheckListBox) {
        EXPECT_EQ(style & (LBS_SORT | LBS_OWNERDRAWFIXED),
                  type == ControlType::kCheckListBox ? LBS_OWNERDRAWFIXED : 0)
            << name << ": the core sorts";
      }
      wchar_t text[256] = {};
      if (GetWindowTextW(control, text, 256) == 0) continue;
      const HGDIOBJ old = SelectObject(dc, font);
      TEXTMETRICW metrics{};
      GetTextMetricsW(dc, &metrics);
      // The 8-point face at this scale, give or take the rasteriser's rounding.
      EXPECT_NEAR(metrics.tmHeight - metrics.tmInternalLeading, MulDiv(8, dpi, 72), 1) << name;
      GetClientRect(control, &rect);
      SIZE room{rect.right, rect.bottom};
      if (type == ControlType::kFrame) room = {room.cx - MulDiv(14, dpi, 96), metrics.tmHeight};
      if (type == ControlType::kCheckBox) room.cx -= MulDiv(13, dpi, 96) + metrics.tmAveCharWidth;
      if (type == ControlType::kButton) {
        room = {room.cx - 2 * (GetSystemMetrics(SM_CXEDGE) + 1),
                room.cy - 2 * (GetSystemMetrics(SM_CYEDGE) + 1)};
      }
      RECT need{0, 0, room.cx, 0};
      const bool one_line = type == ControlType::kFrame || type == ControlType::kButton;
      DrawTextW(dc, text, -1, &need,
                DT_CALCRECT | (one_line ? DT_SINGLELINE : DT_WORDBREAK) |
                    (type == ControlType::kLabel ? DT_NOPREFIX : 0));
      SelectObject(dc, old);
      EXPECT_LE(need.right, room.cx) << name;
      EXPECT_LE(need.bottom, room.cy) << name;
    }
  }
  ReleaseDC(window_->Handle(), dc);
  // The captionless frame lies above the list it covers, both clipping their siblings.
  HWND list = Control("lstFenetresNonTopMost");
  HWND above = list;
  while (above && above != Control("Frame3")) above = GetWindow(above, GW_HWNDPREV);
  EXPECT_NE(above, nullptr);
  EXPECT_TRUE(GetWindowLongPtrW(Control("Frame3"), GWL_STYLE) & WS_CLIPSIBLINGS);
  EXPECT_TRUE(GetWindowLongPtrW(list, GWL_STYLE) & WS_CLIPSIBLINGS);
}

TEST_F(Win32MainWindowTest, AfterLoadTheControlsShowTheCoresListsCountsCaptionsAndMenus) {
  desktop_.Open("Editor", true);
  desktop_.Open("b window");
  desktop_.Open("A & B");
  Start(
      "[Configuration]\nSetTopMostCaption=1\nConstTopMost=[TOP]\nSetAllDisableX=1\n"
      "[TopMostWindows]\nWin1=zeta\nchkWin1=1\nWin2=Alpha\nchkWin2=0\n");
  EXPECT_EQ(ListBoxTexts(Control("lstFenetresNonTopMost")), (Texts{"A & B", "b window"}));
  EXPECT_EQ(ListBoxTexts(Control("lstFenetresTopMost")), Texts{"[TOP]Editor"});
  EXPECT_EQ(WindowText(Control("lblNbNonTopmost")) + WindowText(Control("lblNbTopmost")), "21");
  EXPECT_EQ(WindowText(window_->Handle()), form_->Caption());
  HWND catalogue = Control("lstCatalogueTopMost");
  EXPECT_EQ(ListBoxTexts(catalogue), (Texts{"Alpha", "zeta"}));
  EXPECT_EQ(std::pair(Send(catalogue, LB_GETITEMDATA, 0), Send(catalogue, LB_GETITEMDATA, 1)),
            std::pair(LRESULT{0}, LRESULT{1}));  // the check marks
  EXPECT_EQ(Send(Control("chkAllDisableX"), BM_GETCHECK), BST_CHECKED);
  EXPECT_EQ(Send(Control("chkAllTopMost"), BM_GETCHECK), BST_UNCHECKED);
  wchar_t caption[128] = {};
  GetMenuStringW(window_->MenuBar(), window_->MenuCommand("mnuConstTopMost"), caption, 128, 0);
  EXPECT_EQ(win32::Narrow(caption), form_->mnuConstTopMost.Caption());
  EXPECT_TRUE(GetMenuState(window_->MenuBar(), window_->MenuCommand("mnuTopMostCaption"), 0) &
              MF_CHECKED);
  // The banner's and the lists' colours, through the colour messages.
  HDC dc = GetDC(window_->Handle());
  const auto colour = [&](const char* name, UINT message) {
    LOGBRUSH brush{};
    GetObjectW(reinterpret_cast<HBRUSH>(
                   Send(GetParent(Control(name)), message, WPARAM(dc), LPARAM(Control(name)))),
               sizeof(brush), &brush);
    return std::pair{brush.lbColor, GetTextColor(dc)};
  };
  EXPECT_EQ(colour("Label1", WM_CTLCOLORSTATIC),
            std::pair(RGB(0x80, 0x80, 0xFF), GetSysColor(COLOR_CAPTIONTEXT)));
  EXPECT_EQ(colour("lblUpdate", WM_CTLCOLORSTATIC).second, RGB(0xFF, 0x80, 0x80));
  EXPECT_EQ(colour("lstFenetresTopMost", WM_CTLCOLORLISTBOX).first, RGB(0xE0, 0xE0, 0xE0));
  ReleaseDC(window_->Handle(), dc);
  EXPECT_TRUE(IsWindowVisible(window_->Handle()) && window_->TimerRunning());
  EXPECT_EQ(GetFocus(), Control("lstFenetresNonTopMost"));
}

TEST_F(Win32MainWindowTest, MenuCommandsTheF1AcceleratorAndTheTabKeyReachTheCore) {
  Start();
  Send(window_->Handle(), WM_COMMAND, MAKEWPARAM(window_->MenuCommand("mnuMinimized"), 0));
  EXPECT_EQ(Ini("Configuration", "Minimized"), "1");
  EXPECT_TRUE(GetMenuState(window_->MenuBar(), window_->MenuCommand("mnuMinimized"), 0) &
              MF_CHECKED);
  MSG key{Control("lstFenetresNonTopMost"), WM_KEYDOWN, VK_F1, 0, 0, {}};
  EXPECT_TRUE(window_->PreTranslate(key));
  EXPECT_EQ(dialogs_.abouts.size(), 1u);
  // Tab goes round the layout's focus order, Shift+Tab back.
  std::map<int, HWND> order;
  for (const ControlLayout& layout : FrmTopLayout()) {
    if (layout.tab_index >= 0) order[layout.tab_index] = window_->Control(layout.name);
  }
  for (auto at = order.begin(); at != order.end(); ++at) {
    const auto next = std::next(at) == order.end() ? order.begin() : std::next(at);
    EXPECT_EQ(window_->NextTabStop(at->second, false), next->second) << at->first;
  }
  EXPECT_EQ(window_->NextTabStop(order.begin()->second, true), order.rbegin()->second);
  SetFocus(order.begin()->second);
  MSG tab{order.begin()->second, WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_TRUE(window_->PreTranslate(tab));
  EXPECT_EQ(GetFocus(), std::next(order.begin())->second);
}

TEST_F(Win32MainWindowTest, ListClicksHoverAndTheBackgroundReachTheirHandlers) {
  const WindowHandle one = desktop_.Open(SimWindow{.caption = "One - Editor", .process = 77});
  desktop_.AddProcess(77, {"C:\\Apps\\editor.exe", "editor.exe"});
  desktop_.Open(SimWindow{.caption = "Two", .process = 77});
  Start();
  HWND list = Control("lstFenetresNonTopMost");
  Send(list, WM_RBUTTONDOWN, MK_RBUTTON, EntryPoint(list, 0));
  EXPECT_TRUE(dialogs_.popups.empty()) << "nothing selected: no popup";
  EXPECT_EQ(Send(list, LB_GETCURSEL), LB_ERR);
  // A click selects and pauses the refresh, the keyboard too; the background resumes it.
  Click(list, EntryPoint(list, 1));
  EXPECT_EQ(form_->lstFenetresNonTopMost.ListIndex(), 1);
  EXPECT_FALSE(window_->TimerRunning());
  Send(window_->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 300));
  EXPECT_TRUE(window_->TimerRunning());
  Send(list, LB_SETCURSEL, 0);
  Send(window_->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE), LPARAM(list));
  EXPECT_EQ(form_->lstFenetresNonTopMost.ListIndex(), 0);
  EXPECT_FALSE(window_->TimerRunning());
  Send(Control("Frame1"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 120));
  EXPECT_TRUE(window_->TimerRunning());
  // Hovering an entry names its program; the banner, or a point below the entries, clears it.
  Send(list, WM_MOUSEMOVE, 0, EntryPoint(list, 0));
  EXPECT_NE(WindowText(Control("lblProgName")), "");
  Send(Control("Label1"), WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
  EXPECT_EQ(WindowText(Control("lblProgName")), "");
  Send(list, WM_MOUSEMOVE, 0, EntryPoint(list, 0));
  RECT inside{};
  GetClientRect(list, &inside);
  Send(list, WM_MOUSEMOVE, 0, MAKELPARAM(5, inside.bottom - 3));
  EXPECT_EQ(WindowText(Control("lblProgName")), "");
  // A right press offers the popup of the selected entry and keeps the selection.
  dialogs_.popup_choices.push_back(std::nullopt);
  Send(list, WM_RBUTTONDOWN, MK_RBUTTON, EntryPoint(list, 1));
  EXPECT_EQ(dialogs_.popups, Texts{"mnuPopupNonTopmost"});
  EXPECT_EQ(Send(list, LB_GETCURSEL), 0);
  // A double click makes the window topmost and offers a rule; the refresh button moves it.
  dialogs_.input_answers.push_back(ScriptedDialogs::kAcceptDefault);
  Click(list, EntryPoint(list, 0));
  Click(list, EntryPoint(list, 0), true);
  EXPECT_TRUE(desktop_.Window(one).topmost);
  EXPECT_EQ(ListBoxTexts(Control("lstCatalogueTopMost")), Texts{"One"});
  Send(Control("cmdRefresh"), BM_CLICK);
  EXPECT_EQ(ListBoxTexts(Control("lstFenetresTopMost")), Texts{"One - Editor"});
  EXPECT_EQ(ListBoxTexts(list), Texts{"Two"});
}

TEST_F(Win32MainWindowTest, CatalogueBoxesTextButtonsAndDoubleClickReachTheirHandlers) {
  Start("[TopMostWindows]\nWin1=Notepad\nchkWin1=1\nWin2=Paint\nchkWin2=0\n");
  HWND catalogue = Control("lstCatalogueTopMost");
  Click(catalogue, EntryPoint(catalogue, 0, 4));  // on the box
  EXPECT_EQ(Ini("TopMostWindows", "chkWin1"), "0");
  EXPECT_EQ(Send(catalogue, LB_GETITEMDATA, 0), 0);
  Click(catalogue, EntryPoint(catalogue, 1, 150));  // on the text: selects only
  EXPECT_EQ(form_->lstCatalogueTopMost.ListIndex(), 1);
  EXPECT_EQ(Ini("TopMostWindows", "chkWin2"), "0");
  Send(catalogue, WM_KEYDOWN, VK_SPACE);  // the keyboard's toggle
  EXPECT_EQ(Ini("TopMostWindows", "chkWin2"), "1");
  EXPECT_EQ(Send(catalogue, LB_GETITEMDATA, 1), 1);
  dialogs_.input_answers = {"Mail", "Notes"};
  Send(Control("cmdAjouter"), BM_CLICK);
  EXPECT_EQ(ListBoxTexts(catalogue), (Texts{"Mail", "Notepad", "Paint"}));
  Click(catalogue, EntryPoint(catalogue, 1, 150));
  Click(catalogue, EntryPoint(catalogue, 1, 150), true);
  ASSERT_EQ(dialogs_.inputs.size(), 2u);
  EXPECT_EQ(dialogs_.inputs[1].default_text, "Notepad");
  EXPECT_EQ(ListBoxTexts(catalogue), (Texts{"Mail", "Notes", "Paint"}));
}

TEST_F(Win32MainWindowTest, CheckBoxShowsOnlyTheCoresValueAndItsPressWritesIt) {
  Start();
  HWND box = Control("chkAllTopMost");
  Click(box, MAKELPARAM(5, 5));
  EXPECT_EQ(Send(box, BM_GETCHECK), BST_CHECKED);
  EXPECT_EQ(Ini("Configuration", "SetAllTopMost"), "1");
  Click(box, MAKELPARAM(5, 5));
  EXPECT_EQ(Send(box, BM_GETCHECK), BST_UNCHECKED);
  // The keyboard's click cannot flip it behind the core's back.
  Send(box, WM_KEYDOWN, VK_SPACE);
  Send(box, WM_KEYUP, VK_SPACE);
  EXPECT_EQ(Send(box, BM_GETCHECK), BST_UNCHECKED);
  EXPECT_FALSE(form_->chkAllTopMost.Value());
}

TEST_F(Win32MainWindowTest, TheNativeTimerRunsTheCoreTick) {
  Start();
  desktop_.Open("Late arrival");
  form_->Timer1.SetInterval(20);
  window_->Sync();
  EXPECT_EQ(window_->TimerInterval(), 20);
  // Well before the one-second tick it started with.
  EXPECT_TRUE(
      WaitUntil([&] { return ListBoxTexts(Control("lstFenetresNonTopMost")).size() == 1; }, 700ms));
  form_->Timer1.SetEnabled(false);
  window_->Sync();
  EXPECT_FALSE(window_->TimerRunning());
}

TEST_F(Win32MainWindowTest, TicksGoOnBehindARealBoxAndTheSessionEndIsNeverRefused) {
  const WindowHandle mail = desktop_.Open("Mail - inbox");
  Start("[DisableX]\nWin1=Mail\nchkWin1=1\n", true);
  form_->Timer1.SetInterval(20);
  window_->Sync();
  bool disabled_while_open = false;
  LRESULT session_may_end = FALSE;
  {
    BoxPlayer player([&](HWND box) {
      disabled_while_open =
          WaitUntil([&] { return (desktop_.Window(mail).close_state.value_or(0) & 3u) == 3u; }, 3s);
      session_may_end = Send(window_->Handle(), WM_QUERYENDSESSION);
      PostMessageW(box, WM_COMMAND, IDNO, 0);
    });
    window_->Dispatch([this] { form_->mnuQuitter_Click(); });
  }
  EXPECT_TRUE(disabled_while_open);
  EXPECT_EQ(session_may_end, TRUE);
  EXPECT_FALSE(form_->EndRequested());
  // The session then ends while a box is open: the program ends.
  BoxPlayer player([&](HWND box) {
    Send(window_->Handle(), WM_ENDSESSION, TRUE);
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
  });
  window_->Dispatch([this] { form_->mnuAPropos_Click(); });
  EXPECT_TRUE(form_->EndRequested());
  EXPECT_EQ(ends_, 1);
}

// Before the taskbar is up the shell refuses the icon (here: it has no owner window yet).
TEST_F(Win32MainWindowTest, WithoutATaskbarTheWindowWaitsOnItAndTheIconTakesTheTraysMessages) {
  Start("[Configuration]\nMinimized=1\n", false, true);
  HWND handle = window_->Handle();
  EXPECT_TRUE(native_tray_.Missing());
  EXPECT_FALSE(form_->Visible());
  EXPECT_TRUE(IsWindowVisible(handle) && IsIconic(handle));
  // The next scan's tip retries the add.
  native_tray_.SetOwner(handle);
  window_->Dispatch([this] { form_->Timer1_Timer(); }, FormEvent::kTick);
  EXPECT_TRUE(native_tray_.Present());
  EXPECT_FALSE(IsWindowVisible(handle));
  EXPECT_NE(native_tray_.Record(NIF_ICON).hIcon, nullptr);
  // A move does nothing, the right button pops the menu up, a double click brings it back.
  for (const UINT mouse : {WM_MOUSEMOVE, WM_RBUTTONUP, WM_LBUTTONDBLCLK}) {
    dialogs_.popup_choices = {std::nullopt};
    Send(handle, Win32Tray::kCallbackMessage, Win32Tray::kIconId, mouse);
  }
  EXPECT_EQ(dialogs_.popups, Texts{"mnuFichier"});
  EXPECT_TRUE(form_->Visible() && IsWindowVisible(handle));
  // A restarted taskbar's TaskbarCreated puts the icon back; a long tip is cut to the room.
  NOTIFYICONDATAW gone = native_tray_.Record(0);
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
  Send(handle, RegisterWindowMessageW(L"TaskbarCreated"));
  NOTIFYICONDATAW probe = native_tray_.Record(NIF_TIP);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &probe));
  EXPECT_TRUE(native_tray_.ModifyTip(std::string(200, 'x')));
  EXPECT_EQ(std::wstring(native_tray_.Record(NIF_TIP).szTip).size(), 127u);
  EXPECT_TRUE(native_tray_.Delete());
  EXPECT_FALSE(native_tray_.ModifyTip("gone"));
}

}  // namespace
}  // namespace hoverdeck
