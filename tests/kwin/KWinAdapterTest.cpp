// The KWin adapter inside a headless KWin (run-under-kwin.sh) with native Wayland and XWayland
// test windows, checked against KWin's own view of them.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <sstream>

#include "DesktopTest.h"
#include "platform/kwin/KWinGlobalHotkey.h"
#include "platform/kwin/KWinRules.h"
#include "platform/kwin/KWinScript.h"
#include "platform/kwin/KWinWindowSystem.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck {
namespace {

std::string RulesFile() {
  std::ifstream in(std::string(qgetenv("XDG_CONFIG_HOME")) + "/kwinrulesrc");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// KWin's own facts of a window, by its internal id.
QVariantMap KWinInfo(const QString& id) {
  QDBusMessage m =
      QDBusMessage::createMethodCall("org.kde.KWin", "/KWin", "org.kde.KWin", "getWindowInfo");
  m.setArguments({id});
  return qdbus_cast<QVariantMap>(QDBusConnection::sessionBus().call(m).arguments().value(0));
}

// The keys KWin's shortcut service binds to a shortcut.
const QStringList kOurShortcut = {"kwin", "hoverdeck-topmost", "KWin", ""};
QList<int> ShortcutKeys(const QStringList& action) {
  QDBusMessage m = QDBusMessage::createMethodCall("org.kde.kglobalaccel", "/kglobalaccel",
                                                  "org.kde.KGlobalAccel", "shortcut");
  m.setArguments({action});
  return qdbus_cast<QList<int>>(QDBusConnection::sessionBus().call(m).arguments().value(0));
}
// A press of the keys of the program's shortcut, as the service makes it.
void PressHotkey() {
  QDBusMessage m =
      QDBusMessage::createMethodCall("org.kde.kglobalaccel", "/component/kwin",
                                     "org.kde.kglobalaccel.Component", "invokeShortcut");
  m.setArguments({"hoverdeck-topmost", "default"});
  QDBusConnection::sessionBus().call(m);
}

// KWin applies a rule's forced close function to XWayland windows, and KWin 6 to native ones
// too; the program's rules are kept in KWin's rules file.
struct KWin {
  using Adapter = KWinWindowSystem;
  static bool ClosesNative() { return qgetenv("HOVERDECK_KWIN_MAJOR").toInt() >= 6; }
  static constexpr bool kCloseRules = true;
  static bool HoldsCloseRule(const std::string& caption) {
    return RulesFile().find(caption) != std::string::npos;
  }
};
INSTANTIATE_TYPED_TEST_SUITE_P(KWin, DesktopPortTest, KWin);

class KWinAdapterTest : public DesktopTest<KWin> {
 protected:
  void SetUp() override { Connect(); }
  QVariantMap KWinView(WindowHandle window) {
    return KWinInfo(QString::fromStdString(windows_->DesktopId(window)));
  }
};

// The close-button list is one KWin rule per part, written when the list changes: KWin applies it
// case-sensitively, to windows as they come and as their captions change, with no write per change.
TEST_F(KWinAdapterTest, ListRulesFollowCaptionChangesWithoutRewritingTheRules) {
  const WindowHandle window = Open("X plain", false);
  const WindowHandle lower = Open("X ruled in lower case", false);
  ASSERT_TRUE(window != kNoWindow && lower != kNoWindow);
  windows_->SetCloseRules({"Ruled"}, false);
  const std::string rules = RulesFile();
  const auto closeable = [&](WindowHandle w) { return windows_->CloseItemState(w) == 0u; };
  for (int change = 0; change < 6; ++change) {
    const std::string caption = "X Ruled " + std::to_string(change);
    ASSERT_TRUE(windows_->SetCaption(window, caption));
    EXPECT_TRUE(Within([&] { return windows_->Caption(window) == caption; }));
    EXPECT_TRUE(Within([&] { return !closeable(window); }, 1000)) << caption;
    EXPECT_TRUE(windows_->SetCloseItemState(window, kCloseItemDisabledBits));
    windows_->SetCloseRules({"Ruled"}, false);
  }
  const WindowHandle later = Open("Ruled later", false);
  Within([] { return false; }, 500);
  EXPECT_EQ(std::tuple(RulesFile(), closeable(lower), closeable(later)),
            std::tuple(rules, true, false));
  windows_->SetCloseRules({}, true);
  EXPECT_TRUE(Within([&] { return !closeable(lower); }, 1000));
  windows_->SetCloseRules({}, false);
  EXPECT_EQ(RulesFile().find("Hoverdeck"), std::string::npos) << RulesFile();
}

// KWin 5.27 numbers the second window of a title (" <2>" and an invisible mark; KWin 6.3 does
// not) and matches its rules against the title without that: the close button of the second
// goes as asked, one of another program with that title keeps its own.
TEST_F(KWinAdapterTest, SameTitledWindowsAreRuledByTitleAndProgram) {
  const WindowHandle first = Open("Twin", false);
  ASSERT_NE(first, kNoWindow);
  Open("Twin", false, {}, 0);
  WindowHandle second = kNoWindow;
  ASSERT_TRUE(Within([&] {
    for (auto w = windows_->FirstWindow(kNoWindow); w != kNoWindow; w = windows_->NextWindow(w)) {
      if (w != first && windows_->Caption(w).starts_with("Twin")) second = w;
    }
    return second != kNoWindow;
  }));
  auto& other = processes_.emplace_back(std::make_unique<QProcess>());
  other->start("xterm", {"-T", "Twin"});
  WindowHandle third = kNoWindow;
  ASSERT_TRUE(Within([&] {
    for (auto w = windows_->FirstWindow(kNoWindow); w != kNoWindow; w = windows_->NextWindow(w)) {
      if (w != first && w != second && windows_->Caption(w).starts_with("Twin")) third = w;
    }
    return third != kNoWindow;
  }));
  EXPECT_TRUE(windows_->SetCloseItemState(second, kCloseItemDisabledBits));
  EXPECT_TRUE(windows_->ConfirmCloseItemDisabled(second)) << windows_->Caption(second);
  Within([] { return false; }, 300);
  EXPECT_EQ((std::tuple{windows_->CloseItemState(second), windows_->CloseItemState(third)}),
            std::tuple(kCloseItemDisabledBits, 0u));
  EXPECT_TRUE(windows_->SetCloseItemState(second, 0));
  EXPECT_TRUE(Within([&] { return windows_->CloseItemState(second) == 0u; }));
}

// Unloaded by another program, the script is noticed gone by the next command it does not come
// for, and loaded again.
TEST_F(KWinAdapterTest, ScriptUnloadedBySomeoneElseIsLoadedAgain) {
  const WindowHandle before = Open("X before unload", false);
  ASSERT_NE(before, kNoWindow);
  QDBusMessage unload = QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting",
                                                       "org.kde.kwin.Scripting", "unloadScript");
  unload.setArguments({KWinScript::kPluginName});
  QDBusConnection::sessionBus().call(unload);
  ASSERT_FALSE(KWinScript::Loaded());
  windows_->SetTopmost(before, true, {});
  EXPECT_TRUE(Within([] { return KWinScript::Loaded(); }, 8000));
  const WindowHandle after = Open("X after unload", false);
  ASSERT_NE(after, kNoWindow);
  EXPECT_TRUE(windows_->SetTopmost(after, true, {}));
  EXPECT_TRUE(Within([&] { return KWinView(after).value("keepAbove").toBool(); }));
}

// The combination goes to the script's shortcut unless KWin's own has it; each press switches
// the active window and is reported.
TEST_F(KWinAdapterTest, HotkeySwitchesTheActiveWindowBothWaysAndTakesNoKeysFromOthers) {
  std::vector<HotkeySwitch> reports;
  windows_->OnHotkeySwitched([&](const HotkeySwitch& report) { reports.push_back(report); });
  KWinGlobalHotkey hotkey;
  const QStringList close_window = {"kwin", "Window Close", "KWin", ""};
  const QList<int> alt_f4 = ShortcutKeys(close_window);
  EXPECT_EQ(hotkey.Hold({Hotkey::kAlt, "F4"}), HotkeyHold::kTaken);
  EXPECT_EQ(ShortcutKeys(close_window), alt_f4);
  EXPECT_EQ(alt_f4, QList<int>{KWinGlobalHotkey::KeyCode({Hotkey::kAlt, "F4"})});
  ASSERT_EQ(hotkey.Hold(kDefaultHotkey), HotkeyHold::kHeld);
  EXPECT_EQ(ShortcutKeys(kOurShortcut), QList<int>{Qt::ControlModifier | Qt::MetaModifier | 'T'});
  const WindowHandle window = Open("Native pressed", true, {"Its dialog"});
  ASSERT_TRUE(Within([&] { return Find("Its dialog") != kNoWindow; }));  // and active
  for (const bool topmost : {true, false}) {
    reports.clear();
    PressHotkey();
    ASSERT_TRUE(Within([&] { return !reports.empty(); })) << topmost;
    EXPECT_EQ(
        (std::tuple{reports[0].window, reports[0].caption, reports[0].topmost, reports[0].changed}),
        (std::tuple{window, std::string("Native pressed"), topmost, true}));
    EXPECT_EQ(KWinView(window).value("keepAbove").toBool(), topmost);
  }
  hotkey.Release();
  EXPECT_TRUE(ShortcutKeys(kOurShortcut).isEmpty());
}

std::string XProperty(const std::string& caption, const char* property) {
  const std::string list = Output("wmctrl", {"-l"});
  const std::size_t line = list.rfind('\n', list.find(caption)) + 1;
  return Output("xprop", {"-id", QString::fromStdString(list.substr(line, 10)), property});
}

// Its topmost rule makes native and XWayland windows keep above; the marker goes on the
// XWayland one only; its close rule takes the close function away; it unloads its script.
TEST_F(KWinAdapterTest, ProgramEnforcesItsRulesOnNativeAndXWaylandWindows) {
  const WindowHandle native = Open("Native ruled", true);
  ASSERT_TRUE(native != kNoWindow && Open("X ruled", false) != kNoWindow);
  const QString native_id = QString::fromStdString(windows_->DesktopId(native));
  windows_.reset();  // the program brings its own
  QTemporaryDir dir;
  auto program = StartProgram(
      dir,
      "[Configuration]\nSetTopMostCaption=1\nMinimized=1\n[TopMostWindows]\nWin1=ruled\n"
      "chkWin1=1\n[DisableX]\nWin1=X ruled\nchkWin1=1\n",
      {"-i"});
  const auto kwin = [&] { return KWinInfo(native_id); };
  EXPECT_TRUE(Within([&] { return kwin().value("keepAbove").toBool(); }));
  EXPECT_TRUE(Within([&] {
    return XProperty("X ruled", "_NET_WM_NAME").find("\"[TOPMOST] X ruled\"") != std::string::npos;
  }));
  EXPECT_TRUE(Within([&] {
    return XProperty("X ruled", "_NET_WM_ALLOWED_ACTIONS").find("CLOSE") == std::string::npos;
  }));
  EXPECT_EQ(kwin().value("caption").toString(), "Native ruled");
  EXPECT_TRUE(KWinScript::Loaded());
  // The close-button list went to KWin as a standing rule.
  EXPECT_NE(RulesFile().find("caption with: X ruled\n"), std::string::npos) << RulesFile();
  program->terminate();
  EXPECT_EQ((std::pair{program->waitForFinished(5000), program->exitCode()}), std::pair(true, 0));
  EXPECT_FALSE(KWinScript::Loaded());
  EXPECT_EQ(RulesFile().find("Hoverdeck"), std::string::npos) << RulesFile();  // its rules go
}

// The program holds the combination of its settings until it ends; a press with its own window
// active leaves that window alone.
TEST_F(KWinAdapterTest, ProgramHoldsTheHotkeyAndLeavesItsOwnWindowAlone) {
  windows_.reset();
  QTemporaryDir dir;
  auto program = StartProgram(dir, "[Configuration]\nTopmostHotkey=Ctrl+Super+T\n");
  ASSERT_TRUE(Within([] { return !ShortcutKeys(kOurShortcut).isEmpty(); }, 10000));
  const auto own_state = [&] {
    const QString pid = QString::number(program->processId());
    for (const QString& line : QString::fromStdString(Output("wmctrl", {"-lp"})).split('\n')) {
      if (line.section(' ', 2, 2, QString::SectionSkipEmpty) == pid) {
        return XProperty(line.section(' ', 4, -1, QString::SectionSkipEmpty).toStdString(),
                         "_NET_WM_STATE");
      }
    }
    return std::string();
  };
  ASSERT_TRUE(Within([&] { return own_state().find("FOCUSED") != std::string::npos; }))
      << own_state();
  PressHotkey();
  QThread::msleep(500);
  EXPECT_EQ(own_state().find("ABOVE"), std::string::npos) << own_state();
  program->terminate();
  EXPECT_TRUE(program->waitForFinished(5000));
  EXPECT_TRUE(ShortcutKeys(kOurShortcut).isEmpty());
}

// Started again (from the menu, by autostart), the program says it runs already and leaves the
// running copy's script in KWin alone: that copy goes on ruling new windows.
TEST_F(KWinAdapterTest, SecondStartLeavesTheRunningProgramAtWork) {
  windows_.reset();
  QTemporaryDir first_dir, second_dir;
  const std::string ini = "[Configuration]\nMinimized=1\n[TopMostWindows]\nWin1=ruled\nchkWin1=1\n";
  auto first = StartProgram(first_dir, ini, {"-i"});
  ASSERT_TRUE(Within([] { return KWinScript::Loaded(); }));
  auto second = StartProgram(second_dir, ini, {"-s"});
  EXPECT_TRUE(second->waitForFinished(10000));
  Open("X later ruled", false);
  EXPECT_TRUE(Within([] {
    return XProperty("X later ruled", "_NET_WM_STATE").find("ABOVE") != std::string::npos;
  }));
  first->terminate();
  first->waitForFinished();
}

// Without KWin on its session bus (a Wayland desktop of another kind), the program works through
// XWayland and says so once (shown, not invisible).
TEST(KWinFallbackTest, WithoutKWinTheProgramUsesXWaylandAndSaysSo) {
  QTemporaryDir dir;
  auto program = StartProgram(dir, "", {}, "unix:path=/nonexistent");
  EXPECT_TRUE(
      Within([] { return Output("wmctrl", {"-l"}).find("Hoverdeck - ") != std::string::npos; }));
  EXPECT_NE(Output("wmctrl", {"-l"}).find("Hoverdeck 1.1h; Linux"), std::string::npos);
  EXPECT_FALSE(KWinScript::Loaded());
  program->kill();
  program->waitForFinished();
}

TEST(KWinScriptTest, IsUnloadedAtExitAndAfterACrash) {
  EXPECT_FALSE(KWinScript::Loaded());
  auto windows = KWinWindowSystem::Connect("");
  ASSERT_TRUE(windows);
  EXPECT_TRUE(KWinScript::Loaded());
  windows.reset();
  EXPECT_FALSE(KWinScript::Loaded());

  QProcess crashing;
  crashing.start(QCoreApplication::applicationFilePath(), {"--connect-and-crash"});
  ASSERT_TRUE(crashing.waitForFinished(10000));
  EXPECT_EQ(crashing.exitStatus(), QProcess::CrashExit);
  EXPECT_TRUE(KWinScript::Loaded());  // left behind
  // Starting again replaces it and takes away the rules of that run, not the user's.
  const std::string mine = "[General]\ncount=1\nrules=mine\n\n[mine]\nDescription=Mine\n";
  std::ofstream(std::string(qgetenv("XDG_CONFIG_HOME")) + "/kwinrulesrc")
      << WithCloseRule(mine, {"Left", ""}, true, {});
  windows = KWinWindowSystem::Connect("");
  ASSERT_TRUE(windows);
  EXPECT_EQ(RulesFile(), mine + "\n");
  windows.reset();
  EXPECT_FALSE(KWinScript::Loaded());
}

// KWin restarted or replaced by another: the windows of the one gone go from the lists, and the
// script is loaded into the new one. In a Plasma session, a KWin not there yet at the start is
// taken up when it comes. Last, as the XWayland display goes with the first KWin.
TEST(KWinReplacedTest, TheAdapterGoesOnWithTheNewKWin) {
  qputenv("QT_QPA_PLATFORM", "wayland");
  std::vector<std::unique_ptr<QProcess>> opened;
  const auto open = [&](const char* caption) {
    opened.push_back(std::make_unique<QProcess>());
    opened.back()->start(HOVERDECK_TEST_WINDOW, {caption});
  };
  // Replaces KWin, the new one coming `pause` seconds after the old one went.
  std::unique_ptr<QProcess> replacing;
  const auto replace = [&](const char* pause) {
    replacing = std::make_unique<QProcess>();
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("HOVERDECK_KWIN_PAUSE", pause);
    replacing->setProcessEnvironment(env);
    replacing->start(qgetenv("HOVERDECK_REPLACE_KWIN"), {});
  };
  const auto replaced = [&] {
    // (It may have finished already, while events were taken in.)
    replacing->waitForFinished(15000);
    ASSERT_EQ(replacing->state(), QProcess::NotRunning);
    qputenv("WAYLAND_DISPLAY", replacing->readAllStandardOutput().trimmed());
    ASSERT_TRUE(Within(
        [] { return QFile::exists(qgetenv("XDG_RUNTIME_DIR") + "/" + qgetenv("WAYLAND_DISPLAY")); },
        15000));
  };
  const auto kwin_there = [] {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered("org.kde.KWin").value();
  };
  for (const bool late : {false, true}) {
    SCOPED_TRACE(late ? "KWin late" : "KWin replaced");
    auto windows = late ? nullptr : KWinWindowSystem::Connect("");
    const auto find = [&](const std::string& caption) {
      for (auto w = windows->FirstWindow(kNoWindow); w != kNoWindow; w = windows->NextWindow(w)) {
        if (windows->Caption(w) == caption) return w;
      }
      return kNoWindow;
    };
    if (late) {
      replace("3");
      ASSERT_TRUE(Within([&] { return !kwin_there(); }));
      qputenv("XDG_CURRENT_DESKTOP", "KDE");
      windows = KWinWindowSystem::Connect("");
    } else {
      open("Native replaced");
      ASSERT_TRUE(windows && Within([&] { return find("Native replaced") != kNoWindow; }));
      replace("0");
      EXPECT_TRUE(Within([&] { return find("Native replaced") == kNoWindow; }));
    }
    ASSERT_TRUE(windows);
    replaced();
    open("Native later");
    WindowHandle found = kNoWindow;
    EXPECT_TRUE(Within([&] { return (found = find("Native later")) != kNoWindow; }, 15000));
    EXPECT_TRUE(windows->SetTopmost(found, true, {}));
    EXPECT_TRUE(Within([&] {
      return KWinInfo(QString::fromStdString(windows->DesktopId(found)))
          .value("keepAbove")
          .toBool();
    }));
  }
  for (auto& process : opened) {
    process->kill();
    process->waitForFinished();
  }
}

}  // namespace
}  // namespace hoverdeck
