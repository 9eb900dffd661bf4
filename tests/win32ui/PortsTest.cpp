// The tray, the popup menus, the program host and the shell of the Win32 edition.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/win32/WideText.h"
#include "support/TempDir.h"
#include "ui/Controls.h"
#include "ui/win32/Win32Dialogs.h"
#include "ui/win32/Win32ProgramHost.h"
#include "ui/win32/Win32Shell.h"
#include "ui/win32/Win32Tray.h"

namespace hoverdeck {
namespace {

TEST(Win32TrayTest, AddsModifiesAndDeletesTheIconAndTakesItsOwnersMessages) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  Win32Tray tray(GetModuleHandleW(nullptr));
  EXPECT_FALSE(tray.Add("no owner yet"));
  tray.SetOwner(owner);
  EXPECT_TRUE(tray.Add("Hoverdeck 1.1h"));
  const NOTIFYICONDATAW record = tray.Record(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  EXPECT_EQ(record.cbSize, sizeof(NOTIFYICONDATAW));
  EXPECT_EQ(record.uID, 1u);
  EXPECT_EQ(record.uFlags, 7u);
  EXPECT_EQ(record.uCallbackMessage, static_cast<UINT>(WM_APP + 1));
  EXPECT_NE(record.hIcon, nullptr);
  EXPECT_EQ(std::wstring(record.szTip), L"Hoverdeck 1.1h");
  EXPECT_TRUE(tray.ModifyTip(std::string(200, 'x')));  // cut to the record's room
  EXPECT_EQ(std::wstring(tray.Record(NIF_TIP).szTip).size(), 127u);

  // The icon's mouse messages arrive as the core's events; a move is none of them.
  const std::tuple<UINT, LPARAM, bool, std::optional<TrayMouseEvent>> messages[] = {
      {WM_APP + 1, WM_LBUTTONDBLCLK, true, TrayMouseEvent::kLeftDoubleClick},
      {WM_APP + 1, WM_RBUTTONUP, true, TrayMouseEvent::kRightDown},
      {WM_APP + 1, WM_MOUSEMOVE, true, TrayMouseEvent::kOther},
      {RegisterWindowMessageW(L"TaskbarCreated"), 0, true, std::nullopt},
      {WM_TIMER, 0, false, std::nullopt}};
  std::optional<TrayMouseEvent> event;  // each answer replaces the one before
  for (const auto& [message, mouse, taken, expected] : messages) {
    EXPECT_EQ(tray.OnMessage(message, 1, mouse, event), taken) << mouse;
    EXPECT_EQ(event, expected) << mouse;
  }

  EXPECT_TRUE(tray.Delete());
  EXPECT_FALSE(tray.Present());
  EXPECT_FALSE(tray.ModifyTip("gone"));
  DestroyWindow(owner);
}

TEST(Win32PopupTest, ThePopupHoldsTheItemsMarksAndSeparatorsAndNamesTheChoice) {
  MenuItem first("mnuSetTopmost", "Set topmost");
  MenuItem separator("Sep2", "-");
  MenuItem second("mnuDisableX", "Disable/Enable X button");
  second.SetChecked(true);
  const Menu menu("mnuPopupNonTopmost", "mnuPopupNonTopmost", false, {&first, &separator, &second});
  const NativePopup popup = BuildPopupMenu(menu);
  ASSERT_EQ(GetMenuItemCount(popup.menu.get()), 3);
  EXPECT_TRUE(GetMenuState(popup.menu.get(), 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_TRUE(GetMenuState(popup.menu.get(), 2, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_FALSE(GetMenuState(popup.menu.get(), 0, MF_BYPOSITION) & MF_CHECKED);
  const UINT command = GetMenuItemID(popup.menu.get(), 2);
  EXPECT_EQ(popup.NameOf(command), "mnuDisableX");
  EXPECT_EQ(popup.NameOf(GetMenuItemID(popup.menu.get(), 0)), "mnuSetTopmost");
  EXPECT_EQ(popup.NameOf(0), std::nullopt);  // dismissed
  EXPECT_EQ(popup.NameOf(99), std::nullopt);
}

TEST(Win32ProgramHostTest, TheMutexTellsASecondInstanceAndGoesWithTheFirst) {
  const std::wstring name = L"Local\\Hoverdeck-test-" + std::to_wstring(GetCurrentProcessId());
  {
    Win32ProgramHost first(name);
    EXPECT_FALSE(first.AnotherInstanceRunning());
    EXPECT_FALSE(first.AnotherInstanceRunning());  // asking again is no second instance
    Win32ProgramHost second(name);
    EXPECT_TRUE(second.AnotherInstanceRunning());
  }
  Win32ProgramHost later(name);
  EXPECT_FALSE(later.AnotherInstanceRunning());
}

TEST(Win32ProgramHostTest, FoldersAndSystem) {
  Win32ProgramHost host(L"Local\\Hoverdeck-test-dir");
  EXPECT_TRUE(std::filesystem::exists(host.ExecutableDirectory() / "hoverdeck_win32ui_tests.exe"));
  EXPECT_EQ(host.OperatingSystem().description.rfind("Windows", 0), 0u);
  testing::TempDir dir;
  EXPECT_TRUE(host.CanWriteIn(dir.path()));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "the probe file stayed behind";
  EXPECT_FALSE(host.CanWriteIn(dir.path() / "missing"));
  const std::filesystem::path settings = host.UserConfigDirectory();
  EXPECT_EQ(settings.filename(), "Hoverdeck");
  EXPECT_TRUE(std::filesystem::is_directory(settings.parent_path())) << settings.string();
}

TEST(Win32ProgramHostTest, TheCommandTailSkipsTheProgramNameQuotedOrNot) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"\"C:\\Program Files\\Hoverdeck.exe\" -i", L"-i"},
      {L"Hoverdeck.exe   -s -i", L"-s -i"},
      {L"Hoverdeck.exe", L""},
      {L"\"C:\\a b\\x.exe\"", L""},
      {L"\"unclosed -i", L""},
      {L"", L""}};
  for (const auto& [line, tail] : cases) EXPECT_EQ(CommandTail(line), tail);
}

TEST(Win32ShellTest, AFailedOpenGivesTheShellsErrorNumber) {
  Win32Shell shell;
  const std::int32_t answer = shell.Open("Z:\\no\\such\\folder\\nothing-here.hoverdeck");
  EXPECT_GE(answer, 0);
  EXPECT_LE(answer, 32);
}

}  // namespace
}  // namespace hoverdeck
