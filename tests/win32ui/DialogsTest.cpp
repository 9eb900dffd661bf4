// The modal boxes for real, played from inside their own message loops.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <gtest/gtest.h>

#include <tuple>

#include "Win32Harness.h"
#include "support/FormDesk.h"
#include "ui/frmAbout.h"
#include "ui/win32/Win32Dialogs.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

TEST(Win32DialogsTest, InputBoxShowsPromptTitleAndSelectedDefaultAndReturnsTheAnswer) {
  Win32Dialogs dialogs(GetModuleHandleW(nullptr));
  for (const int button : {IDOK, IDCANCEL}) {
    std::vector<std::string> seen;
    BoxPlayer player([&](HWND box) {
      HWND field = GetDlgItem(box, kInputEditId);
      seen = {WindowText(box), WindowText(GetDlgItem(box, kInputPromptId)), WindowText(field),
              std::to_string(SendMessageW(field, EM_GETSEL, 0, 0))};  // the default selected
      SetWindowTextW(field, L"R\u00E9sum\u00E9");
      PostMessageW(box, WM_COMMAND, button, 0);
    });
    // Cancelled, the box gives the empty answer whatever was typed.
    EXPECT_EQ(dialogs.InputBox("Line one\r\nLine two", "Title", "Notepad"),
              button == IDOK ? "R\xC3\xA9sum\xC3\xA9" : "");
    EXPECT_EQ(seen, (std::vector<std::string>{"Title", "Line one\r\nLine two", "Notepad",
                                              std::to_string(MAKELONG(0, 7))}));
  }
}

// The real box's buttons and icon, as "ok/yes/no" present and the system icon it shows.
TEST(Win32DialogsTest, MessageBoxHasTheIconAndButtonsAskedForAndGivesTheAnswer) {
  Win32Dialogs dialogs(GetModuleHandleW(nullptr));
  using enum MessageIcon;
  using enum MessageButtons;
  const std::tuple<MessageIcon, MessageButtons, int, MessageAnswer, const char*> cases[] = {
      {kQuestion, kYesNo, IDYES, MessageAnswer::kYes, "011 ?"},
      {kQuestion, kYesNo, IDNO, MessageAnswer::kNo, "011 ?"},
      {kExclamation, kOk, IDOK, MessageAnswer::kOk, "100 !"},
      {kInformation, kOk, IDOK, MessageAnswer::kOk, "100 i"}};
  for (const auto& [icon, buttons, button, answer, shown] : cases) {
    std::string seen;
    BoxPlayer player([&seen, button = button](HWND box) {
      seen = WindowText(box) + " ";
      for (const int id : {IDOK, IDYES, IDNO}) seen += GetDlgItem(box, id) ? "1" : "0";
      seen += " ";
      HICON shows = nullptr;
      for (HWND s = nullptr; !shows && (s = FindWindowExW(box, s, L"Static", nullptr));)
        shows = HICON(SendMessageW(s, STM_GETICON, 0, 0));
      for (const auto& [name, id] :
           {std::pair("?", IDI_QUESTION), {"!", IDI_EXCLAMATION}, {"i", IDI_INFORMATION}})
        if (shows && shows == LoadIconW(nullptr, id)) seen += name;
      PostMessageW(box, WM_COMMAND, button, 0);
    });
    EXPECT_EQ(dialogs.MessageBox("Quit?", "Hoverdeck - 1.1h", icon, buttons), answer);
    EXPECT_EQ(seen, std::string("Hoverdeck - 1.1h ") + shown);
  }
}

TEST(Win32DialogsTest, AboutBoxShowsTheCreditsAndItsLinkOpensThePage) {
  FakeShell shell;
  frmAbout about(shell);
  about.Form_Load();
  std::vector<std::string> texts;
  BoxPlayer player([&](HWND box) {
    HWND link = GetDlgItem(box, kAboutLinkId);
    texts = {WindowText(box), WindowText(GetDlgItem(box, kAboutFirstLabelId)), WindowText(link)};
    SendMessageW(box, WM_COMMAND, MAKEWPARAM(kAboutLinkId, STN_CLICKED), LPARAM(link));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  Win32Dialogs(GetModuleHandleW(nullptr)).ShowAbout(about);
  // The static shows the caption's "&&" as one "&".
  EXPECT_EQ(texts, (std::vector<std::string>{"About / Help...", about.lblCredit.Caption(),
                                             std::string(kMakerAddress)}));
  EXPECT_EQ(shell.opened, std::vector<std::string>{std::string(kMakerAddress)});
  EXPECT_FALSE(about.Loaded());  // OK unloaded it
}

}  // namespace
}  // namespace hoverdeck
