// The modal boxes for real: a thread timer plays the user inside each box's own message loop.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <gtest/gtest.h>

#include <tuple>

#include "Win32Harness.h"
#include "support/ScriptedDialogs.h"
#include "ui/frmAbout.h"
#include "ui/win32/Win32Dialogs.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

TEST(Win32DialogsTest, InputBoxShowsPromptTitleAndSelectedDefaultAndReturnsTheAnswer) {
  Win32Dialogs dialogs(GetModuleHandleW(nullptr));
  for (const int button : {IDOK, IDCANCEL}) {
    std::string title, prompt, edit;
    DWORD selection = 0;
    BoxPlayer player([&](HWND box) {
      title = WindowText(box);
      prompt = WindowText(GetDlgItem(box, kInputPromptId));
      HWND field = GetDlgItem(box, kInputEditId);
      edit = WindowText(field);
      selection = static_cast<DWORD>(SendMessageW(field, EM_GETSEL, 0, 0));
      SetWindowTextW(field, L"R\u00E9sum\u00E9");
      PostMessageW(box, WM_COMMAND, button, 0);
    });
    const std::string answer = dialogs.InputBox("Line one\r\nLine two", "Title", "Notepad");
    ASSERT_TRUE(BoxPlayer::played);
    EXPECT_EQ(std::tie(title, prompt, edit),
              std::tuple("Title", "Line one\r\nLine two", "Notepad"));
    EXPECT_EQ(selection, MAKELONG(0, 7));
    // Cancelled, the box gives the empty answer whatever was typed.
    EXPECT_EQ(answer, button == IDOK ? "R\xC3\xA9sum\xC3\xA9" : "");
  }
}

TEST(Win32DialogsTest, MessageBoxHasTheIconAndButtonsAskedForAndGivesTheAnswer) {
  Win32Dialogs dialogs(GetModuleHandleW(nullptr));
  const std::tuple<MessageIcon, MessageButtons, UINT, int, MessageAnswer> cases[] = {
      {MessageIcon::kQuestion, MessageButtons::kYesNo, MB_ICONQUESTION | MB_YESNO, IDYES,
       MessageAnswer::kYes},
      {MessageIcon::kQuestion, MessageButtons::kYesNo, MB_ICONQUESTION | MB_YESNO, IDNO,
       MessageAnswer::kNo},
      {MessageIcon::kExclamation, MessageButtons::kOk, MB_ICONEXCLAMATION | MB_OK, IDOK,
       MessageAnswer::kOk},
      {MessageIcon::kInformation, MessageButtons::kOk, MB_ICONINFORMATION | MB_OK, IDOK,
       MessageAnswer::kOk}};
  for (const auto& [icon, buttons, style, button, answer] : cases) {
    EXPECT_EQ(MessageBoxStyle(icon, buttons), style);
    std::string title;
    BoxPlayer player([&title, button = button](HWND box) {
      title = WindowText(box);
      PostMessageW(box, WM_COMMAND, button, 0);
    });
    EXPECT_EQ(dialogs.MessageBox("Quit?", "Hoverdeck - 1.1h", icon, buttons), answer);
    EXPECT_EQ(title, "Hoverdeck - 1.1h");
  }
}

TEST(Win32DialogsTest, AboutBoxShowsTheLabelsInOrderAndItsMagentaLinkOpensThePage) {
  FakeShell shell;
  frmAbout about(shell);
  about.Form_Load();
  Win32Dialogs dialogs(GetModuleHandleW(nullptr));
  std::string title, first, link;
  COLORREF link_colour = 0;
  LRESULT cursor_answer = 0;
  HCURSOR cursor = nullptr;
  bool icon = false, ordered = true;
  BoxPlayer player([&](HWND box) {
    title = WindowText(box);
    first = WindowText(GetDlgItem(box, kAboutFirstLabelId));
    HWND link_control = GetDlgItem(box, kAboutLinkId);
    link = WindowText(link_control);
    icon = SendMessageW(GetDlgItem(box, kAboutIconId), STM_GETICON, 0, 0) != 0;
    for (int id = kAboutFirstLabelId, bottom = -1; id < kAboutFirstLabelId + 8; ++id) {
      RECT rect{};
      GetWindowRect(GetDlgItem(box, id), &rect);
      ordered &= rect.top >= bottom;
      bottom = rect.bottom;
    }
    HDC dc = GetDC(box);
    SendMessageW(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(link_control));
    link_colour = GetTextColor(dc);
    ReleaseDC(box, dc);
    cursor_answer = SendMessageW(box, WM_SETCURSOR, reinterpret_cast<WPARAM>(link_control),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    cursor = GetCursor();
    SendMessageW(box, WM_COMMAND, MAKEWPARAM(kAboutLinkId, STN_CLICKED),
                 reinterpret_cast<LPARAM>(link_control));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  dialogs.ShowAbout(about);
  ASSERT_TRUE(BoxPlayer::played);
  EXPECT_EQ(title, "About / Help...");
  EXPECT_EQ(first, about.lblCredit.Caption());  // the static shows the caption's "&&" as "&"
  EXPECT_EQ(link, std::string(kMakerAddress));
  EXPECT_TRUE(icon);
  EXPECT_TRUE(ordered);
  EXPECT_EQ(link_colour, RGB(255, 0, 255));
  EXPECT_EQ(cursor_answer, TRUE);
  EXPECT_EQ(cursor, LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // the hand
  EXPECT_EQ(shell.opened, std::vector<std::string>{std::string(kMakerAddress)});
  EXPECT_FALSE(about.Loaded());  // OK unloaded it
}

}  // namespace
}  // namespace hoverdeck
