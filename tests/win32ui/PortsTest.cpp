// The popup menus and the program host of the Win32 edition.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <gtest/gtest.h>

#include "platform/win32/WideText.h"
#include "support/TempDir.h"
#include "ui/Controls.h"
#include "ui/win32/Win32Dialogs.h"
#include "ui/win32/Win32ProgramHost.h"

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
  EXPECT_EQ(std::tuple(popup.NameOf(GetMenuItemID(menu, 2)), popup.NameOf(GetMenuItemID(menu, 0)),
                       popup.NameOf(0), popup.NameOf(99)),  // the last two: dismissed, unknown
            std::tuple("mnuDisableX", "mnuSetTopmost", std::nullopt, std::nullopt));
}

TEST(Win32ProgramHostTest, FolderProbeAndCommandTail) {
  Win32ProgramHost host(L"Local\\Hoverdeck-test-dir");
  EXPECT_TRUE(std::filesystem::exists(host.ExecutableDirectory() / "hoverdeck_win32ui_tests.exe"));
  testing::TempDir dir;
  EXPECT_TRUE(host.CanWriteIn(dir.path()));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "the probe file stayed behind";
  EXPECT_FALSE(host.CanWriteIn(dir.path() / "missing"));
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

}  // namespace
}  // namespace hoverdeck
