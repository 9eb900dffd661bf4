// The notification icon when the taskbar is not there yet or starts again: the add is retried,
// and a window that would hide in the tray waits minimised on the taskbar until the icon exists.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <gtest/gtest.h>

#include "support/ScriptedDialogs.h"
#include "support/SimulatedDesktop.h"
#include "support/TempDir.h"
#include "ui/frmTop.h"
#include "ui/win32/Win32MainWindow.h"
#include "ui/win32/Win32Tray.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

TEST(Win32TrayLaterTest, AnIconWithoutItsTaskbarWaitsOnTheTaskbarAndHidesOnceTheIconIsThere) {
  TempDir dir;
  WriteBytes(dir.File("Hoverdeck.ini"), "[Configuration]\nMinimized=1\n");
  SimulatedDesktop desktop;
  ScriptedDialogs dialogs;
  FakeShell shell;
  FakeHost host(dir.path());
  // No owner yet: the shell refuses the first add, as it does before the taskbar is up.
  Win32Tray tray(GetModuleHandleW(nullptr));
  frmTop form(FormPorts{desktop, desktop, tray, dialogs, shell, host});
  Win32MainWindow window(form, GetModuleHandleW(nullptr));
  HWND handle = window.Handle();
  window.SetTray(&tray);
  window.SetEndHandler([] {});
  window.Dispatch([&form] { form.Form_Load(""); });

  EXPECT_TRUE(tray.Missing());
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(IsWindowVisible(handle));
  EXPECT_TRUE(IsIconic(handle));

  // The next scan's tip retries the add.
  tray.SetOwner(handle);
  window.Dispatch([&form] { form.Timer1_Timer(); }, FormEvent::kTick);
  EXPECT_TRUE(tray.Present());
  EXPECT_FALSE(IsWindowVisible(handle));

  // The taskbar starts again: its TaskbarCreated puts the icon back.
  NOTIFYICONDATAW gone = tray.Record(0);
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
  SendMessageW(handle, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  NOTIFYICONDATAW probe = tray.Record(NIF_TIP);
  EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &probe));
  EXPECT_TRUE(tray.Delete());
}

}  // namespace
}  // namespace hoverdeck
