// The scan on the simulated desktop: filter, tables, marker, both rule sets, walk and tip.
#include <gtest/gtest.h>

#include "inventory/WindowScan.h"
#include "support/FakeTray.h"
#include "support/SimulatedDesktop.h"

namespace hoverdeck {
namespace {

using testing::FakeTray;
using testing::SimulatedDesktop;
using testing::SimWindow;

class WindowScanTest : public ::testing::Test {
 protected:
  WindowScanTest() { tray_.Add("Hoverdeck 1.1h"); }

  void Rules(Catalogue& catalogue, std::initializer_list<std::pair<const char*, bool>> entries) {
    SortedList list;
    for (const auto& [text, checked] : entries) list.Add(text, checked);
    catalogue.RebuildFrom(list);
  }

  void Scan() {
    ScanInputs inputs;
    inputs.main_window = main_window_;
    inputs.settings = &settings_;
    inputs.topmost_catalogue = &topmost_rules_;
    inputs.disable_x_catalogue = &close_rules_;
    inputs.main_window_minimized = [this] { return minimized_; };
    ScanWindows(desktop_, tray_, inputs, tables_);
  }

  std::vector<std::string> TopmostCaptions() const {
    std::vector<std::string> captions;
    for (int i = 0; i < tables_.TopmostCount(); ++i) captions.push_back(tables_.Topmost(i).caption);
    return captions;
  }
  std::vector<std::string> NonTopmostCaptions() const {
    std::vector<std::string> captions;
    for (int i = 0; i < tables_.NonTopmostCount(); ++i) {
      captions.push_back(tables_.NonTopmost(i).caption);
    }
    return captions;
  }

  SimulatedDesktop desktop_;
  FakeTray tray_;
  Settings settings_;
  Catalogue topmost_rules_{kTopMostWindowsSection};
  Catalogue close_rules_{kDisableXSection};
  WindowTables tables_;
  WindowHandle main_window_ = kNoWindow;
  bool minimized_ = false;
};

using Captions = std::vector<std::string>;

TEST_F(WindowScanTest, KeepsOnlyVisibleEnabledParentlessCaptionedWindows) {
  const auto kept = desktop_.Open("Kept");
  SimWindow hidden{.caption = "Hidden", .visible = false};
  SimWindow disabled{.caption = "Disabled", .enabled = false};
  SimWindow owned{.caption = "Owned", .parent = kept};
  SimWindow untitled{.caption = ""};
  SimWindow hidden_top{.caption = "[TOPMOST] HiddenTop", .visible = false, .topmost = true};
  for (const auto& w : {hidden, disabled, owned, untitled, hidden_top}) desktop_.Open(w);

  // Every rule that could touch them is in force.
  settings_.SetTopMostCaption = true;
  settings_.SetAllTopMost = settings_.SetAllDisableX = true;
  Rules(topmost_rules_, {{"x", false}});
  Rules(close_rules_, {{"x", false}});
  minimized_ = true;
  Scan();

  EXPECT_EQ(NonTopmostCaptions(), Captions{"Kept"});
  EXPECT_EQ(TopmostCaptions(), Captions{});
  for (WindowHandle w : desktop_.ZOrder()) {
    if (w == kept) continue;
    const SimWindow& window = desktop_.Window(w);
    EXPECT_FALSE(window.topmost && window.caption != "[TOPMOST] HiddenTop") << window.caption;
    EXPECT_EQ(window.close_state, 0u) << window.caption;
  }
  EXPECT_EQ(desktop_.Window(kept).close_state, kCloseItemDisabledBits);
}

TEST_F(WindowScanTest, TablesFollowTheZOrderWithSignedHandleTextAndTheTipCounts) {
  const auto low = desktop_.Open("Low");
  const auto top = desktop_.Open("Top", true);
  SimWindow high_bit{.caption = "HighBit"};
  const auto negative = desktop_.Open(high_bit, 0x80000010u);
  Scan();
  EXPECT_EQ(NonTopmostCaptions(), (Captions{"HighBit", "Low"}));
  EXPECT_EQ(TopmostCaptions(), Captions{"Top"});
  EXPECT_EQ(tables_.NonTopmost(0).handle_text, "-2147483632");
  EXPECT_EQ(HandleFromText(tables_.NonTopmost(0).handle_text), negative);
  EXPECT_EQ(tables_.NonTopmost(1).handle_text, HandleText(low));
  EXPECT_EQ(tables_.Topmost(0).handle_text, HandleText(top));
  EXPECT_EQ(tray_.tip(), "Hoverdeck 1.1h -> 2 non topmost; 1 topmost");

  desktop_.Close(low);
  desktop_.Close(top);
  desktop_.Close(negative);
  Scan();
  EXPECT_EQ(tables_.NonTopmostCount(), 0);
  EXPECT_EQ(tables_.TopmostCount(), 0);
  EXPECT_EQ(tray_.tip(), "Hoverdeck 1.1h -> 0 non topmost; 0 topmost");
}

// While on, the marker stands in front of exactly the topmost captions; while off, only an exact
// leading marker is taken away. The tables and the rules see the caption as changed, and once it
// is right the next scan writes nothing.
TEST_F(WindowScanTest, MarkerFollowsTheTopmostState) {
  struct Case {
    bool on;
    const char* marker;
    const char* caption;
    bool topmost;
    const char* after;
  };
  const Case cases[] = {
      {true, "[TOPMOST] ", "Editor", true, "[TOPMOST] Editor"},
      {true, "[TOPMOST] ", "[TOPMOST] Notes", false, "Notes"},
      {true, "[TOP]", "Editor", true, "[TOP]Editor"},
      {false, "[TOPMOST] ", "[TOPMOST] Editor", true, "Editor"},
      {false, "[TOPMOST] ", "[topmost] Editor", true, "[topmost] Editor"},
      {false, "[TOPMOST] ", "Editor [TOPMOST] x", true, "Editor [TOPMOST] x"},
  };
  Rules(close_rules_, {{"[TOP]Ed", true}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    settings_.SetTopMostCaption = c.on;
    settings_.ConstTopMost = c.marker;
    const auto w = desktop_.Open(c.caption, c.topmost);
    Scan();
    EXPECT_EQ(desktop_.Window(w).caption, c.after);
    EXPECT_EQ(c.topmost ? TopmostCaptions() : NonTopmostCaptions(), Captions{c.after});
    const bool rule = std::string(c.after).starts_with("[TOP]Ed");
    EXPECT_EQ(desktop_.Window(w).close_state, rule ? kCloseItemDisabledBits : 0u);
    desktop_.ResetWrites();
    Scan();
    EXPECT_EQ(desktop_.writes().total(), 0);
    desktop_.Close(w);
  }
}

TEST_F(WindowScanTest, TopmostRulesActOnlyWhileMinimisedAndShowFromTheNextScan) {
  settings_.SetTopMostCaption = true;
  Rules(topmost_rules_, {{"Notepad", true}});
  const auto notepad = desktop_.Open("Untitled - Notepad");
  const auto lower = desktop_.Open("notepad lower case");
  desktop_.Open("Other");

  Scan();
  EXPECT_FALSE(desktop_.Window(notepad).topmost);
  EXPECT_EQ(desktop_.writes().total(), 0);

  minimized_ = true;
  Scan();
  EXPECT_TRUE(desktop_.Window(notepad).topmost);
  EXPECT_FALSE(desktop_.Window(lower).topmost);
  // Counted as non-topmost by the scan that switched it; no marker yet.
  EXPECT_EQ(desktop_.Window(notepad).caption, "Untitled - Notepad");
  EXPECT_EQ(TopmostCaptions(), Captions{});
  // The rectangle is kept: switching neither moves nor sizes the window.
  EXPECT_EQ(desktop_.Window(notepad).rect, (WindowRect{10, 20, 410, 320}));

  Scan();
  EXPECT_EQ(TopmostCaptions(), Captions{"[TOPMOST] Untitled - Notepad"});
  desktop_.ResetWrites();
  Scan();
  EXPECT_EQ(desktop_.writes().total(), 0);
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
  EXPECT_TRUE(desktop_.Window(first).topmost);
  EXPECT_TRUE(desktop_.Window(second).topmost);
  EXPECT_EQ(desktop_.ZOrder().front(), second);
  EXPECT_EQ(TopmostCaptions(), Captions{"Top"});
  EXPECT_EQ(NonTopmostCaptions(), (Captions{"first rule", "second rule"}));
  EXPECT_EQ(tray_.tip(), "Hoverdeck 1.1h -> 2 non topmost; 1 topmost");
  EXPECT_EQ(desktop_.writes().topmost, 2);

  Scan();
  EXPECT_EQ(TopmostCaptions(), (Captions{"second rule", "first rule", "Top"}));
}

TEST_F(WindowScanTest, SwitchWithEmptyCatalogueDoesNothingAndWithAnEntryTakesEveryWindow) {
  settings_.SetAllTopMost = settings_.SetAllDisableX = true;
  minimized_ = true;
  const auto a = desktop_.Open("A");
  const auto b = desktop_.Open("B");
  Scan();
  EXPECT_EQ(desktop_.writes().total(), 0);

  Rules(topmost_rules_, {{"unchecked and unrelated", false}});
  Rules(close_rules_, {{"unchecked and unrelated", false}});
  Scan();
  for (auto w : {a, b}) {
    EXPECT_TRUE(desktop_.Window(w).topmost);
    EXPECT_EQ(desktop_.Window(w).close_state, kCloseItemDisabledBits);
  }
}

TEST_F(WindowScanTest, CloseRulesActOnEveryScanAndKeepOtherBits) {
  Rules(close_rules_, {{"Mail", true}, {"Chat", false}});
  SimWindow half{.caption = "Mail half", .close_state = 0x1u | 0x80u};
  const auto mail_half = desktop_.Open(half);
  const auto mail_top = desktop_.Open("Mail top", true);
  const auto chat = desktop_.Open("Chat");
  SimWindow sealed{.caption = "Mail sealed", .close_state = std::nullopt};
  desktop_.Open(sealed);

  Scan();  // shown, not minimised
  EXPECT_EQ(desktop_.Window(mail_half).close_state, 0x83u);
  EXPECT_EQ(desktop_.Window(mail_top).close_state, 0x3u);
  EXPECT_EQ(desktop_.Window(chat).close_state, 0u);
  EXPECT_EQ(desktop_.writes().close_item, 2);

  // Re-enabled by hand, it is disabled again at the next scan; otherwise nothing is written.
  desktop_.Window(mail_top).close_state = 0u;
  desktop_.ResetWrites();
  Scan();
  EXPECT_EQ(desktop_.Window(mail_top).close_state, 0x3u);
  EXPECT_EQ(desktop_.writes().total(), 1);
}

TEST_F(WindowScanTest, MinimisedStateIsAskedForEachWindow) {
  Rules(topmost_rules_, {{"w", true}});
  const auto lower = desktop_.Open("w lower");
  const auto upper = desktop_.Open("w upper");
  int asked = 0;
  ScanInputs inputs{main_window_, &settings_, &topmost_rules_, &close_rules_,
                    [&asked] { return asked++ > 0; }};
  ScanWindows(desktop_, tray_, inputs, tables_);
  EXPECT_FALSE(desktop_.Window(upper).topmost);
  EXPECT_TRUE(desktop_.Window(lower).topmost);
}

TEST_F(WindowScanTest, FullTablesIgnoreTheSurplus) {
  for (int i = 0; i < WindowTables::kTopmostCapacity + 5; ++i) desktop_.Open("T", true);
  for (int i = 0; i < WindowTables::kNonTopmostCapacity + 5; ++i) desktop_.Open("N");
  Scan();
  EXPECT_EQ(tables_.TopmostCount(), WindowTables::kTopmostCapacity);
  EXPECT_EQ(tables_.NonTopmostCount(), WindowTables::kNonTopmostCapacity);
  EXPECT_EQ(tray_.tip(), "Hoverdeck 1.1h -> 2000 non topmost; 1000 topmost");
}

TEST_F(WindowScanTest, VanishingWindowEndsNothingBadly) {
  settings_.SetTopMostCaption = true;
  Rules(close_rules_, {{"Gone", true}});
  desktop_.Open("Below");
  const auto gone = desktop_.Open("Gone soon", true);
  desktop_.VanishAfter(gone, 4);  // still there for the filter, gone by the marker write
  Scan();
  EXPECT_FALSE(desktop_.Exists(gone));
  EXPECT_LE(tables_.TopmostCount(), 1);
}

TEST_F(WindowScanTest, OddCaptionsPassThroughUnchanged) {
  const std::string long_caption(64 * 1024, 'x');
  const std::string invalid_utf8 = "bad \xFF\xFE utf8 \xC3";
  const std::string controls = std::string("tab\tcr\rlf\nnul", 14) + std::string(1, '\0') + "end";
  for (const auto& caption : {long_caption, invalid_utf8, controls}) desktop_.Open(caption);
  Scan();
  EXPECT_EQ(NonTopmostCaptions(), (Captions{controls, invalid_utf8, long_caption}));
  EXPECT_EQ(desktop_.writes().total(), 0);
}

}  // namespace
}  // namespace hoverdeck
