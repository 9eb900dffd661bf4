// The modal boxes for real: a thread timer plays the user inside each box's own message loop.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "Win32Harness.h"
#include "support/ScriptedDialogs.h"
#include "ui/frmAbout.h"
#include "ui/win32/Win32Dialogs.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

std::string Text(HWND window) { return WindowText(window); }

TEST(Win32DialogsTest, InputBoxShowsPromptTitleAndSelectedDefaultAndReturnsTheAnswer) {
  Win32Dialogs dialogs(GetModuleHandleW(nullptr));
  for (const int button : {IDOK, IDCANCEL}) {
    std::string title, prompt, edit;
    DWORD selection = 0;
    BoxPlayer player([&](HWND box) {
      title = Text(box);
      prompt = Text(GetDlgItem(box, kInputPromptId));
      HWND field = GetDlgItem(box, kInputEditId);
      edit = Text(field);
      selection = static_cast<DWORD>(SendMessageW(field, EM_GETSEL, 0, 0));
      SetWindowTextW(field, L"R\u00E9sum\u00E9");
      PostMessageW(box, WM_COMMAND, button, 0);
    });
    const std::string answer =
        dialogs.InputBox("Line one\r\nLine two", "Hoverdeck 1.1h", "Notepad");
    ASSERT_TRUE(BoxPlayer::played());
    EXPECT_EQ(title, "Hoverdeck 1.1h");
    EXPECT_EQ(prompt, "Line one\r\nLine two");
    EXPECT_EQ(edit, "Notepad");
    EXPECT_EQ(selection, MAKELONG(0, 7));
    // Cancelled, the box gives the empty answer whatever was typed.
    EXPECT_EQ(answer, button == IDOK ? "R\xC3\xA9sum\xC3\xA9" : "");
  }
}

TEST(Win32DialogsTest, MessageBoxAnswersYesNoAndOk) {
  Win32Dialogs dialogs(GetModuleHandleW(nullptr));
  EXPECT_EQ(MessageBoxStyle(MessageIcon::kQuestion, MessageButtons::kYesNo),
            static_cast<UINT>(MB_ICONQUESTION | MB_YESNO));
  EXPECT_EQ(MessageBoxStyle(MessageIcon::kExclamation, MessageButtons::kOk),
            static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
  EXPECT_EQ(MessageBoxStyle(MessageIcon::kInformation, MessageButtons::kOk),
            static_cast<UINT>(MB_ICONINFORMATION | MB_OK));

  const std::tuple<int, MessageButtons, MessageAnswer> cases[] = {
      {IDYES, MessageButtons::kYesNo, MessageAnswer::kYes},
      {IDNO, MessageButtons::kYesNo, MessageAnswer::kNo},
      {IDOK, MessageButtons::kOk, MessageAnswer::kOk}};
  for (const auto& [button, buttons, expected] : cases) {
    std::string title;
    BoxPlayer player([&title, button = button](HWND box) {
      title = Text(box);
      PostMessageW(box, WM_COMMAND, button, 0);
    });
    EXPECT_EQ(dialogs.MessageBox("Quit?", "Hoverdeck - 1.1h", MessageIcon::kQuestion, buttons),
              expected);
    EXPECT_EQ(title, "Hoverdeck - 1.1h");
  }
}

TEST(Win32DialogsTest, AboutBoxShowsTheLabelsInOrderAndItsMagentaLinkOpensThePage) {
  testing::FakeShell shell;
  frmAbout about(shell);
  about.Form_Load();
  Win32Dialogs dialogs(GetModuleHandleW(nullptr));
  std::string title, first, link;
  COLORREF link_colour = 0;
  LRESULT cursor_answer = 0;
  HCURSOR cursor = nullptr;
  bool icon = false;
  int previous_bottom = -1;
  bool ordered = true;
  BoxPlayer player([&](HWND box) {
    title = Text(box);
    first = Text(GetDlgItem(box, kAboutFirstLabelId));
    HWND link_control = GetDlgItem(box, kAboutLinkId);
    link = Text(link_control);
    icon = SendMessageW(GetDlgItem(box, kAboutIconId), STM_GETICON, 0, 0) != 0;
    for (int id = kAboutFirstLabelId; id < kAboutFirstLabelId + 8; ++id) {
      RECT rect{};
      GetWindowRect(GetDlgItem(box, id), &rect);
      ordered &= rect.top >= previous_bottom;
      previous_bottom = rect.bottom;
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
  ASSERT_TRUE(BoxPlayer::played());
  EXPECT_EQ(title, "About / Help...");
  // The static control shows the caption's "&&" as one "&".
  EXPECT_EQ(first, about.lblCredit.Caption());
  EXPECT_EQ(link, std::string(kMakerAddress));
  EXPECT_TRUE(icon);
  EXPECT_TRUE(ordered);
  EXPECT_EQ(link_colour, RGB(255, 0, 255));
  EXPECT_EQ(cursor_answer, TRUE);
  EXPECT_EQ(cursor, LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));
  EXPECT_EQ(shell.opened, std::vector<std::string>{std::string(kMakerAddress)});
  EXPECT_FALSE(about.Loaded());  // OK unloaded it
}

}  // namespace
}  // namespace hoverdeck
