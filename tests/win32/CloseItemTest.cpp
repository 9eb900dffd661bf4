// The Close item through the adapter: for real on windows of this process, and the refused read
// for another process's window where the system does not hand its system menu out.
#include <gtest/gtest.h>

#include <cstdio>

#include "OwnerProcess.h"
#include "actions/CloseItem.h"
#include "platform/win32/Win32WindowSystem.h"

namespace hoverdeck {
namespace {

using testing::OwnerProcess;

// Frame recalculations seen by the test window's own procedure.
int g_frame_changes = 0;
int g_frame_sizes = 0;

LRESULT CALLBACK CountingProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_WINDOWPOSCHANGED &&
      (reinterpret_cast<const WINDOWPOS*>(lparam)->flags & SWP_FRAMECHANGED) != 0) {
    ++g_frame_changes;
  }
  if (message == WM_NCCALCSIZE && wparam == TRUE) ++g_frame_sizes;
  return DefWindowProcW(window, message, wparam, lparam);
}

class OwnWindowCloseItemTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = CountingProcedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = kClass;
    RegisterClassW(&window_class);
  }

  void SetUp() override {
    hwnd_ = CreateWindowExW(0, kClass, L"hvd own window", WS_OVERLAPPEDWINDOW, 50, 50, 300, 200,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hwnd_, nullptr);
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    window_ = win32::FromHwnd(hwnd_);
    g_frame_changes = g_frame_sizes = 0;
  }
  void TearDown() override {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
  }

  // Read straight from the menu, beside the adapter.
  UINT MenuState() const {
    return GetMenuState(GetSystemMenu(hwnd_, FALSE), SC_CLOSE, MF_BYCOMMAND);
  }

  static constexpr wchar_t kClass[] = L"HoverdeckCloseItemTest";
  HWND hwnd_ = nullptr;
  WindowHandle window_ = kNoWindow;
  Win32WindowSystem windows_;
};

TEST_F(OwnWindowCloseItemTest, ToggleSwitchesOnlyTheTwoBitsBothWaysAndRepaintsTheFrame) {
  // A checked mark on the item stands for every other bit of the word: it must survive.
  CheckMenuItem(GetSystemMenu(hwnd_, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_CHECKED);
  const auto initial = windows_.CloseItemState(window_);
  ASSERT_TRUE(initial);
  EXPECT_EQ(*initial & kCloseItemDisabledBits, 0u);
  EXPECT_NE(*initial & MFS_CHECKED, 0u);
  EXPECT_EQ(MenuState() & (MF_GRAYED | MF_DISABLED), 0u);

  EXPECT_EQ(ToggleCloseItem(windows_, window_), CloseItemChange::kDisabled);
  EXPECT_EQ(windows_.CloseItemState(window_), *initial | kCloseItemDisabledBits);
  EXPECT_EQ(MenuState() & (MF_GRAYED | MF_DISABLED), UINT{MF_GRAYED | MF_DISABLED});
  EXPECT_EQ(g_frame_changes, 1);
  EXPECT_GE(g_frame_sizes, 1);

  EXPECT_EQ(ToggleCloseItem(windows_, window_), CloseItemChange::kEnabled);
  EXPECT_EQ(windows_.CloseItemState(window_), *initial);
  EXPECT_EQ(MenuState() & (MF_GRAYED | MF_DISABLED), 0u);
  EXPECT_EQ(g_frame_changes, 2);
  // Switching neither moved nor sized the window.
  RECT rect{};
  GetWindowRect(hwnd_, &rect);
  EXPECT_EQ(rect.left, 50);
  EXPECT_EQ(rect.right - rect.left, 300);
}

TEST_F(OwnWindowCloseItemTest, StateWordIsWrittenExactlyAndADisabledItemIsLeftAlone) {
  const auto initial = windows_.CloseItemState(window_);
  ASSERT_TRUE(initial);
  // One bit alone is written as it is and still counts as enabled.
  ASSERT_TRUE(windows_.SetCloseItemState(window_, *initial | 0x1u));
  EXPECT_EQ(windows_.CloseItemState(window_), *initial | 0x1u);
  EXPECT_EQ(DisableCloseItem(windows_, window_), CloseItemChange::kDisabled);
  EXPECT_EQ(windows_.CloseItemState(window_), *initial | kCloseItemDisabledBits);

  g_frame_changes = 0;
  EXPECT_EQ(DisableCloseItem(windows_, window_), CloseItemChange::kAlreadyDisabled);
  EXPECT_EQ(g_frame_changes, 0);
}

TEST_F(OwnWindowCloseItemTest, DestroyedWindowHasNoCloseItem) {
  DestroyWindow(hwnd_);
  EXPECT_EQ(windows_.CloseItemState(window_), std::nullopt);
  EXPECT_FALSE(windows_.SetCloseItemState(window_, 0));
  EXPECT_EQ(ToggleCloseItem(windows_, window_), CloseItemChange::kUnreadable);
}

TEST(OtherProcessCloseItemTest, IsChangedWhereReachableAndOtherwiseLeftUntouched) {
  OwnerProcess owner({{"plain", "-", L"hvd plain"}});
  Win32WindowSystem windows;
  const WindowHandle window = owner.Window("plain");
  const HWND hwnd = owner.Hwnd("plain");

  if (GetSystemMenu(hwnd, FALSE) == nullptr) {
    // This system keeps other processes' system menus to themselves: the read is refused and
    // nothing is written.
    EXPECT_EQ(windows.CloseItemState(window), std::nullopt);
    EXPECT_EQ(DisableCloseItem(windows, window), CloseItemChange::kUnreadable);
    EXPECT_EQ(ToggleCloseItem(windows, window), CloseItemChange::kUnreadable);
    EXPECT_FALSE(windows.SetCloseItemState(window, kCloseItemDisabledBits));
    EXPECT_EQ(windows.Caption(window), "hvd plain");
    EXPECT_TRUE(windows.IsEnabled(window));
    std::printf("Another process's system menu is out of reach here.\n");
  } else {
    const auto initial = windows.CloseItemState(window);
    ASSERT_TRUE(initial);
    EXPECT_EQ(DisableCloseItem(windows, window), CloseItemChange::kDisabled);
    EXPECT_EQ(windows.CloseItemState(window), *initial | kCloseItemDisabledBits);
    EXPECT_EQ(ToggleCloseItem(windows, window), CloseItemChange::kEnabled);
    EXPECT_EQ(windows.CloseItemState(window), *initial & ~kCloseItemDisabledBits);
    std::printf("Another process's system menu is reachable here.\n");
  }
}

}  // namespace
}  // namespace hoverdeck
