// The popup menus, the program host and the shell of the Win32 edition, and the built program's
// version record.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <gtest/gtest.h>

#include "Version.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32OsFacts.h"
#include "support/TempDir.h"
#include "ui/Controls.h"
#include "ui/win32/Win32Dialogs.h"
#include "ui/win32/Win32ProgramHost.h"
#include "ui/win32/Win32Shell.h"

namespace hoverdeck {
namespace {

TEST(Win32PopupTest, ThePopupHoldsTheItemsMarksAndSeparatorsAndNamesTheChoice) {
  MenuItem first("mnuSetTopmost", "Set topmost");
  MenuItem separator("Sep2", "-");
  MenuItem second("mnuDisableX", "Disable/Enable X button");
  second.SetChecked(true);
  const NativePopup popup = BuildPopupMenu(
      Menu("mnuPopupNonTopmost", "mnuPopupNonTopmost", false, {&first, &separator, &second}));
  HMENU menu = popup.menu.get();
  ASSERT_EQ(GetMenuItemCount(menu), 3);
  EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_TRUE(GetMenuState(menu, 2, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_FALSE(GetMenuState(menu, 0, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_EQ(popup.NameOf(GetMenuItemID(menu, 2)), "mnuDisableX");
  EXPECT_EQ(popup.NameOf(GetMenuItemID(menu, 0)), "mnuSetTopmost");
  EXPECT_EQ(popup.NameOf(0), std::nullopt);  // dismissed
  EXPECT_EQ(popup.NameOf(99), std::nullopt);
}

TEST(Win32ProgramHostTest, TheMutexTellsASecondInstanceAndGoesWithTheFirst) {
  const std::wstring name = L"Local\\Hoverdeck-test-" + std::to_wstring(GetCurrentProcessId());
  auto first = std::make_unique<Win32ProgramHost>(name);
  EXPECT_FALSE(first->AnotherInstanceRunning());
  EXPECT_FALSE(first->AnotherInstanceRunning());  // asking again is no second instance
  EXPECT_TRUE(Win32ProgramHost(name).AnotherInstanceRunning());
  first.reset();
  EXPECT_FALSE(Win32ProgramHost(name).AnotherInstanceRunning());
}

TEST(Win32ProgramHostTest, FoldersSystemAndCommandTail) {
  Win32ProgramHost host(L"Local\\Hoverdeck-test-dir");
  EXPECT_TRUE(std::filesystem::exists(host.ExecutableDirectory() / "hoverdeck_win32ui_tests.exe"));
  // The NT family, at least Windows 2000, whatever version the prefix claims.
  const VersionRecord record = QueryVersionRecord();
  EXPECT_EQ(record.platform_id, 2u);
  EXPECT_GE(record.major, 5u);
  const std::string description = host.OperatingSystem().description;
  EXPECT_EQ(description.rfind("Windows", 0), 0u) << description;
  EXPECT_NE(
      description.find(" v." + std::to_string(record.major) + "." + std::to_string(record.minor) +
                       ", Build " + std::to_string(record.build)),
      std::string::npos)
      << description;
  testing::TempDir dir;
  EXPECT_TRUE(host.CanWriteIn(dir.path()));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "the probe file stayed behind";
  EXPECT_FALSE(host.CanWriteIn(dir.path() / "missing"));
  const std::filesystem::path settings = host.UserConfigDirectory();
  EXPECT_EQ(settings.filename(), "Hoverdeck");
  EXPECT_TRUE(std::filesystem::is_directory(settings.parent_path())) << settings.string();
  // The tail skips the program's name, quoted or not.
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"\"C:\\Program Files\\Hoverdeck.exe\" -i", L"-i"},
      {L"Hoverdeck.exe   -s -i", L"-s -i"},
      {L"Hoverdeck.exe", L""},
      {L"\"C:\\a b\\x.exe\"", L""},
      {L"\"unclosed -i", L""},
      {L"", L""}};
  for (const auto& [line, tail] : cases) EXPECT_EQ(CommandTail(line), tail) << win32::Narrow(line);
}

TEST(Win32ShellTest, AFailedOpenGivesTheShellsErrorNumber) {
  const std::int32_t answer = Win32Shell().Open("Z:\\no\\such\\folder\\nothing-here.hoverdeck");
  EXPECT_TRUE(answer >= 0 && answer <= 32) << answer;
}

// The record carries the version the build gives the program.
TEST(ExecutableTest, TheVersionRecordHoldsTheProgramsVersion) {
  const std::wstring exe = win32::Widen(HOVERDECK_EXE_PATH);
  std::vector<char> data(GetFileVersionInfoSizeW(exe.c_str(), nullptr));
  ASSERT_FALSE(data.empty());
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  wchar_t* text = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904b0\\FileVersion",
                             reinterpret_cast<void**>(&text), &length));
  const WORD numbers[] = {HOVERDECK_VERSION_NUMBERS};
  EXPECT_EQ((std::vector<DWORD>{fixed->dwFileVersionMS, fixed->dwFileVersionLS,
                                fixed->dwProductVersionMS, fixed->dwProductVersionLS}),
            (std::vector<DWORD>{
                DWORD(MAKELONG(numbers[1], numbers[0])), DWORD(MAKELONG(numbers[3], numbers[2])),
                DWORD(MAKELONG(numbers[1], numbers[0])), DWORD(MAKELONG(numbers[3], numbers[2]))}));
  EXPECT_EQ(win32::Narrow(text), HOVERDECK_VERSION_TEXT);
}

}  // namespace
}  // namespace hoverdeck
