// The Close item through the adapter, on a window of this process: another process's system
// menu is out of reach under Wine.
#include <gtest/gtest.h>

#include "actions/CloseItem.h"
#include "platform/win32/Win32WindowSystem.h"

namespace hoverdeck {
namespace {

// Frame recalculations seen by the test window's own procedure.
int g_frame_changes = 0;

LRESULT CALLBACK CountingProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_WINDOWPOSCHANGED &&
      (reinterpret_cast<const WINDOWPOS*>(lparam)->flags & SWP_FRAMECHANGED) != 0) {
    ++g_frame_changes;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

TEST(CloseItemTest, SwitchesOnlyTheTwoBitsBothWaysAndRepaintsTheFrameOnlyOnAChange) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = CountingProcedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"HoverdeckCloseItemTest";
  RegisterClassW(&window_class);
  HWND hwnd = CreateWindowExW(0, window_class.lpszClassName, L"hvd own window",
                              WS_OVERLAPPEDWINDOW, 50, 50, 300, 200, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(hwnd, nullptr);
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  const WindowHandle window = win32::FromHwnd(hwnd);
  Win32WindowSystem windows;
  const auto greyed = [&] {
    return GetMenuState(GetSystemMenu(hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND) &
           (MF_GRAYED | MF_DISABLED);
  };
  // A check mark on the item stands for every other bit of the word: it must survive.
  CheckMenuItem(GetSystemMenu(hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_CHECKED);
  const auto initial = windows.CloseItemState(window);
  ASSERT_TRUE(initial);
  EXPECT_NE(*initial & MFS_CHECKED, 0u);
  g_frame_changes = 0;

  EXPECT_EQ(ToggleCloseItem(windows, window), CloseItemChange::kDisabled);
  EXPECT_EQ(windows.CloseItemState(window), *initial | kCloseItemDisabledBits);
  EXPECT_EQ(greyed(), UINT{MF_GRAYED | MF_DISABLED});
  EXPECT_EQ(g_frame_changes, 1);
  EXPECT_EQ(DisableCloseItem(windows, window), CloseItemChange::kAlreadyDisabled);
  EXPECT_EQ(g_frame_changes, 1);

  EXPECT_EQ(ToggleCloseItem(windows, window), CloseItemChange::kEnabled);
  EXPECT_EQ(windows.CloseItemState(window), *initial);
  EXPECT_EQ(greyed(), 0u);
  EXPECT_EQ(g_frame_changes, 2);
  // One bit alone is written as it is and still counts as enabled.
  ASSERT_TRUE(windows.SetCloseItemState(window, *initial | 0x1u));
  EXPECT_EQ(windows.CloseItemState(window), *initial | 0x1u);
  EXPECT_EQ(DisableCloseItem(windows, window), CloseItemChange::kDisabled);
  // Switching neither moved nor sized the window.
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  EXPECT_EQ(rect.left, 50);
  EXPECT_EQ(rect.right - rect.left, 300);

  DestroyWindow(hwnd);
  EXPECT_EQ(ToggleCloseItem(windows, window), CloseItemChange::kUnreadable);
}

}  // namespace
}  // namespace hoverdeck
