// The scan on the simulated desktop: filter, tables, marker, both rule sets, walk and tip.
#include <gtest/gtest.h>

#include "inventory/WindowScan.h"
#include "support/FormDesk.h"
#include "support/IniCorpus.h"
#include "support/SimulatedDesktop.h"

namespace hoverdeck {
namespace {

using testing::Bits;
using testing::SimWindow;

class WindowScanTest : public ::testing::Test {
 protected:
  WindowScanTest() { tray_.Add("Hoverdeck 1.1h"); }

  static void Rules(Catalogue& catalogue,
                    std::initializer_list<std::pair<const char*, bool>> rules) {
    SortedList list;
    for (const auto& [text, checked] : rules) list.Add(text, checked);
    catalogue.RebuildFrom(list);
  }
  void Scan() { ScanWindows(desktop_, tray_, inputs_, tables_); }
  // A table's captions joined by '|', top of the Z-order first.
  std::string Listed(bool topmost) const {
    std::string joined;
    for (int i = 0; i < (topmost ? tables_.TopmostCount() : tables_.NonTopmostCount()); ++i)
      joined += (i ? "|" : "") + (topmost ? tables_.Topmost(i) : tables_.NonTopmost(i)).caption;
    return joined;
  }

  testing::SimulatedDesktop desktop_;
  testing::FakeTray tray_;
  Settings settings_;
  Catalogue topmost_rules_{kTopMostWindowsSection};
  Catalogue close_rules_{kDisableXSection};
  WindowTables tables_;
  bool minimized_ = false;
  ScanInputs inputs_{kNoWindow, &settings_, &topmost_rules_, &close_rules_,
                     [this] { return minimized_; }};
};

TEST_F(WindowScanTest, KeepsOnlyVisibleEnabledParentlessCaptionedWindows) {
  const auto kept = desktop_.Open("Kept");
  for (const SimWindow& w :
       {SimWindow{.caption = "Hidden", .visible = false},
        SimWindow{.caption = "Disabled", .enabled = false},
        SimWindow{.caption = "Owned", .parent = kept}, SimWindow{.caption = ""},
        SimWindow{.caption = "HiddenTop", .visible = false, .topmost = true},
        SimWindow{.caption = "Cloaked", .topmost = true, .seen = false}})  // or the shell's
    desktop_.Open(w);
  // Every rule that could touch them is in force; the switches take no window while their
  // catalogue is empty, and every window once it holds any entry, even unchecked and unrelated.
  settings_.SetTopMostCaption = settings_.SetAllTopMost = settings_.SetAllDisableX = true;
  minimized_ = true;
  Scan();
  EXPECT_EQ(desktop_.writes().total(), 0);
  for (Catalogue* rules : {&topmost_rules_, &close_rules_}) Rules(*rules, {{"x", false}});
  Scan();
  EXPECT_EQ(Listed(false) + "/" + Listed(true), "Kept/");
  // "Kept" made topmost and its close button disabled, and nothing else written.
  EXPECT_EQ(Bits({desktop_.Window(kept).topmost, desktop_.writes().total() == 2}), "11");
}

// The marker of tests/data/caption-markers.txt: the tables and the rules see the caption as
// changed, and once it is right the next scan writes nothing.
TEST_F(WindowScanTest, MarkerFollowsTheTopmostState) {
  const auto cases = testing::LoadIniCorpus("caption-markers.txt").lines;
  ASSERT_GE(cases.size(), 6u);
  Rules(close_rules_, {{"[TOP]Ed", true}});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.verb);
    ASSERT_EQ(c.fields.size(), 5u);
    settings_.SetTopMostCaption = c.fields[0] == "1";
    settings_.ConstTopMost = c.fields[1];
    const std::string& after = c.fields[4];
    const auto w = desktop_.Open(c.fields[2], c.fields[3] == "1");
    Scan();
    EXPECT_EQ(desktop_.Window(w).caption + "/" + Listed(c.fields[3] == "1"), after + "/" + after);
    EXPECT_EQ(desktop_.Window(w).close_state,
              after.starts_with("[TOP]Ed") ? kCloseItemDisabledBits : 0u);
    desktop_.ResetWrites();
    Scan();
    EXPECT_EQ(desktop_.writes().total(), 0);
    desktop_.Close(w);
  }
}

// Topmost rules act only while minimised (asked for each window, as the state may change during
// the scan), match case and all, and the switched window counts as non-topmost until the next
// scan, which marks it.
TEST_F(WindowScanTest, TopmostRulesActOnlyWhileMinimisedAndShowFromTheNextScan) {
  settings_.SetTopMostCaption = true;
  Rules(topmost_rules_, {{"Notepad", true}});
  const auto early = desktop_.Open("Notepad early");
  const auto lower = desktop_.Open("notepad lower case");
  const auto notepad = desktop_.Open("Untitled - Notepad");
  int asked = 0;
  inputs_.main_window_minimized = [&] { return asked++ > 0; };
  Scan();
  // The first one asked was not minimised yet; the case must match.
  EXPECT_EQ(Bits({desktop_.Window(notepad).topmost, desktop_.Window(lower).topmost,
                  desktop_.Window(early).topmost}),
            "001");
  EXPECT_EQ(desktop_.Window(early).caption + "/" + Listed(true), "Notepad early/");
  Scan();
  Scan();
  EXPECT_EQ(Listed(true), "[TOPMOST] Untitled - Notepad|[TOPMOST] Notepad early");
}

TEST_F(WindowScanTest, WalkGoesOnFromWhereTheSwitchedWindowNowStandsEnteringEachWindowOnce) {
  Rules(topmost_rules_, {{"rule", true}});
  minimized_ = true;
  const auto second = desktop_.Open("second rule");
  const auto first = desktop_.Open("first rule");
  desktop_.Open("Top", true);
  // Z-order: Top, first rule, second rule. Switching "first rule" lifts it above "Top", so the
  // walk meets "Top" again before it reaches "second rule".
  Scan();
  EXPECT_EQ(Bits({desktop_.Window(first).topmost, desktop_.Window(second).topmost}), "11");
  EXPECT_EQ(Listed(true) + "/" + Listed(false), "Top/first rule|second rule");
  EXPECT_EQ(desktop_.writes().topmost, 2);
  Scan();
  EXPECT_EQ(Listed(true), "second rule|first rule|Top");
}

// Beyond 1000 topmost and 2000 other windows the tables are full: the first met are entered,
// the surplus left out, and the tip tells the counts held.
TEST_F(WindowScanTest, SurplusWindowsBeyondFullTablesAreLeftOut) {
  for (int i = 0; i < 3005; ++i) desktop_.Open("w" + std::to_string(i), i < 1002);
  Scan();
  EXPECT_EQ(tables_.Topmost(999).caption + " " + tables_.NonTopmost(1999).caption, "w2 w1005");
  EXPECT_EQ(tray_.tip(), "Hoverdeck 1.1h -> 2000 non topmost; 1000 topmost");
}

TEST_F(WindowScanTest, CloseRulesActOnEveryScanAndKeepOtherBits) {
  Rules(close_rules_, {{"Mail", true}, {"Chat", false}});
  const auto half = desktop_.Open(SimWindow{.caption = "Mail half", .close_state = 0x81u});
  const auto top = desktop_.Open("Mail top", true);
  const auto chat = desktop_.Open("Chat");
  desktop_.Open(SimWindow{.caption = "Mail sealed", .close_state = std::nullopt});
  Scan();  // shown, not minimised
  EXPECT_EQ(std::tuple(desktop_.Window(half).close_state, desktop_.Window(top).close_state,
                       desktop_.Window(chat).close_state, desktop_.writes().close_item),
            std::tuple(0x83u, 0x3u, 0u, 2));  // the first keeps its other bits
  // Re-enabled by hand, it is disabled again at the next scan; otherwise nothing is written.
  desktop_.Window(top).close_state = 0u;
  desktop_.ResetWrites();
  Scan();
  EXPECT_EQ(desktop_.Window(top).close_state, 0x3u);
  EXPECT_EQ(desktop_.writes().total(), 1);
}

// A program that does not answer is left for a later scan, which looks again even on a desktop
// that tells it is unchanged; one with higher rights is left alone.
TEST_F(WindowScanTest, WindowsThatCannotTakeAChangeAreLeftAloneUntilTheyCan) {
  desktop_.revision = 1;
  settings_.SetTopMostCaption = true;
  for (Catalogue* rules : {&topmost_rules_, &close_rules_}) Rules(*rules, {{"app", true}});
  minimized_ = true;
  using enum WindowAccess;
  const auto hung = desktop_.Open(SimWindow{.caption = "hung app", .access = kNotResponding});
  const auto admin = desktop_.Open(SimWindow{.caption = "admin app", .access = kHigherRights});
  desktop_.Open(SimWindow{.caption = "admin top app", .topmost = true, .access = kHigherRights});
  desktop_.Open("plain app");
  Scan();
  Scan();
  // "plain app" made topmost, its close item disabled, then marked: three writes, nothing else.
  EXPECT_EQ(Listed(true) + "/" + Listed(false),
            "[TOPMOST] plain app|admin top app/admin app|hung app");
  EXPECT_EQ(desktop_.writes().total(), 3);
  desktop_.Window(hung).access = kOpen;
  Scan();
  EXPECT_EQ(Bits({desktop_.Window(hung).topmost, desktop_.Window(admin).topmost,
                  desktop_.Window(hung).close_state == kCloseItemDisabledBits}),
            "101");
}

// A desktop that tells when it is unchanged is not walked again: the tables stay and the tray
// still hears the counts. A new revision, a catalogue edit, a settings change or minimising does
// walk it again, and a rule that matches then takes effect.
TEST_F(WindowScanTest, AnUnchangedDesktopIsNotWalkedAgain) {
  desktop_.revision = 1;
  const auto mail = desktop_.Open("Mail");
  Scan();
  const int calls = desktop_.calls();
  tray_.tips.clear();
  Scan();
  EXPECT_EQ(desktop_.calls(), calls);
  EXPECT_EQ(Listed(false) + "/" + std::to_string(tray_.tips.size()), "Mail/1");
  for (int change = 0; change < 5; ++change) {
    if (change == 0) desktop_.Open("Late"), ++*desktop_.revision;
    if (change == 1) Rules(close_rules_, {{"Mail", true}});
    if (change == 2) Rules(topmost_rules_, {{"Mail", true}});
    settings_.SetTopMostCaption = change >= 3;
    minimized_ = change == 4;
    const int before = desktop_.calls();
    Scan();
    EXPECT_GT(desktop_.calls(), before);
  }
  // The switch to topmost shows as a change at the next look, and the marker follows.
  ++*desktop_.revision;
  Scan();
  EXPECT_EQ(Listed(false) + "/" + Listed(true), "Late/[TOPMOST] Mail");
  EXPECT_EQ(desktop_.Window(mail).close_state, kCloseItemDisabledBits);
}

// A window that keeps its caption to itself (a native Wayland window's) is listed as it stands,
// and one that vanishes during the scan ends nothing badly.
TEST_F(WindowScanTest, CaptionsThatCannotBeMarkedAreListedAsTheyStand) {
  settings_.SetTopMostCaption = true;
  Rules(close_rules_, {{"Gone", true}});
  const auto gone = desktop_.Open("Gone soon", true);
  desktop_.VanishAfter(gone, 6);  // still there for the filter, gone by the marker write
  desktop_.Open(SimWindow{.caption = "Editor", .topmost = true, .refuses_caption = true});
  Scan();
  EXPECT_EQ(std::tuple(desktop_.Exists(gone), Listed(true)), std::tuple(false, "Editor|Gone soon"));
}

}  // namespace
}  // namespace hoverdeck
