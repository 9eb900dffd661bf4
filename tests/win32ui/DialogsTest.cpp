// The modal boxes for real: a thread timer plays the user inside each box's own message loop.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/win32/WideText.h"
#include "support/ScriptedDialogs.h"
#include "ui/frmAbout.h"
#include "ui/win32/Win32Dialogs.h"

namespace hoverdeck {
namespace {

using win32::Narrow;

// Calls `act` with the active box of this thread once it is up; the box's loop runs the timer.
class BoxPlayer {
 public:
  explicit BoxPlayer(std::function<void(HWND)> act) {
    act_ = std::move(act);
    timer_ = SetTimer(nullptr, 0, 30, &BoxPlayer::Tick);
  }
  ~BoxPlayer() { KillTimer(nullptr, timer_); }
  static bool played() { return played_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = GetActiveWindow();
    if (!box || played_) return;
    wchar_t name[32] = {};
    GetClassNameW(box, name, 32);
    if (std::wstring(name) != L"#32770") return;
    played_ = true;
    act_(box);
  }
  static inline std::function<void(HWND)> act_;
  static inline bool played_ = false;
  UINT_PTR timer_ = 0;

 public:
  static void Reset() { played_ = false; }
};

std::string Text(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return Narrow(text);
}

TEST(Win32DialogsTest, InputBoxShowsPromptTitleAndSelectedDefaultAndReturnsTheAnswer) {
  Win32Dialogs dialogs(GetModuleHandleW(nullptr));
  BoxPlayer::Reset();
  std::string title, prompt, edit;
  DWORD selection = 0;
  BoxPlayer player([&](HWND box) {
    title = Text(box);
    prompt = Text(GetDlgItem(box, kInputPromptId));
    HWND field = GetDlgItem(box, kInputEditId);
    edit = Text(field);
    selection = static_cast<DWORD>(SendMessageW(field, EM_GETSEL, 0, 0));
    SetWindowTextW(field, L"R\u00E9sum\u00E9");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  const std::string answer = dialogs.InputBox("Line one\r\nLine two", "Hoverdeck 1.1h", "Notepad");
  ASSERT_TRUE(BoxPlayer::played());
  EXPECT_EQ(title, "Hoverdeck 1.1h");
  EXPECT_EQ(prompt, "Line one\r\nLine two");
  EXPECT_EQ(edit, "Notepad");
  EXPECT_EQ(LOWORD(selection), 0);
  EXPECT_EQ(HIWORD(selection), 7);
  EXPECT_EQ(answer, "R\xC3\xA9sum\xC3\xA9");
}

TEST(Win32DialogsTest, CancelledInputBoxGivesTheEmptyAnswer) {
  Win32Dialogs dialogs(GetModuleHandleW(nullptr));
  BoxPlayer::Reset();
  BoxPlayer player([](HWND box) { PostMessageW(box, WM_COMMAND, IDCANCEL, 0); });
  EXPECT_EQ(dialogs.InputBox("Prompt", "Title", "kept?"), "");
  EXPECT_TRUE(BoxPlayer::played());
}

TEST(Win32DialogsTest, MessageBoxAnswersYesNoAndOk) {
  Win32Dialogs dialogs(GetModuleHandleW(nullptr));
  EXPECT_EQ(MessageBoxStyle(MessageIcon::kQuestion, MessageButtons::kYesNo),
            static_cast<UINT>(MB_ICONQUESTION | MB_YESNO));
  EXPECT_EQ(MessageBoxStyle(MessageIcon::kExclamation, MessageButtons::kOk),
            static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
  EXPECT_EQ(MessageBoxStyle(MessageIcon::kInformation, MessageButtons::kOk),
            static_cast<UINT>(MB_ICONINFORMATION | MB_OK));

  for (const auto& [button, expected] : {std::pair{IDYES, MessageAnswer::kYes},
                                        std::pair{IDNO, MessageAnswer::kNo}}) {
    BoxPlayer::Reset();
    std::string title;
    BoxPlayer player([&title, button = button](HWND box) {
      title = Text(box);
      PostMessageW(box, WM_COMMAND, button, 0);
    });
    EXPECT_EQ(dialogs.MessageBox("Quit?", "Hoverdeck - 1.1h", MessageIcon::kQuestion,
                                 MessageButtons::kYesNo),
              expected);
    EXPECT_EQ(title, "Hoverdeck - 1.1h");
  }
  BoxPlayer::Reset();
  BoxPlayer player([](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); });
  EXPECT_EQ(dialogs.MessageBox("Note", "T", MessageIcon::kInformation, MessageButtons::kOk),
            MessageAnswer::kOk);
}

TEST(Win32DialogsTest, AboutBoxShowsTheLabelsInOrderAndItsMagentaLinkOpensThePage) {
  testing::FakeShell shell;
  frmAbout about(shell);
  about.Form_Load();
  Win32Dialogs dialogs(GetModuleHandleW(nullptr));
  BoxPlayer::Reset();
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
