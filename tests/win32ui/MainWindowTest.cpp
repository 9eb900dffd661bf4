// The main window's real controls over the core form on a simulated desktop: layout, the core's
// state shown, messages reaching its handlers, ticks behind real boxes, the tray icon.
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
  // Loads the form with that INI, with real boxes or a real tray icon when asked.
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

// Moved to a monitor of another scale, every control sits where the layout puts it and looks as
// it says.
TEST_F(Win32MainWindowTest, ControlsFollowTheLayoutAtANewScale) {
  Start();
  HDC dc = GetDC(window_->Handle());
  EXPECT_EQ(window_->Dpi(), GetDeviceCaps(dc, LOGPIXELSY));
  const int dpi = 144;
  RECT rect{40, 30, 900, 700};
  Send(window_->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rect));
  GetClientRect(window_->Handle(), &rect);
  EXPECT_EQ(
      std::pair(int(rect.right), int(rect.bottom)),
      std::pair(TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)));
  for (const ControlLayout& layout : FrmTopLayout()) {
    const std::string name(layout.name);
    HWND control = window_->Control(layout.name);
    ASSERT_EQ(control != nullptr, layout.shown) << name;
    if (!control) continue;
    HWND parent = layout.container.empty() ? window_->Handle() : window_->Control(layout.container);
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
    const auto type = layout.type;
    EXPECT_EQ(
        std::tuple(face.lfWeight >= FW_BOLD, face.lfUnderline != 0, (style & WS_TABSTOP) != 0,
                   (style & SS_TYPEMASK) == SS_RIGHT && type == ControlType::kLabel),
        std::tuple(layout.bold, layout.underline, layout.tab_index >= 0, layout.right_aligned))
        << name;
    if (type == ControlType::kListBox || type == ControlType::kCheckListBox) {
      EXPECT_EQ(style & (LBS_SORT | LBS_OWNERDRAWFIXED),
                type == ControlType::kCheckListBox ? LBS_OWNERDRAWFIXED : 0)
          << name << ": the core sorts";
    }
    // The 8-point face at this scale, give or take the rasteriser's rounding.
    const HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    EXPECT_NEAR(metrics.tmHeight - metrics.tmInternalLeading, MulDiv(8, dpi, 72), 1) << name;
  }
  ReleaseDC(window_->Handle(), dc);
}

// The room a control really gives its caption when Wine or Windows draws it: a group box indents
// its one-line title and keeps clear of its frame, a check box writes beside its glyph and a gap,
// a button inside its edges, a label over its whole client area; lines as its height holds.
RECT CaptionRoom(HWND control, ControlType type, int dpi, const TEXTMETRICW& metrics) {
  RECT room{};
  GetClientRect(control, &room);
  if (type == ControlType::kFrame) {
    InflateRect(&room, -MulDiv(9, dpi, 96), 0);
    room.bottom = metrics.tmHeight;
  } else if (type == ControlType::kCheckBox) {
    room.left += MulDiv(13, dpi, 96) + std::max<int>(MulDiv(6, dpi, 96), metrics.tmAveCharWidth);
  } else if (type == ControlType::kButton) {
    InflateRect(&room, -(GetSystemMetrics(SM_CXEDGE) + 1), -(GetSystemMetrics(SM_CYEDGE) + 1));
  }
  return room;
}

// Every caption is shown whole, measured with the font its control really has, at each scale,
// with Wine's face and with a wider message font, as Windows 10 and 11 use.
TEST_F(Win32MainWindowTest, EveryCaptionFitsTheRoomItsControlGivesAtEveryScaleAndFace) {
  NONCLIENTMETRICSW saved{};
  saved.cbSize = sizeof(saved);
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(saved), &saved, 0);
  for (const std::wstring face : {L"", L"Open Sans"}) {
    NONCLIENTMETRICSW metrics = saved;  // for this process only: nothing is written
    if (!face.empty()) wcscpy(metrics.lfMessageFont.lfFaceName, face.c_str());
    SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    Start();
    for (const int dpi : {96, 120, 144, 192}) {
      RECT place{0, 0, 900, 700};
      Send(window_->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), LPARAM(&place));
      for (const ControlLayout& layout : FrmTopLayout()) {
        HWND control = window_->Control(layout.name);
        const std::wstring text = control ? ControlText(control) : L"";
        if (text.empty()) continue;
        HDC dc = GetDC(control);
        SelectObject(dc, reinterpret_cast<HFONT>(Send(control, WM_GETFONT)));
        TEXTMETRICW font{};
        GetTextMetricsW(dc, &font);
        wchar_t used[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, used);
        const RECT room = CaptionRoom(control, layout.type, dpi, font);
        RECT need{0, 0, room.right - room.left, 0};
        DrawTextW(dc, text.c_str(), -1, &need,
                  DT_CALCRECT | DT_NOPREFIX |
                      (layout.type == ControlType::kLabel || layout.type == ControlType::kCheckBox
                           ? DT_WORDBREAK
                           : DT_SINGLELINE));
        ReleaseDC(control, dc);
        EXPECT_TRUE(need.right <= room.right - room.left && need.bottom <= room.bottom - room.top &&
                    (face.empty() || face == used))
            << win32::Narrow(face + L" " + used) << " " << dpi << " dpi, " << layout.name
            << " needs " << need.right << "x" << need.bottom << " of " << room.right - room.left
            << "x" << room.bottom - room.top;
      }
    }
  }
  SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(saved), &saved, 0);
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
  EXPECT_EQ(std::tuple(Send(catalogue, LB_GETITEMDATA, 0), Send(catalogue, LB_GETITEMDATA, 1),
                       Send(Control("chkAllDisableX"), BM_GETCHECK),
                       Send(Control("chkAllTopMost"), BM_GETCHECK)),
            std::tuple(0, 1, BST_CHECKED, BST_UNCHECKED));
  EXPECT_TRUE(GetMenuState(window_->MenuBar(), window_->MenuCommand("mnuTopMostCaption"), 0) &
              MF_CHECKED);
  // The banner's and the lists' colours, through the colour messages.
  HDC dc = GetDC(window_->Handle());
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
  ReleaseDC(window_->Handle(), dc);
  EXPECT_TRUE(IsWindowVisible(window_->Handle()) && window_->TimerRunning());
  EXPECT_EQ(GetFocus(), Control("lstFenetresNonTopMost"));
}

TEST_F(Win32MainWindowTest, MenuCommandsKeysAndTheCheckBoxReachTheCore) {
  Start();
  Send(window_->Handle(), WM_COMMAND, MAKEWPARAM(window_->MenuCommand("mnuMinimized"), 0));
  EXPECT_TRUE(
      Ini("Configuration", "Minimized") == "1" &&
      (GetMenuState(window_->MenuBar(), window_->MenuCommand("mnuMinimized"), 0) & MF_CHECKED));
  MSG key{Control("lstFenetresNonTopMost"), WM_KEYDOWN, VK_F1, 0, 0, {}};
  EXPECT_TRUE(window_->PreTranslate(key) && dialogs_.abouts.size() == 1);
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
  EXPECT_TRUE(Send(box, BM_GETCHECK) == BST_CHECKED &&
              Ini("Configuration", "SetAllTopMost") == "1");
  Click(box, MAKELPARAM(5, 5));
  EXPECT_EQ(Send(box, BM_GETCHECK), BST_UNCHECKED);
  // The keyboard's click cannot flip it behind the core's back.
  Send(box, WM_KEYDOWN, VK_SPACE);
  Send(box, WM_KEYUP, VK_SPACE);
  EXPECT_TRUE(Send(box, BM_GETCHECK) == BST_UNCHECKED && !form_->chkAllTopMost.Value());
}

TEST_F(Win32MainWindowTest, ListClicksHoverAndTheBackgroundReachTheirHandlers) {
  const WindowHandle one = desktop_.Open(SimWindow{.caption = "One - Editor", .process = 77});
  desktop_.AddProcess(77, {"C:\\Apps\\editor.exe", "editor.exe"});
  desktop_.Open(SimWindow{.caption = "Two", .process = 77});
  Start();
  HWND list = Control("lstFenetresNonTopMost");
  Send(list, WM_RBUTTONDOWN, MK_RBUTTON, EntryPoint(list, 0));
  EXPECT_TRUE(dialogs_.popups.empty() && Send(list, LB_GETCURSEL) == LB_ERR) << "no popup";
  // A click selects and pauses the refresh; the background resumes it.
  Click(list, EntryPoint(list, 1));
  EXPECT_EQ(std::pair(form_->lstFenetresNonTopMost.ListIndex(), window_->TimerRunning()),
            std::pair(1, false));
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
  Send(list, WM_RBUTTONDOWN, MK_RBUTTON, EntryPoint(list, 0));
  EXPECT_EQ(std::pair(dialogs_.popups, Send(list, LB_GETCURSEL)),
            std::pair(Texts{"mnuPopupNonTopmost"}, LRESULT{1}));
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
  // The box toggles, the text selects only, the space bar toggles the selected one.
  Click(catalogue, EntryPoint(catalogue, 0, 4));
  EXPECT_EQ(Ini("TopMostWindows", "chkWin1") + std::to_string(Send(catalogue, LB_GETITEMDATA, 0)),
            "00");
  Click(catalogue, EntryPoint(catalogue, 1, 150));
  EXPECT_EQ(
      Ini("TopMostWindows", "chkWin2") + std::to_string(form_->lstCatalogueTopMost.ListIndex()),
      "01");
  Send(catalogue, WM_KEYDOWN, VK_SPACE);
  EXPECT_EQ(Ini("TopMostWindows", "chkWin2") + std::to_string(Send(catalogue, LB_GETITEMDATA, 1)),
            "11");
  dialogs_.input_answers = {"Mail", "Notes"};
  Send(Control("cmdAjouter"), BM_CLICK);
  EXPECT_EQ(ListBoxTexts(catalogue), (Texts{"Mail", "Notepad", "Paint"}));
  Click(catalogue, EntryPoint(catalogue, 1, 150));
  Click(catalogue, EntryPoint(catalogue, 1, 150), true);
  ASSERT_EQ(dialogs_.inputs.size(), 2u);
  EXPECT_EQ(dialogs_.inputs[1].default_text, "Notepad");
  EXPECT_EQ(ListBoxTexts(catalogue), (Texts{"Mail", "Notes", "Paint"}));
}

TEST_F(Win32MainWindowTest, TicksGoOnBehindARealBoxAndTheSessionEndIsNeverRefused) {
  Start("[DisableX]\nWin1=Mail\nchkWin1=1\n", true);
  form_->Timer1.SetInterval(20);
  window_->Sync();
  EXPECT_EQ(window_->TimerInterval(), 20);
  // Found by a tick well before the one-second tick it started with.
  const WindowHandle mail = desktop_.Open("Mail - inbox");
  bool disabled_while_open = false;
  LRESULT session_may_end = FALSE;
  {
    BoxPlayer player([&](HWND box) {
      disabled_while_open = WaitUntil(
          [&] { return (desktop_.Window(mail).close_state.value_or(0) & 3u) == 3u; }, 700ms);
      session_may_end = Send(window_->Handle(), WM_QUERYENDSESSION);
      PostMessageW(box, WM_COMMAND, IDNO, 0);
    });
    window_->Dispatch([this] { form_->mnuQuitter_Click(); });
  }
  EXPECT_EQ(std::tuple(disabled_while_open, session_may_end, form_->EndRequested()),
            std::tuple(true, LRESULT{TRUE}, false));
  // The session then ends while a box is open: the program ends.
  BoxPlayer player([&](HWND box) {
    Send(window_->Handle(), WM_ENDSESSION, TRUE);
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
  });
  window_->Dispatch([this] { form_->mnuAPropos_Click(); });
  EXPECT_TRUE(form_->EndRequested() && ends_ == 1);
}

// Before the taskbar is up the shell refuses the icon (here: it has no owner window yet).
TEST_F(Win32MainWindowTest, WithoutATaskbarTheWindowWaitsOnItAndTheIconTakesTheTraysMessages) {
  Start("[Configuration]\nMinimized=1\n", false, true);
  HWND handle = window_->Handle();
  EXPECT_TRUE(native_tray_.Missing() && !form_->Visible() && IsWindowVisible(handle) &&
              IsIconic(handle));
  // The next scan's tip retries the add.
  native_tray_.SetOwner(handle);
  window_->Dispatch([this] { form_->Timer1_Timer(); }, FormEvent::kTick);
  EXPECT_TRUE(native_tray_.Present() && !IsWindowVisible(handle) &&
              native_tray_.Record(NIF_ICON).hIcon != nullptr);
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
}

}  // namespace
}  // namespace hoverdeck
