// The Win32 edition's program: the core's main window with native controls.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <exception>
#include <string>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32GlobalHotkey.h"
#include "platform/win32/Win32ProcessLookup.h"
#include "platform/win32/Win32WindowSystem.h"
#include "ui/frmTop.h"
#include "ui/win32/Win32Dialogs.h"
#include "ui/win32/Win32MainWindow.h"
#include "ui/win32/Win32ProgramHost.h"
#include "ui/win32/Win32Shell.h"
#include "ui/win32/Win32Tray.h"

namespace {

int RunMessageLoop(hoverdeck::Win32MainWindow& window) {
  MSG message{};
  BOOL got = FALSE;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    if (window.PreTranslate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return got < 0 ? 1 : static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*arguments*/, int /*show*/) {
  using namespace hoverdeck;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    Win32WindowSystem windows;
    Win32ProcessLookup processes;
    Win32Tray tray(instance);
    Win32Dialogs dialogs(instance);
    Win32Shell shell;
    Win32ProgramHost host;
    Win32GlobalHotkey hotkey;
    frmTop form(FormPorts{windows, processes, tray, dialogs, shell, host, hotkey});

    Win32MainWindow window(form, instance);
    if (!window.Handle()) return 1;
    dialogs.SetOwner(window.Handle());
    tray.SetOwner(window.Handle());
    hotkey.SetOwner(window.Handle());
    window.SetTray(&tray);
    form.SetWindowHandle(win32::FromHwnd(window.Handle()));

    const std::string command_line = win32::Narrow(CommandTail(GetCommandLineW()));
    window.Dispatch([&form, &command_line] { form.Form_Load(command_line); });
    if (form.EndRequested()) return 0;
    return RunMessageLoop(window);
  } catch (const std::exception& error) {
    OutputDebugStringA(error.what());
    return 1;
  }
}
