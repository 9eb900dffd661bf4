// The KWin adapter inside a headless KWin (run-under-kwin.sh) with native Wayland and XWayland
// test windows, checked against KWin's own view of them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QProcess>
#include <QTemporaryFile>
#include <QThread>
#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>

#include "FakeTray.h"
#include "app/SortedList.h"
#include "inventory/WindowScan.h"
#include "platform/kwin/KWinRules.h"
#include "platform/kwin/KWinScript.h"
#include "platform/kwin/KWinWindowSystem.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck {
namespace {

// Takes in events until `done` holds, for at most `ms`.
bool Within(const std::function<bool()>& done, int ms = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents();
    QThread::msleep(5);
  }
  return true;
}

std::string RulesFile() {
  std::ifstream in(std::string(qgetenv("XDG_CONFIG_HOME")) + "/kwinrulesrc");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs a script in KWin as another program (or the user's window menu) would.
void RunInKWin(const QString& js) {
  QTemporaryFile file(QStringLiteral("/tmp/hoverdeck-test-XXXXXX.js"));
  ASSERT_TRUE(file.open() && file.write(js.toUtf8()) > 0 && file.flush());
  const auto call = [](const QString& path, const QString& iface, const QString& method,
                       const QVariantList& args) {
    QDBusMessage m = QDBusMessage::createMethodCall("org.kde.KWin", path, iface, method);
    m.setArguments(args);
    return QDBusConnection::sessionBus().call(m);
  };
  const QString iface = "org.kde.kwin.Scripting";
  const int id = call("/Scripting", iface, "loadScript", {file.fileName(), "hoverdeck-test"})
                     .arguments()
                     .value(0)
                     .toInt();
  for (const QString& path : {QString("/Scripting/Script%1").arg(id), QString("/%1").arg(id)}) {
    call(path, "org.kde.kwin.Script", "run", {});
  }
  call("/Scripting", iface, "unloadScript", {"hoverdeck-test"});
}

class KWinAdapterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    windows_ = KWinWindowSystem::Connect(qgetenv("DISPLAY").toStdString());
    ASSERT_TRUE(windows_) << "the adapter did not start under KWin";
  }
  void TearDown() override {
    for (auto& process : processes_) {
      process->kill();
      process->waitForFinished();
    }
  }

  // Opens a test window, native or through XWayland, and gives its handle once listed.
  WindowHandle Open(const std::string& caption, bool native) {
    auto& process = processes_.emplace_back(std::make_unique<QProcess>());
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", native ? "wayland" : "xcb");
    process->setProcessEnvironment(env);
    process->start(HOVERDECK_KWIN_TEST_WINDOW, {QString::fromStdString(caption)});
    WindowHandle found = kNoWindow;
    Within([&] { return (found = Find(caption)) != kNoWindow; });
    return found;
  }
  WindowHandle Find(const std::string& caption) {
    for (auto w = windows_->FirstWindow(kNoWindow); w != kNoWindow; w = windows_->NextWindow(w)) {
      if (windows_->Caption(w) == caption) return w;
    }
    return kNoWindow;
  }
  QVariantMap KWinView(WindowHandle window) {
    QDBusMessage m =
        QDBusMessage::createMethodCall("org.kde.KWin", "/KWin", "org.kde.KWin", "getWindowInfo");
    m.setArguments({QString::fromStdString(windows_->KWinId(window))});
    return qdbus_cast<QVariantMap>(QDBusConnection::sessionBus().call(m).arguments().value(0));
  }
  void Scan(const std::string& rule) {
    SortedList list;
    list.Add(rule, true);
    topmost_rules_.RebuildFrom(list);
    ScanWindows(*windows_, tray_,
                {kNoWindow, &settings_, &topmost_rules_, &close_rules_, [] { return true; }},
                tables_);
  }
  bool ListedTopmost(const std::string& caption) const {
    for (int i = 0; i < tables_.TopmostCount(); ++i) {
      if (tables_.Topmost(i).caption == caption) return true;
    }
    return false;
  }

  std::unique_ptr<KWinWindowSystem> windows_;
  std::vector<std::unique_ptr<QProcess>> processes_;
  testing::FakeTray tray_;
  Settings settings_;
  Catalogue topmost_rules_{kTopMostWindowsSection};
  Catalogue close_rules_{kDisableXSection};
  WindowTables tables_;
};

TEST_F(KWinAdapterTest, ListsNativeAndXWaylandWindowsAsKWinSeesThem) {
  for (const auto& [caption, native] :
       {std::pair("Native one", true), {"Native two", true}, {"X one", false}, {"X two", false}}) {
    const WindowHandle window = Open(caption, native);
    ASSERT_NE(window, kNoWindow) << caption;
    const QVariantMap kwin = KWinView(window);
    EXPECT_EQ(kwin.value("caption").toString().toStdString(), caption);
    EXPECT_EQ(kwin.value("keepAbove").toBool(), windows_->IsTopmost(window));
    EXPECT_TRUE(windows_->IsVisible(window) && !windows_->HasParent(window));
    EXPECT_EQ(windows_->WindowPid(window), processes_.back()->processId()) << caption;
    EXPECT_TRUE(windows_->Rect(window).has_value());
  }
}

TEST_F(KWinAdapterTest, TopmostRuleMakesANativeWindowKeepAboveWithinATick) {
  const WindowHandle window = Open("Native ruled", true);
  ASSERT_NE(window, kNoWindow);
  Scan("ruled");
  EXPECT_TRUE(Within([&] { return KWinView(window).value("keepAbove").toBool(); }, 1000));
  EXPECT_TRUE(Within([&] { return windows_->IsTopmost(window); }, 1000));
  Scan("ruled");
  EXPECT_TRUE(ListedTopmost("Native ruled"));
}

TEST_F(KWinAdapterTest, WindowMadeKeepAboveByHandIsListedAsTopmost) {
  const WindowHandle native = Open("Native by hand", true);
  const WindowHandle x = Open("X by hand", false);
  ASSERT_TRUE(native != kNoWindow && x != kNoWindow);
  RunInKWin(
      "(workspace.windowList ? workspace.windowList() : workspace.clientList()).forEach("
      "function (w) { if (w.caption === 'Native by hand') w.keepAbove = true; });");
  QProcess::execute("wmctrl", {"-r", "X by hand", "-b", "add,above"});
  EXPECT_TRUE(Within([&] { return windows_->IsTopmost(native) && windows_->IsTopmost(x); }));
  Scan("nothing matches this");
  EXPECT_TRUE(ListedTopmost("Native by hand") && ListedTopmost("X by hand"));
}

// KWin applies a rule's forced close function to XWayland windows; for a native window the
// answer is the truth, and the rule is taken back. The user's own rules stay.
TEST_F(KWinAdapterTest, CloseRuleDisablesXWaylandWindowsAndAnswersTruthfullyForNativeOnes) {
  const std::string user_rule = "[General]\ncount=1\nrules=mine\n\n[mine]\nDescription=Mine\n";
  std::ofstream(std::string(qgetenv("XDG_CONFIG_HOME")) + "/kwinrulesrc") << user_rule;
  for (const auto& [caption, native] : {std::pair("X closed", false), {"Native closed", true}}) {
    const WindowHandle window = Open(caption, native);
    ASSERT_NE(window, kNoWindow);
    EXPECT_TRUE(windows_->SetCloseItemState(window, kCloseItemDisabledBits));
    EXPECT_EQ(windows_->ConfirmCloseItemDisabled(window), !native) << caption;
    EXPECT_EQ(windows_->CloseItemState(window), native ? 0u : kCloseItemDisabledBits);
    EXPECT_EQ(RulesFile().find(caption) != std::string::npos, !native) << RulesFile();
    if (native) continue;
    EXPECT_TRUE(windows_->SetCloseItemState(window, 0));
    EXPECT_TRUE(Within([&] { return windows_->CloseItemState(window) == 0u; }));
    EXPECT_EQ(RulesFile().find(caption), std::string::npos);
  }
  EXPECT_NE(RulesFile().find("[mine]\nDescription=Mine\n"), std::string::npos) << RulesFile();
}

TEST_F(KWinAdapterTest, MarkerGoesOnXWaylandCaptionsAndNeverOnNativeOnes) {
  const WindowHandle x = Open("X marked", false);
  const WindowHandle native = Open("Native marked", true);
  ASSERT_TRUE(x != kNoWindow && native != kNoWindow);
  EXPECT_TRUE(windows_->SetCaption(x, "[TOPMOST] X marked"));
  EXPECT_TRUE(Within([&] { return windows_->Caption(x) == "[TOPMOST] X marked"; }));
  EXPECT_TRUE(windows_->SetCaption(x, "X marked"));
  EXPECT_TRUE(Within([&] { return windows_->Caption(x) == "X marked"; }));
  EXPECT_FALSE(windows_->SetCaption(native, "[TOPMOST] Native marked"));
  Within([] { return false; }, 300);
  EXPECT_EQ(KWinView(native).value("caption").toString(), "Native marked");
}

TEST_F(KWinAdapterTest, SteadyStateMakesNoDBusCall) {
  const WindowHandle native = Open("Native steady", true);
  const WindowHandle x = Open("X steady", false);
  Scan("steady");
  ASSERT_TRUE(Within([&] { return windows_->IsTopmost(native) && windows_->IsTopmost(x); }));
  Within([] { return false; }, 300);  // the windows settle
  Scan("steady");
  const std::uint64_t before = windows_->Messages();
  for (int tick = 0; tick < 5; ++tick) {
    Within([] { return false; }, 100);
    Scan("steady");
  }
  EXPECT_EQ(windows_->Messages(), before);
  EXPECT_TRUE(ListedTopmost("Native steady") && ListedTopmost("X steady"));
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
  // Starting again replaces it: the adapter is up only once its own script has reported.
  windows = KWinWindowSystem::Connect("");
  ASSERT_TRUE(windows);
  windows.reset();
  EXPECT_FALSE(KWinScript::Loaded());
}

}  // namespace
}  // namespace hoverdeck
