// The Linux edition's program: the core's main window on X11, KWin or GNOME Shell, drawn with
// Qt Widgets.
#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "app/ProgramConstants.h"
#include "platform/x11/LinuxOsFacts.h"
#include "platform/x11/X11InstanceSelection.h"
#include "ui/frmTop.h"
#include "ui/qt/EndSignals.h"
#include "ui/qt/LinuxDesktop.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/QtProgramHost.h"
#include "ui/qt/QtShell.h"
#include "ui/qt/QtTray.h"
#include "ui/qt/TrayAvailability.h"

namespace {

// The arguments after the program's name as one line, the form's command line.
std::string JoinedArguments(int argc, char* argv[]) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

int TellNoDisplay(const char* display) {
  QMessageBox::critical(nullptr, QString::fromUtf8(hoverdeck::kMessageTitle.data()),
                        QStringLiteral("Cannot reach the X display %1.")
                            .arg(QString::fromUtf8(display ? display : "(DISPLAY unset)")));
  return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace hoverdeck;
  QApplication app(argc, argv);
  QApplication::setApplicationName(
      QString::fromUtf8(kProgramName.data(), static_cast<qsizetype>(kProgramName.size())));
  QApplication::setWindowIcon(ProgramIcon());
  // Hidden in the tray is still running; only the form ends the program.
  QApplication::setQuitOnLastWindowClosed(false);

  try {
    const char* display = std::getenv("DISPLAY");
    // Held for the whole run: the display's mark that this instance is running. Decided before
    // the desktop is touched, so that a second start leaves the running copy's hold on it alone.
    auto instance = X11InstanceSelection::Connect(display);
    const bool another_instance = instance && !instance->Take();
    auto desktop = ConnectLinuxDesktop(display, !another_instance);
    if (!desktop) return TellNoDisplay(display);
    TrayAvailability tray_availability;
    QtTray tray;
    tray.SetAvailabilityProbe([&tray_availability] { return tray_availability.Available(); });
    QtDialogs dialogs;
    QtShell shell;
    // Without the selection there is no telling; running twice beats not running at all.
    QtProgramHost host([another_instance] { return another_instance; },
                       [&desktop] {
                         OsFacts facts = LinuxOsFacts();
                         facts.xwayland_only = desktop->xwayland_only;
                         facts.wayland_notice = desktop->wayland_notice;
                         return facts;
                       });
    frmTop form(FormPorts{*desktop->windows, *desktop->processes, tray, dialogs, shell, host,
                          *desktop->hotkey});

    MainWindow window(form, dialogs, QSystemTrayIcon::isSystemTrayAvailable());
    dialogs.SetParent(&window);
    window.SetTrayProbe([&tray_availability] { return tray_availability.Available(); });
    tray.SetHandler([&window, &form](TrayMouseEvent event) {
      window.Dispatch([&form, event] { form.PictureTopMost_MouseMove(event); });
    });
    std::unique_ptr<QSocketNotifier> hotkey_watch;
    if (desktop->x11_hotkey) {
      hotkey_watch = WatchHotkey(*desktop->x11_hotkey, [&window, &form] {
        window.Dispatch([&form] { form.Hotkey_Pressed(); });
      });
    }
    if (desktop->watch_switches) {
      // Queued: a report may come in while a handler awaits the desktop.
      desktop->watch_switches([&window, &form](const HotkeySwitch& report) {
        QMetaObject::invokeMethod(
            &window,
            [&window, &form, report] {
              window.Dispatch([&form, report] { form.Hotkey_Switched(report); });
            },
            Qt::QueuedConnection);
      });
    }
    bool ended = false;
    window.SetEndHandler([&ended] {
      ended = true;
      EndEventLoop();
    });
    form.SetWindowHandle(static_cast<WindowHandle>(window.winId()));
    // However the event loop ends (the session manager, a signal below), the form's session
    // ends with it: its icon goes; the single-instance lock goes with `host` as main returns.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [&form] { form.Form_EndSession(); });
    const auto end_signals = EndSignals::Watch(&EndEventLoop);

    const std::string command_line = JoinedArguments(argc, argv);
    window.Dispatch([&form, &command_line] { form.Form_Load(command_line); });
    if (ended || form.EndRequested()) return 0;
    return QApplication::exec();
  } catch (const std::exception& error) {
    std::cerr << "hoverdeck: " << error.what() << '\n';
    return 1;
  }
}
