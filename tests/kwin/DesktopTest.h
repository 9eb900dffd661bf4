// What the suites of the KWin and GNOME adapters share: a fixture with the adapter, test windows
// (native on Wayland or through XWayland) and the core's scans over them, and the checks every
// adapter of the window-system port passes on its desktop, run once per adapter. `Desktop` names
// the adapter (Desktop::Adapter) and what its desktop allows (see KWinAdapterTest.cpp).
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <fstream>
#include <functional>

#include "FormDesk.h"
#include "app/SortedList.h"
#include "inventory/WindowScan.h"

namespace hoverdeck {

// Takes in events until `done` holds, for at most `ms`.
inline bool Within(const std::function<bool()>& done, int ms = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents();
    QThread::msleep(5);
  }
  return true;
}

inline std::string Output(const QString& program, const QStringList& arguments,
                          int wait_ms = 10000) {
  QProcess process;
  process.start(program, arguments);
  process.waitForFinished(wait_ms);
  return process.readAllStandardOutput().toStdString();
}

// The program (a copy in a scratch folder, with its settings file beside it), as a user runs it.
inline std::unique_ptr<QProcess> StartProgram(QTemporaryDir& dir, const std::string& ini,
                                              const QStringList& arguments = {},
                                              const QString& bus = {}) {
  const QString program = dir.filePath("hoverdeck");
  QFile::copy(HOVERDECK_PROGRAM, program);
  std::ofstream(dir.filePath("Hoverdeck.ini").toStdString()) << ini;
  auto process = std::make_unique<QProcess>();
  auto env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "xcb");
  if (!bus.isEmpty()) env.insert("DBUS_SESSION_BUS_ADDRESS", bus);
  process->setProcessEnvironment(env);
  process->start(program, arguments);
  return process;
}

template <typename Desktop>
class DesktopTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (auto& process : processes_) {
      process->kill();
      process->waitForFinished();
    }
  }
  void Connect() {
    windows_ = Desktop::Adapter::Connect(qgetenv("DISPLAY").toStdString());
    ASSERT_TRUE(windows_) << "the adapter did not start";
  }

  // Opens a test window, native or through XWayland; its handle once listed when connected.
  // With `dialog`, a dialog of that caption opens over the window.
  WindowHandle Open(const std::string& caption, bool native, const QStringList& dialog = {},
                    int ms = 5000) {
    auto& process = processes_.emplace_back(std::make_unique<QProcess>());
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", native ? "wayland" : "xcb");
    process->setProcessEnvironment(env);
    process->start(HOVERDECK_TEST_WINDOW, QStringList{QString::fromStdString(caption)} + dialog);
    WindowHandle found = kNoWindow;
    if (windows_) Within([&] { return (found = Find(caption)) != kNoWindow; }, ms);
    return found;
  }
  WindowHandle Find(const std::string& caption) {
    for (auto w = windows_->FirstWindow(kNoWindow); w != kNoWindow; w = windows_->NextWindow(w)) {
      if (windows_->Caption(w) == caption) return w;
    }
    return kNoWindow;
  }
  // A scan of the core with one topmost rule.
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

  std::unique_ptr<typename Desktop::Adapter> windows_;
  std::vector<std::unique_ptr<QProcess>> processes_;
  testing::FakeTray tray_;
  Settings settings_;
  Catalogue topmost_rules_{kTopMostWindowsSection};
  Catalogue close_rules_{kDisableXSection};
  WindowTables tables_;
};

template <typename Desktop>
using DesktopPortTest = DesktopTest<Desktop>;
TYPED_TEST_SUITE_P(DesktopPortTest);

// Windows of both kinds, opened before the adapter and after: listed with their facts; a rule
// makes them topmost, and ticks over them after that make no call; made topmost by
// hand or taken out of the band, they are seen so; closed, they go from the list.
TYPED_TEST_P(DesktopPortTest, ListsWindowsAndFollowsTheirTopmostState) {
  this->Open("Native early", true);
  this->Open("X early", false);
  this->Connect();
  const WindowHandle native = this->Open("Native late", true);
  const WindowHandle x = this->Open("X late", false);
  for (const char* caption : {"Native early", "X early", "Native late", "X late"}) {
    WindowHandle w = kNoWindow;
    ASSERT_TRUE(Within([&] { return (w = this->Find(caption)) != kNoWindow; })) << caption;
    auto& windows = *this->windows_;
    EXPECT_EQ(testing::Bits({windows.IsVisible(w), windows.HasParent(w), windows.IsTopmost(w),
                             windows.Rect(w).has_value()}),
              "1001")
        << caption;
  }
  EXPECT_EQ(this->windows_->WindowPid(x), this->processes_.back()->processId());
  // Scans tick on until the rule took (a window the shell is still placing may miss the first).
  ASSERT_TRUE(Within([&] {
    this->Scan("late");
    return this->windows_->IsTopmost(native) && this->windows_->IsTopmost(x);
  }));
  // Then ticks make no call: five in a row with no message at all, once the windows settled (the
  // shell may still report a late restack).
  EXPECT_TRUE(Within([&] {
    const std::uint64_t before = this->windows_->Messages();
    for (int tick = 0; tick < 5; ++tick) {
      Within([] { return false; }, 100);
      this->Scan("late");
    }
    return this->windows_->Messages() == before;
  }));
  EXPECT_EQ(testing::Bits({this->ListedTopmost("Native late"), this->ListedTopmost("X late"),
                           this->ListedTopmost("X early")}),
            "110");
  EXPECT_TRUE(this->windows_->SetTopmost(native, false, {}));
  // Confirmed (asked again while the desktop is slow to do it), it reads back at once.
  EXPECT_TRUE(Within([&] { return this->windows_->ConfirmTopmost(native, false); }));
  EXPECT_FALSE(this->windows_->IsTopmost(native));
  QProcess::execute("wmctrl", {"-r", "X early", "-b", "add,above"});
  EXPECT_TRUE(Within([&] { return this->windows_->IsTopmost(this->Find("X early")); }));
  this->processes_.back()->kill();
  EXPECT_TRUE(Within([&] { return this->Find("X late") == kNoWindow; }));
}

// The marker and the close button reach an XWayland window both ways; a native window's caption
// is its program's alone, and its close button goes only where the desktop lets it: the answer
// says which, and nothing of a change that did not take is left with the desktop.
TYPED_TEST_P(DesktopPortTest, MarkerAndCloseButtonGoWhereTheDesktopLetsThem) {
  this->Connect();
  const WindowHandle x = this->Open("X marked", false);
  const WindowHandle native = this->Open("Native marked", true);
  ASSERT_TRUE(x != kNoWindow && native != kNoWindow);
  auto& windows = *this->windows_;
  for (const char* caption : {"[TOPMOST] X marked", "X marked"}) {
    EXPECT_TRUE(windows.SetCaption(x, caption));
    EXPECT_TRUE(Within([&] { return windows.Caption(x) == caption; })) << caption;
  }
  EXPECT_FALSE(windows.SetCaption(native, "[TOPMOST] Native marked"));
  struct Case {
    WindowHandle window;
    const char* caption;
    bool closes;
  };
  for (const Case& c :
       {Case{x, "X marked", true}, Case{native, "Native marked", TypeParam::ClosesNative()}}) {
    windows.SetCloseItemState(c.window, kCloseItemDisabledBits);
    EXPECT_EQ(windows.ConfirmCloseItemDisabled(c.window), c.closes) << c.caption;
    EXPECT_EQ(windows.CloseItemState(c.window), c.closes ? kCloseItemDisabledBits : 0u);
    EXPECT_EQ(TypeParam::HoldsCloseRule(c.caption), c.closes && TypeParam::kCloseRules);
    if (!c.closes) continue;
    EXPECT_TRUE(windows.SetCloseItemState(c.window, 0));
    EXPECT_TRUE(Within([&] { return windows.CloseItemState(c.window) == 0u; })) << c.caption;
    EXPECT_FALSE(TypeParam::HoldsCloseRule(c.caption));
  }
  EXPECT_EQ(windows.Caption(native), "Native marked");
}

REGISTER_TYPED_TEST_SUITE_P(DesktopPortTest, ListsWindowsAndFollowsTheirTopmostState,
                            MarkerAndCloseButtonGoWhereTheDesktopLetsThem);

}  // namespace hoverdeck
