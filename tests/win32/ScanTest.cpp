// One scan of the core through the real adapter, over windows of another process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OwnerProcess.h"
#include "inventory/WindowScan.h"
#include "platform/win32/Win32WindowSystem.h"
#include "support/FakeTray.h"

namespace hoverdeck {
namespace {

using testing::FakeTray;
using testing::OwnerProcess;

bool HasEntry(const WindowTables& tables, bool topmost, const std::string& caption,
              WindowHandle window) {
  const int count = topmost ? tables.TopmostCount() : tables.NonTopmostCount();
  for (int i = 0; i < count; ++i) {
    const WindowEntry& entry = topmost ? tables.Topmost(i) : tables.NonTopmost(i);
    if (entry.caption == caption && entry.handle_text == HandleText(window)) return true;
  }
  return false;
}

TEST(ScanOverAnotherProcessTest, MarkerAndTopmostRuleTakeEffectInTheOwningProcess) {
  OwnerProcess owner({
      {"target", "-", L"hvd-scan target"},
      {"bystander", "-", L"hvd-scan bystander"},
      {"stale", "-", L"[TOPMOST] hvd-scan stale"},
      {"above", "t", L"hvd-scan above"},
      {"hidden_above", "th", L"hvd-scan hidden above"},
  });
  Win32WindowSystem windows;
  FakeTray tray;
  tray.Add("Hoverdeck");
  Settings settings;
  settings.SetTopMostCaption = true;
  Catalogue topmost_rules{kTopMostWindowsSection};
  Catalogue close_rules{kDisableXSection};
  SortedList rule;
  rule.Add("hvd-scan target", true);
  topmost_rules.RebuildFrom(rule);
  ScanInputs inputs;
  inputs.settings = &settings;
  inputs.topmost_catalogue = &topmost_rules;
  inputs.disable_x_catalogue = &close_rules;
  inputs.main_window_minimized = [] { return true; };
  WindowTables tables;

  ScanWindows(windows, tray, inputs, tables);

  EXPECT_EQ(owner.OwnCaption("above"), L"[TOPMOST] hvd-scan above");
  EXPECT_EQ(owner.OwnCaption("stale"), L"hvd-scan stale");
  EXPECT_EQ(owner.OwnCaption("hidden_above"), L"hvd-scan hidden above");
  EXPECT_NE(GetWindowLongW(owner.Hwnd("target"), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(GetWindowLongW(owner.Hwnd("bystander"), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  // Counted by this scan as it found it, without the marker yet.
  EXPECT_EQ(owner.OwnCaption("target"), L"hvd-scan target");
  EXPECT_TRUE(HasEntry(tables, false, "hvd-scan target", owner.Window("target")));
  EXPECT_TRUE(HasEntry(tables, false, "hvd-scan stale", owner.Window("stale")));
  EXPECT_TRUE(HasEntry(tables, true, "[TOPMOST] hvd-scan above", owner.Window("above")));
  EXPECT_EQ(tray.tip(), TrayTip(tables.NonTopmostCount(), tables.TopmostCount()));

  ScanWindows(windows, tray, inputs, tables);
  EXPECT_EQ(owner.OwnCaption("target"), L"[TOPMOST] hvd-scan target");
  EXPECT_TRUE(HasEntry(tables, true, "[TOPMOST] hvd-scan target", owner.Window("target")));
  EXPECT_EQ(owner.OwnCaption("bystander"), L"hvd-scan bystander");
  // The walk meets the topmost band first: the rule's window, lifted last, heads the table.
  ASSERT_GE(tables.TopmostCount(), 2);
  EXPECT_EQ(tables.Topmost(0).handle_text, HandleText(owner.Window("target")));
}

}  // namespace
}  // namespace hoverdeck
