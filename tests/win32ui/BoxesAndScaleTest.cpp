// The main window with real modal boxes (a thread timer plays the user inside each box's own
// loop): the refresh tick goes on behind them and the session end is never refused. Also the
// layout at another monitor's scale, and every caption measured against its control.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <gtest/gtest.h>

#include <string>

#include "Win32Harness.h"
#include "support/FakeTray.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedDesktop.h"
#include "support/TempDir.h"
#include "ui/FormLayout.h"
#include "ui/frmTop.h"
#include "ui/win32/Win32Dialogs.h"
#include "ui/win32/Win32MainWindow.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

class Win32BoxesTest : public ::testing::Test {
 protected:
  Win32BoxesTest()
      : host_(dir_.path()),
        dialogs_(GetModuleHandleW(nullptr)),
        form_(FormPorts{desktop_, desktop_, tray_, dialogs_, shell_, host_}) {
    WriteBytes(dir_.File("Hoverdeck.ini"), "[DisableX]\nWin1=Mail\nchkWin1=1\n");
    window_ = std::make_unique<Win32MainWindow>(form_, GetModuleHandleW(nullptr));
    dialogs_.SetOwner(window_->Handle());
    window_->SetEndHandler([this] { ++ends_; });
    window_->Dispatch([this] { form_.Form_Load(""); });
    form_.Timer1.SetInterval(20);
    window_->Sync();
  }
  bool CloseItemDisabled(WindowHandle window) {
    return (desktop_.Window(window).close_state.value_or(0) & 3u) == 3u;
  }

  TempDir dir_;
  SimulatedDesktop desktop_;
  FakeTray tray_;
  FakeShell shell_;
  FakeHost host_;
  Win32Dialogs dialogs_;
  frmTop form_;
  std::unique_ptr<Win32MainWindow> window_;
  int ends_ = 0;
};

TEST_F(Win32BoxesTest, TicksGoOnBehindABoxAndTheSessionEndIsNeverRefused) {
  const WindowHandle mail = desktop_.Open("Mail - inbox");
  bool disabled_while_open = false;
  LRESULT session_may_end = FALSE;
  {
    BoxPlayer player([&](HWND box) {
      disabled_while_open = WaitUntil([&] { return CloseItemDisabled(mail); }, 3s);
      session_may_end = SendMessageW(window_->Handle(), WM_QUERYENDSESSION, 0, 0);
      PostMessageW(box, WM_COMMAND, IDNO, 0);
    });
    window_->Dispatch([this] { form_.mnuQuitter_Click(); });
  }
  EXPECT_TRUE(disabled_while_open);
  EXPECT_EQ(session_may_end, TRUE);
  EXPECT_FALSE(form_.EndRequested());

  // The session then ends while a box is open: the program ends, its icon gone.
  BoxPlayer player([&](HWND box) {
    SendMessageW(window_->Handle(), WM_ENDSESSION, TRUE, 0);
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
  });
  window_->Dispatch([this] { form_.mnuAPropos_Click(); });
  EXPECT_TRUE(form_.EndRequested());
  EXPECT_FALSE(tray_.present);
  EXPECT_EQ(ends_, 1);
}

// The room a control leaves its caption, in pixels: a group box draws its title over the frame
// after a gap, a check box beside its box, a button inside its edges.
SIZE CaptionRoom(HWND control, ControlType type, int dpi, const TEXTMETRICW& metrics) {
  RECT client{};
  GetClientRect(control, &client);
  SIZE room{client.right, client.bottom};
  switch (type) {
    case ControlType::kFrame:
      room.cx -= MulDiv(14, dpi, 96);
      room.cy = metrics.tmHeight;
      break;
    case ControlType::kCheckBox:
      room.cx -= MulDiv(13, dpi, 96) + metrics.tmAveCharWidth;
      break;
    case ControlType::kButton:
      room.cx -= 2 * (GetSystemMetrics(SM_CXEDGE) + 1);
      room.cy -= 2 * (GetSystemMetrics(SM_CYEDGE) + 1);
      break;
    default:
      break;
  }
  return room;
}

// At the system's scale and after moves to monitors of other scales: the layout follows the
// scale, and every caption fits its control.
TEST_F(Win32BoxesTest, EveryCaptionFitsItsControlAtTheSystemFontAndScale) {
  for (const int dpi : {window_->Dpi(), 120, 144}) {
    RECT suggested{40, 30, 900, 700};
    SendMessageW(window_->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    RECT client{};
    GetClientRect(window_->Handle(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(kClientWidthTwips, dpi));
    EXPECT_EQ(client.bottom, TwipsToPixels(kClientHeightTwips, dpi));
    HDC dc = GetDC(window_->Handle());
    int checked = 0;
    for (const ControlLayout& layout : FrmTopLayout()) {
      HWND control = window_->Control(layout.name);
      wchar_t text[256] = {};
      if (!control || GetWindowTextW(control, text, 256) == 0) continue;
      RECT place{};
      GetWindowRect(control, &place);
      MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
      EXPECT_EQ(place.left, TwipsToPixels(layout.left, dpi)) << layout.name;
      const HGDIOBJ old =
          SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
      TEXTMETRICW metrics{};
      GetTextMetricsW(dc, &metrics);
      // The 8-point face at this scale, give or take the rasteriser's rounding.
      EXPECT_NEAR(metrics.tmHeight - metrics.tmInternalLeading, MulDiv(8, dpi, 72), 1)
          << layout.name;
      const SIZE room = CaptionRoom(control, layout.type, dpi, metrics);
      RECT need{0, 0, room.cx, 0};
      const bool one_line =
          layout.type == ControlType::kFrame || layout.type == ControlType::kButton;
      DrawTextW(dc, text, -1, &need,
                DT_CALCRECT | (one_line ? DT_SINGLELINE : DT_WORDBREAK) |
                    (layout.type == ControlType::kLabel ? DT_NOPREFIX : 0));
      SelectObject(dc, old);
      EXPECT_LE(need.right, room.cx) << layout.name << " at " << dpi << " dpi";
      EXPECT_LE(need.bottom, room.cy) << layout.name << " at " << dpi << " dpi";
      ++checked;
    }
    ReleaseDC(window_->Handle(), dc);
    EXPECT_GE(checked, 20);
  }
}

}  // namespace
}  // namespace hoverdeck
