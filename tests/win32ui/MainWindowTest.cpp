// The main window's real controls over the core form on a simulated desktop.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <gtest/gtest.h>

#include <map>

#include "Win32Harness.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32WindowSystem.h"
#include "support/FormDesk.h"
#include "ui/win32/CaptionRoom.h"
#include "ui/win32/Win32Dialogs.h"
#include "ui/win32/Win32MainWindow.h"
#include "ui/win32/Win32Tray.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;
using Strings = std::vector<std::string>;

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

// The native boxes and tray, made before the form that may use them.
struct NativePorts {
  Win32Dialogs boxes{GetModuleHandleW(nullptr)};
  Win32Tray native_tray{GetModuleHandleW(nullptr)};
};

class Win32MainWindowTest : public ::testing::Test, public NativePorts, public FormDesk {
 protected:
  explicit Win32MainWindowTest(OtherPorts ports = {})
      : FormDesk(ports), real_tray_(ports.tray != nullptr) {}
  void Start(const std::string& ini = "") {
    Ini(ini);
    window_.emplace(form, GetModuleHandleW(nullptr));
    boxes.SetOwner(window_->Handle());
    if (real_tray_) window_->SetTray(&native_tray);
    window_->SetEndHandler([this] { ++ends_; });
    form.SetWindowHandle(win32::FromHwnd(window_->Handle()));
    window_->Dispatch([this] { form.Form_Load(""); });
  }
  HWND Control(const char* name) { return window_->Control(name); }
  std::string Read(const char* section, const char* key) {
    return form.Config().Read(section, key);
  }
  bool MenuChecked(const char* name) {
    return GetMenuState(window_->MenuBar(), window_->MenuCommand(name), 0) & MF_CHECKED;
  }

  std::optional<Win32MainWindow> window_;
  int ends_ = 0;
  bool real_tray_;
};
struct Win32RealBoxesTest : Win32MainWindowTest {
  Win32RealBoxesTest() : Win32MainWindowTest({.dialogs = &boxes}) {}
};
struct Win32RealTrayTest : Win32MainWindowTest {
  Win32RealTrayTest() : Win32MainWindowTest({.tray = &native_tray}) {}
};

// At each scale, with Wine's face and with the wider message font of Windows 10 and 11, every
// control sits where the layout puts it (a little taller where a line of the face needs it),
// looks as it says, and shows its caption whole in the font it has and the room it gives.
TEST_F(Win32MainWindowTest, ControlsFollowTheLayoutAndShowTheirCaptionsWholeAtEveryScaleAndFace) {
  NONCLIENTMETRICSW saved{};
  saved.cbSize = sizeof(saved);
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(saved), &saved, 0);
  for (const std::wstring face : {L"", L"Open Sans"}) {
    NONCLIENTMETRICSW metrics = saved;  // for this process only: nothing is written
    if (!face.empty()) wcscpy(metrics.lfMessageFont.lfFaceName, face.c_str());
    SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    Start();
    EXPECT_EQ(window_->Dpi(), GetDeviceCaps(win32::WindowDc(nullptr).get(), LOGPIXELSY));
    for (const int dpi : {96, 120, 144, 192}) {
      const auto px = [dpi](int twips) { return TwipsToPixels(twips, dpi); };
      RECT rect{40, 30, 900, 700};
      Send(window_->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), LPARAM(&rect));
      GetClientRect(window_->Handle(), &rect);
      if (dpi <= 144) {  // the test's desktop holds the whole window up to 144 dpi
        EXPECT_EQ(std::pair(rect.right, rect.bottom),
                  std::pair(LONG(px(kClientWidthTwips)), LONG(px(kClientHeightTwips))));
      }
      for (const ControlLayout& layout : FrmTopLayout()) {
        const std::string name = std::to_string(dpi) + " " + std::string(layout.name);
        HWND control = window_->Control(layout.name);
        ASSERT_EQ(control != nullptr, layout.shown) << name;
        if (!control) continue;
        HWND parent =
            layout.container.empty() ? window_->Handle() : Control(layout.container.data());
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(std::tuple(GetParent(control), rect.left, rect.top, rect.right - rect.left,
                             rect.bottom - rect.top >= px(layout.height)),
                  std::tuple(parent, px(layout.left), px(layout.top), px(layout.width), true))
            << name;
        const win32::WindowDc owned(control);
        HDC dc = owned.get();
        SelectObject(dc, reinterpret_cast<HFONT>(Send(control, WM_GETFONT)));
        TEXTMETRICW used{};
        GetTextMetricsW(dc, &used);
        const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
        const auto type = layout.type;
        const bool list = type == ControlType::kListBox || type == ControlType::kCheckListBox;
        EXPECT_EQ(
            std::tuple(used.tmWeight >= FW_BOLD, used.tmUnderlined != 0, (style & WS_TABSTOP) != 0,
                       (style & SS_TYPEMASK) == SS_RIGHT && type == ControlType::kLabel,
                       list ? style & (LBS_SORT | LBS_OWNERDRAWFIXED) : 0),  // the core sorts
            std::tuple(layout.bold, layout.underline, layout.tab_index >= 0, layout.right_aligned,
                       type == ControlType::kCheckListBox ? LBS_OWNERDRAWFIXED : 0))
            << name;
        wchar_t used_face[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, used_face);
        // The 8-point face at this scale, give or take the rasteriser's rounding.
        EXPECT_NEAR(used.tmHeight - used.tmInternalLeading, MulDiv(8, dpi, 72), 1) << name;
        EXPECT_TRUE(face.empty() || face == used_face) << name << ": " << win32::Narrow(used_face);
        // Against the room the control gives: the room that the system's drawing leaves.
        const std::wstring text = ControlText(control);
        GetClientRect(control, &rect);
        const auto room = win32::RoomForCaption(type, {rect.right, rect.bottom}, dpi, used);
        RECT need{0, 0, room.size.cx, 0};
        DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | room.format);
        EXPECT_TRUE(text.empty() || (need.right <= room.size.cx && need.bottom <= room.size.cy))
            << win32::Narrow(face) << " " << name << " needs " << need.right << "x" << need.bottom
            << " of " << room.size.cx << "x" << room.size.cy;
      }
    }
  }
  SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(saved), &saved, 0);
}

TEST_F(Win32MainWindowTest, AfterLoadTheControlsShowTheCoresListsCountsCaptionsAndMenus) {
  desktop.Open("Editor", true);
  desktop.Open("b window");
  desktop.Open("A & B");
  Start(
      "[Configuration]\nSetTopMostCaption=1\nConstTopMost=[TOP]\nSetAllDisableX=1\n"
      "[TopMostWindows]\nWin1=zeta\nchkWin1=1\nWin2=Alpha\nchkWin2=0\n");
  EXPECT_EQ(ListBoxTexts(Control("lstFenetresNonTopMost")), (Strings{"A & B", "b window"}));
  EXPECT_EQ(ListBoxTexts(Control("lstFenetresTopMost")), Strings{"[TOP]Editor"});
  EXPECT_EQ(WindowText(Control("lblNbNonTopmost")) + WindowText(Control("lblNbTopmost")), "21");
  EXPECT_EQ(WindowText(window_->Handle()), form.Caption());
  HWND catalogue = Control("lstCatalogueTopMost");
  EXPECT_EQ(ListBoxTexts(catalogue), (Strings{"Alpha", "zeta"}));
  EXPECT_EQ(std::tuple(Send(catalogue, LB_GETITEMDATA, 0), Send(catalogue, LB_GETITEMDATA, 1),
                       Send(Control("chkAllDisableX"), BM_GETCHECK),
                       Send(Control("chkAllTopMost"), BM_GETCHECK)),
            std::tuple(0, 1, BST_CHECKED, BST_UNCHECKED));
  EXPECT_TRUE(MenuChecked("mnuTopMostCaption"));
  // The banner's and the lists' colours, through the colour messages.
  const win32::WindowDc owned(window_->Handle());
  HDC dc = owned.get();
  const auto colour = [&](const char* name, UINT message) {
    LOGBRUSH brush{};
    const LRESULT got = Send(GetParent(Control(name)), message, WPARAM(dc), LPARAM(Control(name)));
    GetObjectW(reinterpret_cast<HBRUSH>(got), sizeof(brush), &brush);
    return std::pair{brush.lbColor, GetTextColor(dc)};
  };
  EXPECT_EQ(
      std::tuple(colour("Label1", WM_CTLCOLORSTATIC), colour("lblUpdate", WM_CTLCOLORSTATIC).second,
                 colour("lstFenetresTopMost", WM_CTLCOLORLISTBOX).first),
      std::tuple(std::pair(RGB(0x80, 0x80, 0xFF), GetSysColor(COLOR_CAPTIONTEXT)),
                 RGB(0xFF, 0x80, 0x80), RGB(0xE0, 0xE0, 0xE0)));
  EXPECT_EQ(Bits({IsWindowVisible(window_->Handle()) != 0, window_->TimerRunning()}), "11");
  EXPECT_EQ(GetFocus(), Control("lstFenetresNonTopMost"));
}

TEST_F(Win32MainWindowTest, MenuCommandsKeysAndTheCheckBoxReachTheCore) {
  Start();
  Send(window_->Handle(), WM_COMMAND, MAKEWPARAM(window_->MenuCommand("mnuMinimized"), 0));
  EXPECT_EQ(Read("Configuration", "Minimized") + Bits({MenuChecked("mnuMinimized")}), "11");
  MSG key{Control("lstFenetresNonTopMost"), WM_KEYDOWN, VK_F1, 0, 0, {}};
  EXPECT_EQ(Bits({window_->PreTranslate(key), dialogs.abouts.size() == 1}), "11");
  // Tab goes round the layout's focus order, Shift+Tab back.
  std::map<int, HWND> order;
  for (const ControlLayout& layout : FrmTopLayout()) {
    if (layout.tab_index >= 0) order[layout.tab_index] = window_->Control(layout.name);
  }
  EXPECT_EQ(std::pair(window_->NextTabStop(order.rbegin()->second, false),
                      window_->NextTabStop(order.begin()->second, true)),
            std::pair(order.begin()->second, order.rbegin()->second));
  SetFocus(order.begin()->second);
  MSG tab{order.begin()->second, WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_TRUE(window_->PreTranslate(tab));
  EXPECT_EQ(GetFocus(), std::next(order.begin())->second);
  // The check box shows only the core's value; its press writes it.
  HWND box = Control("chkAllTopMost");
  Click(box, MAKELPARAM(5, 5));
  EXPECT_EQ(std::to_string(Send(box, BM_GETCHECK)) + Read("Configuration", "SetAllTopMost"), "11");
  Click(box, MAKELPARAM(5, 5));
  EXPECT_EQ(Send(box, BM_GETCHECK), BST_UNCHECKED);
  // The keyboard's click cannot flip it behind the core's back.
  Send(box, WM_KEYDOWN, VK_SPACE);
  Send(box, WM_KEYUP, VK_SPACE);
  EXPECT_EQ(std::to_string(Send(box, BM_GETCHECK)) + Bits({form.chkAllTopMost.Value()}), "00");
}

TEST_F(Win32MainWindowTest, ListClicksHoverAndTheBackgroundReachTheirHandlers) {
  const WindowHandle one = desktop.Open(SimWindow{.caption = "One - Editor", .process = 77});
  desktop.AddProcess(77, {"C:\\Apps\\editor.exe", "editor.exe"});
  desktop.Open(SimWindow{.caption = "Two", .process = 77});
  Start();
  HWND list = Control("lstFenetresNonTopMost");
  // A click selects and pauses the refresh; the background resumes it.
  Click(list, EntryPoint(list, 1));
  EXPECT_EQ(std::pair(form.lstFenetresNonTopMost.ListIndex(), window_->TimerRunning()),
            std::pair(1, false));
  Send(Control("Frame1"), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 120));
  EXPECT_TRUE(window_->TimerRunning());
  // Hovering an entry names its program; the banner, or a point below the entries, clears it.
  Send(list, WM_MOUSEMOVE, 0, EntryPoint(list, 0));
  EXPECT_EQ(WindowText(Control("lblProgName")), "editor.exe");
  Send(Control("Label1"), WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
  EXPECT_EQ(WindowText(Control("lblProgName")), "");
  Send(list, WM_MOUSEMOVE, 0, EntryPoint(list, 0));
  RECT inside{};
  GetClientRect(list, &inside);
  Send(list, WM_MOUSEMOVE, 0, MAKELPARAM(5, inside.bottom - 3));
  EXPECT_EQ(WindowText(Control("lblProgName")), "");
  // A right press offers the popup of the selected entry and keeps the selection.
  dialogs.popup_choices.push_back(std::nullopt);
  Send(list, WM_RBUTTONDOWN, MK_RBUTTON, EntryPoint(list, 0));
  EXPECT_EQ(std::pair(dialogs.popups, Send(list, LB_GETCURSEL)),
            std::pair(Strings{"mnuPopupNonTopmost"}, LRESULT{1}));
  // A double click makes the window topmost and offers a rule; the refresh button moves it.
  dialogs.input_answers.push_back(ScriptedDialogs::kAcceptDefault);
  Click(list, EntryPoint(list, 0));
  Click(list, EntryPoint(list, 0), true);
  EXPECT_TRUE(desktop.Window(one).topmost);
  EXPECT_EQ(ListBoxTexts(Control("lstCatalogueTopMost")), Strings{"One"});
  Send(Control("cmdRefresh"), BM_CLICK);
  EXPECT_EQ(ListBoxTexts(Control("lstFenetresTopMost")), Strings{"One - Editor"});
  EXPECT_EQ(ListBoxTexts(list), Strings{"Two"});
}

TEST_F(Win32MainWindowTest, CatalogueBoxesTextButtonsAndDoubleClickReachTheirHandlers) {
  Start("[TopMostWindows]\nWin1=Notepad\nchkWin1=1\nWin2=Paint\nchkWin2=0\n");
  HWND catalogue = Control("lstCatalogueTopMost");
  // The box toggles, the text selects only, the space bar toggles the selected one.
  Click(catalogue, EntryPoint(catalogue, 0, 4));
  EXPECT_EQ(Read("TopMostWindows", "chkWin1") + std::to_string(Send(catalogue, LB_GETITEMDATA, 0)),
            "00");
  Click(catalogue, EntryPoint(catalogue, 1, 150));
  EXPECT_EQ(
      Read("TopMostWindows", "chkWin2") + std::to_string(form.lstCatalogueTopMost.ListIndex()),
      "01");
  Send(catalogue, WM_KEYDOWN, VK_SPACE);
  EXPECT_EQ(Read("TopMostWindows", "chkWin2") + std::to_string(Send(catalogue, LB_GETITEMDATA, 1)),
            "11");
  dialogs.input_answers = {"Mail", "Notes"};
  Send(Control("cmdAjouter"), BM_CLICK);
  EXPECT_EQ(ListBoxTexts(catalogue), (Strings{"Mail", "Notepad", "Paint"}));
  Click(catalogue, EntryPoint(catalogue, 1, 150));
  Click(catalogue, EntryPoint(catalogue, 1, 150), true);
  ASSERT_EQ(dialogs.inputs.size(), 2u);
  EXPECT_EQ(dialogs.inputs[1].default_text, "Notepad");
  EXPECT_EQ(ListBoxTexts(catalogue), (Strings{"Mail", "Notes", "Paint"}));
}

TEST_F(Win32RealBoxesTest, TicksGoOnBehindARealBoxAndTheSessionEndIsNeverRefused) {
  Start("[DisableX]\nWin1=Mail\nchkWin1=1\n");
  form.Timer1.SetInterval(20);
  window_->Sync();
  // Found by a tick well before the one-second tick it started with.
  const WindowHandle mail = desktop.Open("Mail - inbox");
  bool disabled_while_open = false;
  LRESULT session_may_end = FALSE;
  {
    BoxPlayer player([&](HWND box) {
      disabled_while_open = WaitUntil(
          [&] { return (desktop.Window(mail).close_state.value_or(0) & 3u) == 3u; }, 700ms);
      session_may_end = Send(window_->Handle(), WM_QUERYENDSESSION);
      PostMessageW(box, WM_COMMAND, IDNO, 0);
    });
    window_->Dispatch([this] { form.mnuQuitter_Click(); });
  }
  EXPECT_EQ(std::tuple(disabled_while_open, session_may_end, form.EndRequested()),
            std::tuple(true, LRESULT{TRUE}, false));
  // The session then ends while a box is open: the program ends.
  BoxPlayer player([&](HWND box) {
    Send(window_->Handle(), WM_ENDSESSION, TRUE);
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
  });
  window_->Dispatch([this] { form.mnuAPropos_Click(); });
  EXPECT_EQ(Bits({form.EndRequested(), ends_ == 1}), "11");
}

// Before the taskbar is up the shell refuses the icon (here: it has no owner window yet).
TEST_F(Win32RealTrayTest, WithoutATaskbarTheWindowWaitsOnItAndTheIconTakesTheTraysMessages) {
  Start("[Configuration]\nMinimized=1\n");
  HWND handle = window_->Handle();
  EXPECT_EQ(Bits({native_tray.Missing(), form.Visible(), IsWindowVisible(handle) != 0,
                  IsIconic(handle) != 0}),
            "1011");
  // The next scan's tip retries the add.
  native_tray.SetOwner(handle);
  window_->Dispatch([this] { form.Timer1_Timer(); }, FormEvent::kTick);
  EXPECT_EQ(Bits({native_tray.Present(), IsWindowVisible(handle) != 0,
                  native_tray.Record(NIF_ICON).hIcon != nullptr}),
            "101");
  // A move does nothing, the right button pops the menu up, a double click brings it back.
  for (const UINT mouse : {WM_MOUSEMOVE, WM_RBUTTONUP, WM_LBUTTONDBLCLK}) {
    dialogs.popup_choices = {std::nullopt};
    Send(handle, Win32Tray::kCallbackMessage, Win32Tray::kIconId, mouse);
  }
  EXPECT_EQ(dialogs.popups, Strings{"mnuFichier"});
  EXPECT_EQ(Bits({form.Visible(), IsWindowVisible(handle) != 0}), "11");
  // A restarted taskbar's TaskbarCreated puts the icon back; a long tip is cut to the room.
  NOTIFYICONDATAW gone = native_tray.Record(0);
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
  Send(handle, RegisterWindowMessageW(L"TaskbarCreated"));
  NOTIFYICONDATAW probe = native_tray.Record(NIF_TIP);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &probe));
  EXPECT_TRUE(native_tray.ModifyTip(std::string(200, 'x')));
  EXPECT_EQ(std::wstring(native_tray.Record(NIF_TIP).szTip).size(), 127u);
}

}  // namespace
}  // namespace hoverdeck
