// The GNOME adapter inside a headless GNOME Shell (run-under-gnome.sh) with native Wayland and
// XWayland test windows, and the program's first run on a desktop without its extension.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <filesystem>

#include "DesktopTest.h"
#include "platform/gnome/GnomeExtension.h"
#include "platform/gnome/GnomeGlobalHotkey.h"
#include "platform/gnome/GnomeWindowSystem.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck {
namespace {

std::string Gsettings(const char* key) {
  return Output("gsettings", {"get", "org.gnome.shell", key});
}
void Extension(const char* command) {
  Output("gnome-extensions", {command, QString::fromLatin1(kGnomeExtensionUuid.data())});
}

// Logs out of the shell and in again: a new shell with the same home.
void LogInAgain() {
  const QString login = qEnvironmentVariable("HOVERDECK_GNOME_LOGIN");
  // Both wait on the shell (to go, to come), for as long as the suite's own time limit allows.
  Output(login, {"logout"}, -1);
  for (const QString& line : QString::fromStdString(Output(login, {"login"}, -1)).split('\n')) {
    const auto equals = line.indexOf('=');
    if (equals > 0) qputenv(line.left(equals).toLatin1(), line.mid(equals + 1).toUtf8());
  }
}

// The windows a program shows whose caption begins with `caption`: message boxes by default.
std::string Windows(const QProcess& program, const QString& caption = "^Hoverdeck - ") {
  return Output("xdotool", {"search", "--all", "--onlyvisible", "--pid",
                            QString::number(program.processId()), "--name", caption});
}
std::filesystem::path ExtensionFolder() {
  return std::filesystem::path(qgetenv("XDG_DATA_HOME").toStdString()) / "gnome-shell/extensions" /
         kGnomeExtensionUuid;
}
// The process that holds the program's bus name; 0 for none.
qint64 NameOwner() {
  const auto pid = QDBusConnection::sessionBus().interface()->servicePid("org.example.Hoverdeck");
  return pid.isValid() ? pid.value() : 0;
}

// Keys pressed through the shell's remote-desktop interface, as from a keyboard; the session
// lasts as long as the connection that made it.
class Keyboard {
 public:
  Keyboard() {
    session_ = Call("/org/gnome/Mutter/RemoteDesktop", "", "CreateSession", {})
                   .arguments()
                   .value(0)
                   .value<QDBusObjectPath>()
                   .path();
    Call(session_, ".Session", "Start", {});
  }
  ~Keyboard() { Call(session_, ".Session", "Stop", {}); }
  void Press(const std::vector<unsigned>& keysyms) {
    for (const bool down : {true, false}) {
      for (const unsigned keysym : keysyms) {
        Call(session_, ".Session", "NotifyKeyboardKeysym", {keysym, down});
      }
    }
  }

 private:
  static QDBusMessage Call(const QString& path, const char* iface, const char* method,
                           const QVariantList& arguments) {
    QDBusMessage m =
        QDBusMessage::createMethodCall("org.gnome.Mutter.RemoteDesktop", path,
                                       QString("org.gnome.Mutter.RemoteDesktop") + iface, method);
    m.setArguments(arguments);
    return QDBusConnection::sessionBus().call(m, QDBus::Block, 10000);
  }
  QString session_;
};

// The shell lets nothing from outside take a native window's close button away (the window
// draws its own title bar); an XWayland window's goes through its X window.
struct Gnome {
  using Adapter = GnomeWindowSystem;
  static bool ClosesNative() { return false; }
  static constexpr bool kCloseRules = false;
  static bool HoldsCloseRule(const std::string&) { return false; }
};
INSTANTIATE_TYPED_TEST_SUITE_P(Gnome, DesktopPortTest, Gnome);

using GnomeTest = DesktopTest<Gnome>;
// With the extension in place and on (run-under-gnome.sh --extension).
using GnomeAdapterTest = GnomeTest;

// Turned off (as the screen lock does) and on again under the running adapter.
TEST_F(GnomeAdapterTest, FollowsTheExtensionGoingAwayAndComingBack) {
  Connect();
  ASSERT_NE(Open("Native kept", true), kNoWindow);
  Extension("disable");
  EXPECT_TRUE(Within([&] { return !windows_->Reporting(); }));
  EXPECT_EQ(windows_->FirstWindow(kNoWindow), kNoWindow);
  Extension("enable");
  EXPECT_TRUE(Within([&] { return windows_->Reporting() && Find("Native kept") != kNoWindow; }));
}

// Only the holder of the program's bus name may command the extension.
TEST_F(GnomeAdapterTest, ExtensionTakesCommandsFromHoverdeckAlone) {
  Connect();
  const WindowHandle window = Open("Native guarded", true);
  ASSERT_NE(window, kNoWindow);
  auto other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other");
  QDBusMessage m = QDBusMessage::createMethodCall("org.gnome.Shell", "/org/example/Hoverdeck/Shell",
                                                  "org.example.Hoverdeck.Shell", "SetAbove");
  m.setArguments({QString::fromStdString(windows_->DesktopId(window)), true});
  EXPECT_EQ(other.call(m).errorName(), "org.freedesktop.DBus.Error.AccessDenied");
  EXPECT_FALSE(Within([&] { return windows_->IsTopmost(window); }, 500));
  QDBusConnection::disconnectFromBus("other");
}

// Ctrl+Super+T, pressed on the keyboard, switches the focused window both ways and is reported;
// a combination the shell has bound is left to it.
TEST_F(GnomeAdapterTest, HotkeySwitchesTheFocusedWindowBothWaysAndTakesNoKeysFromOthers) {
  Connect();
  std::vector<HotkeySwitch> reports;
  windows_->OnHotkeySwitched([&](const HotkeySwitch& report) { reports.push_back(report); });
  GnomeGlobalHotkey hotkey;
  EXPECT_EQ(hotkey.Hold({Hotkey::kAlt, "F4"}), HotkeyHold::kTaken);
  ASSERT_EQ(hotkey.Hold(kDefaultHotkey), HotkeyHold::kHeld);
  const WindowHandle window = Open("Native pressed", true, {"Its dialog"});
  ASSERT_TRUE(window != kNoWindow && Within([&] { return Find("Its dialog") != kNoWindow; }));
  Keyboard keyboard;
  // The shell starts in its overview, where no window has the focus: Escape leaves it.
  keyboard.Press({0xff1b});
  QThread::msleep(1000);
  for (const bool topmost : {true, false}) {
    reports.clear();
    keyboard.Press({0xffe3, 0xffeb, 't'});  // Control_L, Super_L, t
    ASSERT_TRUE(Within([&] { return !reports.empty(); })) << topmost;
    EXPECT_EQ(
        (std::tuple{reports[0].window, reports[0].caption, reports[0].topmost, reports[0].changed}),
        (std::tuple{window, std::string("Native pressed"), topmost, true}));
    EXPECT_TRUE(Within([&] { return windows_->IsTopmost(window) == topmost; }));
  }
  hotkey.Release();
  keyboard.Press({0xffe3, 0xffeb, 't'});
  EXPECT_FALSE(Within([&] { return !reports.empty() && reports.back().topmost; }, 500));
}

// The program holds its combination; pressed with its own window focused, it leaves it alone.
TEST_F(GnomeAdapterTest, ProgramLeavesItsOwnWindowAlone) {
  QTemporaryDir dir;
  auto program = StartProgram(dir, "[Configuration]\nTopmostHotkey=Ctrl+Super+T\n");
  Keyboard keyboard;
  keyboard.Press({0xff1b});
  const auto active = [] { return QString::fromStdString(Output("xdotool", {"getactivewindow"})); };
  ASSERT_TRUE(Within(
      [&] {
        return Output("xdotool", {"getactivewindow", "getwindowpid"}) ==
               std::to_string(program->processId()) + "\n";
      },
      10000));
  keyboard.Press({0xffe3, 0xffeb, 't'});
  QThread::msleep(500);
  const std::string state = Output("xprop", {"-id", active().trimmed(), "_NET_WM_STATE"});
  EXPECT_EQ(state.find("ABOVE"), std::string::npos) << state;
}

// The program as a user meets it: the first run puts the extension in place and says a login is
// needed; after the login its rules reach native windows; a second start leaves it in charge.
TEST_F(GnomeTest, FirstRunLoginAndSecondStart) {
  QTemporaryDir dir;
  const std::string ini = "[Configuration]\nMinimized=1\n[TopMostWindows]\nWin1=ruled\nchkWin1=1\n";
  auto first = StartProgram(dir, ini);
  EXPECT_TRUE(Within([&] { return !Windows(*first).empty(); }, 15000));  // a notice
  const auto folder = ExtensionFolder();
  EXPECT_TRUE(std::filesystem::exists(folder / "extension.js"));
  EXPECT_NE(Gsettings("enabled-extensions").find(kGnomeExtensionUuid), std::string::npos);
  first->kill();
  first->waitForFinished();

  LogInAgain();
  Open("Native ruled", true);
  auto program = StartProgram(dir, ini);
  // Up, with the desktop's mark of the running instance taken.
  ASSERT_TRUE(Within([&] { return !Windows(*program, "^Hoverdeck 1").empty(); }, 15000));
  EXPECT_EQ(NameOwner(), program->processId());
  // Quietly (-s): GNOME Shell 43.9 was seen to die of an X error when a client's box, transient
  // for a window it did not know, went at once.
  auto second = StartProgram(dir, ini, {"-s"});
  EXPECT_TRUE(second->waitForFinished(15000));
  EXPECT_EQ(NameOwner(), program->processId());
  Within([] { return false; }, 2500);  // a few ticks for the rule
  program->terminate();
  program->waitForFinished();
  Connect();
  EXPECT_TRUE(windows_->IsTopmost(Find("Native ruled")));
}

// Put in place again when missing, the user told to log in; turned off by the user: never turned on
// again, and the user is told how.
TEST_F(GnomeTest, SetUpTellsOfTheLoginAndLeavesAnExtensionTurnedOffAlone) {
  WaylandNotice notice{};
  std::filesystem::remove_all(ExtensionFolder());
  EXPECT_EQ(std::pair(SetUpGnomeExtension(notice), notice),
            std::pair(false, WaylandNotice::kLoginNeeded));
  LogInAgain();
  ASSERT_TRUE(SetUpGnomeExtension(notice));
  Extension("disable");
  EXPECT_EQ(std::pair(SetUpGnomeExtension(notice), notice),
            std::pair(false, WaylandNotice::kExtensionOff));
  EXPECT_EQ(Gsettings("enabled-extensions").find(kGnomeExtensionUuid), std::string::npos);
  Output("gsettings", {"set", "org.gnome.shell", "disable-user-extensions", "true"});
  EXPECT_EQ(std::pair(SetUpGnomeExtension(notice), notice),
            std::pair(false, WaylandNotice::kUserExtensionsOff));
}

}  // namespace
}  // namespace hoverdeck
