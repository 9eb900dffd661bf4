// The walk's snapshot against the real server: what a walk sees of changes made while it runs,
// how the adapter's own writes carry into it, and what a scan costs in round trips.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "X11Fixture.h"
#include "inventory/WindowScan.h"
#include "support/FakeTray.h"

namespace hoverdeck {
namespace {

using testing::WaitUntil;
using testing::Windows;

class X11SnapshotTest : public testing::X11AdapterTest {
 protected:
  bool ManagerOffersClose(WindowHandle w) {
    return probe_->HasAtom(w, "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_CLOSE");
  }
};

TEST_F(X11SnapshotTest, WindowOpenedDuringTheWalkWaitsForTheNextWalk) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", "Plain"},
      {"--net-name", "Above", "--above"},
  }));
  ASSERT_EQ(x_->FirstWindow(kNoWindow), w_[1]);
  // A new plain window lands right under the band kept above, that is under the walk's place.
  const Windows late = OpenMore({{"--net-name", "Late"}});
  ASSERT_EQ(late.size(), 1u);
  auto fresh = X11WindowSystem::Connect();
  ASSERT_NE(fresh, nullptr);
  ASSERT_EQ(fresh->NextWindow(w_[1]), late[0]);

  EXPECT_EQ(x_->NextWindow(w_[1]), w_[0]);
  EXPECT_EQ(x_->NextWindow(w_[0]), kNoWindow);
  EXPECT_EQ(Walk(), (Windows{w_[1], late[0], w_[0]}));
}

TEST_F(X11SnapshotTest, CaptionsWithinAndAfterTheWalk) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", "Notes"},
  }));
  const WindowHandle w = w_[0];
  ASSERT_EQ(x_->FirstWindow(kNoWindow), w);
  ASSERT_EQ(x_->Caption(w), "Notes");
  // The adapter's own write reads back at once; another client's waits for the next walk.
  ASSERT_TRUE(x_->SetCaption(w, "[TOPMOST] Notes"));
  EXPECT_EQ(x_->Caption(w), "[TOPMOST] Notes");
  probe_->SetText(w, "_NET_WM_NAME", "UTF8_STRING", "Renamed");
  EXPECT_EQ(x_->Caption(w), "[TOPMOST] Notes");
  // Once the walk is over, nothing of its snapshot answers.
  ASSERT_EQ(x_->NextWindow(w), kNoWindow);
  EXPECT_EQ(x_->Caption(w), "Renamed");
  probe_->SetText(w, "_NET_WM_NAME", "UTF8_STRING", "Renamed again");
  EXPECT_EQ(x_->Caption(w), "Renamed again");
  ASSERT_EQ(x_->FirstWindow(kNoWindow), w);
  EXPECT_EQ(x_->Caption(w), "Renamed again");
}

TEST_F(X11SnapshotTest, WalkGoesOnFromWhereTopmostChangesPutTheWindow) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", "Bottom"},
      {"--net-name", "Middle"},
      {"--net-name", "Top"},
      {"--net-name", "Above", "--above"},
  }));
  const WindowHandle bottom = w_[0], middle = w_[1], top = w_[2], above = w_[3];
  ASSERT_EQ(x_->FirstWindow(kNoWindow), above);
  ASSERT_EQ(x_->NextWindow(above), top);
  ASSERT_EQ(x_->NextWindow(top), middle);
  ASSERT_FALSE(x_->IsTopmost(middle));
  // Lifted: at the top of the band kept above, from where the walk meets the band again, before
  // the window manager has even acted.
  ASSERT_TRUE(x_->SetTopmost(middle, true, *x_->Rect(middle)));
  EXPECT_TRUE(x_->IsTopmost(middle));
  EXPECT_EQ(x_->NextWindow(middle), above);
  EXPECT_EQ(x_->NextWindow(above), top);
  EXPECT_EQ(x_->NextWindow(top), bottom);
  EXPECT_EQ(x_->NextWindow(bottom), kNoWindow);

  ASSERT_TRUE(x_->ConfirmTopmost(middle, true));
  ASSERT_TRUE(WaitUntil([&] { return x_->FirstWindow(kNoWindow) == middle; }));
  // Let down: at the top of the other windows. Letting down a window that is not above moves it
  // nowhere.
  ASSERT_TRUE(x_->SetTopmost(middle, false, *x_->Rect(middle)));
  EXPECT_FALSE(x_->IsTopmost(middle));
  EXPECT_EQ(x_->NextWindow(middle), top);
  ASSERT_TRUE(x_->SetTopmost(top, false, *x_->Rect(top)));
  EXPECT_EQ(x_->NextWindow(top), bottom);
}

TEST_F(X11SnapshotTest, CloseItemWrittenWithinTheWalkReadsBackAtOnce) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", "Closable"},
  }));
  const WindowHandle w = w_[0];
  ASSERT_EQ(x_->FirstWindow(kNoWindow), w);
  ASSERT_EQ(x_->CloseItemState(w), 0u);
  ASSERT_TRUE(x_->SetCloseItemState(w, kCloseItemDisabledBits));
  // The manager still offers close for a moment; the hints just written have the word.
  EXPECT_EQ(x_->CloseItemState(w), kCloseItemDisabledBits);
  EXPECT_EQ(probe_->Read(w, "_MOTIF_WM_HINTS")->values,
            (std::vector<std::uint32_t>{1, 0x1E, 0, 0, 0}));
  // Back again, from the updated hints.
  ASSERT_TRUE(x_->SetCloseItemState(w, 0));
  EXPECT_EQ(x_->CloseItemState(w), 0u);
  EXPECT_EQ(probe_->Read(w, "_MOTIF_WM_HINTS")->values,
            (std::vector<std::uint32_t>{0, 0, 0, 0, 0}));
  ASSERT_EQ(x_->NextWindow(w), kNoWindow);
  EXPECT_TRUE(WaitUntil([&] { return ManagerOffersClose(w); }));
}

TEST_F(X11SnapshotTest, WindowsDestroyedDuringTheWalk) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", "A"},
      {"--net-name", "B", "--motif", "1,30,0,0,0"},
      {"--net-name", "C"},
  }));
  const WindowHandle a = w_[0], b = w_[1], c = w_[2];
  // Below the walk's place: never met. Any round trip brings the server's notice in.
  ASSERT_EQ(x_->FirstWindow(kNoWindow), c);
  probe_->Destroy(a);
  ASSERT_TRUE(x_->Rect(c));
  EXPECT_EQ(x_->NextWindow(c), b);
  EXPECT_EQ(x_->NextWindow(b), kNoWindow);

  // Where the walk stands: the failure answers, and the walk ends there.
  ASSERT_EQ(x_->FirstWindow(kNoWindow), c);
  ASSERT_EQ(x_->NextWindow(c), b);
  ASSERT_EQ(x_->Caption(b), "B");
  ASSERT_EQ(x_->CloseItemState(b), kCloseItemDisabledBits);
  probe_->Destroy(b);
  EXPECT_EQ(x_->Rect(b), std::nullopt);
  EXPECT_EQ(x_->Caption(b), "");
  EXPECT_EQ(x_->CloseItemState(b), std::nullopt);
  EXPECT_FALSE(x_->SetCaption(b, "x"));
  EXPECT_EQ(x_->NextWindow(b), kNoWindow);
  EXPECT_EQ(Walk(), (Windows{c}));
}

TEST_F(X11SnapshotTest, OneQuestionOutsideAWalkIsOneRoundTrip) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", "One"},
  }));
  const WindowHandle w = w_[0];
  const auto cost = [&](const auto& call) {
    const std::uint64_t before = x_->RoundTrips();
    call();
    return x_->RoundTrips() - before;
  };
  EXPECT_EQ(cost([&] { x_->Caption(w); }), 1u);
  EXPECT_EQ(cost([&] { x_->Rect(w); }), 1u);
  // A caption is read before it is written, so that a marker changes only its own bytes.
  EXPECT_EQ(cost([&] { x_->SetCaption(w, "Two"); }), 2u);
  EXPECT_EQ(cost([&] { x_->CloseItemState(w); }), 1u);
}

// What one scan costs in round trips over `count` fresh windows: the first scan, which learns
// their frames, and then one that finds nothing to change.
struct ScanCost {
  std::uint64_t first = 0;
  bool quiet = false;  // a later scan that finds nothing changed makes no round trip
  int listed = 0;
};

class X11ScanCostTest : public testing::X11AdapterTest {
 protected:
  ScanCost Measure(int count) {
    std::vector<std::vector<std::string>> windows;
    for (int i = 0; i < count; ++i) {
      windows.push_back({"--net-name", "Document " + std::to_string(i),
                         "--geometry", std::to_string(10 + 7 * i) + ",40,200,120"});
    }
    Open(windows);
    Settings settings;
    Catalogue topmost_rules{kTopMostWindowsSection};
    Catalogue close_rules{kDisableXSection};
    testing::FakeTray tray;
    tray.Add("tip");
    ScanInputs inputs{.main_window = kNoWindow,
                      .settings = &settings,
                      .topmost_catalogue = &topmost_rules,
                      .disable_x_catalogue = &close_rules,
                      .main_window_minimized = [] { return false; }};
    WindowTables tables;
    ScanCost cost;
    std::uint64_t before = x_->RoundTrips();
    ScanWindows(*x_, tray, inputs, tables);
    cost.first = x_->RoundTrips() - before;
    // The window manager may still be settling the new windows; once it is done, a scan asks
    // the server nothing.
    cost.quiet = WaitUntil([&] {
      before = x_->RoundTrips();
      ScanWindows(*x_, tray, inputs, tables);
      return x_->RoundTrips() == before;
    });
    cost.listed = tables.NonTopmostCount() + tables.TopmostCount();
    CloseAll();
    return cost;
  }
};

TEST_F(X11ScanCostTest, RoundTripsOfAScanDoNotGrowWithTheWindows) {
  const ScanCost ten = Measure(10);
  const ScanCost sixty = Measure(60);
  ASSERT_GE(ten.listed, 10);
  ASSERT_GE(sixty.listed, 60);
  EXPECT_TRUE(ten.quiet);
  EXPECT_TRUE(sixty.quiet);
  // New windows cost one more round trip for each level of frames around them, whatever their
  // number.
  EXPECT_EQ(ten.first, sixty.first);
  EXPECT_LE(sixty.first, 6u);
}

}  // namespace
}  // namespace hoverdeck
