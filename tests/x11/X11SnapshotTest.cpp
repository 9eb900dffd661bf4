// The walk's snapshot on a real server: changes made while a walk runs, the adapter's own writes,
// and the snapshot kept from one walk to the next against a fresh read.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "X11Fixture.h"
#include "support/FormDesk.h"

namespace hoverdeck {
namespace {

using testing::WaitUntil;
using testing::Windows;
using X11SnapshotTest = testing::X11Test;

TEST_F(X11SnapshotTest, WindowsOpenedOrDestroyedDuringTheWalk) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--name", "A"},
      {"--name", "B"},
      {"--name", "C"},
      {"--name", "Above", "--atoms", "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"},
  }));
  const WindowHandle a = w_[0], b = w_[1], c = w_[2], above = w_[3];
  ASSERT_EQ(x_->FirstWindow(kNoWindow), above);
  // A new plain window lands right under the band kept above, that is under the walk's place, and
  // waits for the next walk; one destroyed below the walk's place is never met.
  const Windows late = OpenMore({{"--name", "Late"}});
  ASSERT_EQ(late.size(), 1u);
  ASSERT_EQ(X11WindowSystem::Connect()->NextWindow(above), late[0]);
  probe_.Destroy(c);
  ASSERT_TRUE(x_->Rect(above));  // any round trip brings the server's notices in
  ASSERT_EQ(x_->NextWindow(above), b);
  // Where the walk stands, and after the walk: the failure answers, and the walk ends there.
  const WindowRect at = *x_->Rect(b);
  ASSERT_EQ(x_->Caption(b), "B");
  probe_.Destroy(b);
  std::string answers;  // each question in turn, within the walk and after it
  for (int round = 0; round < 2; ++round) {
    answers += testing::Bits({x_->Rect(b).has_value(), x_->CloseItemState(b).has_value(),
                              x_->SetCaption(b, "x"), !x_->Caption(b).empty(), x_->HasParent(b),
                              x_->IsVisible(b), x_->IsEnabled(b), x_->IsTopmost(b),
                              x_->SetTopmost(b, true, at), x_->ConfirmTopmost(b, false),
                              x_->SetCloseItemState(b, 0), x_->NextWindow(b) != kNoWindow});
  }
  EXPECT_EQ(answers, std::string(24, '0'));
  EXPECT_EQ(Walk(), (Windows{above, late[0], a}));
  EXPECT_NE(x_->FirstWindow(kNoWindow), b);  // the connection is still good
}

TEST_F(X11SnapshotTest, OwnWritesCarryIntoTheWalkAndItGoesOnFromWhereTheyPutTheWindow) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--name", "Bottom"},
      {"--name", "Middle"},
      {"--name", "Top"},
      {"--name", "Above", "--atoms", "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"},
  }));
  const WindowHandle bottom = w_[0], middle = w_[1], top = w_[2], above = w_[3];
  ASSERT_EQ(Windows({x_->FirstWindow(kNoWindow), x_->NextWindow(above), x_->NextWindow(top)}),
            (Windows{above, top, middle}));
  // Lifted: at the top of the band kept above, from where the walk meets the band again, before
  // the window manager has even acted.
  ASSERT_TRUE(x_->SetTopmost(middle, true, *x_->Rect(middle)));
  EXPECT_TRUE(x_->IsTopmost(middle));
  // Own writes read back at once within the walk (though the manager still offers close for a
  // moment), another client's only after it.
  ASSERT_TRUE(x_->SetCaption(middle, "[TOPMOST] Middle"));
  ASSERT_TRUE(x_->SetCloseItemState(middle, kCloseItemDisabledBits));
  probe_.Set(middle, "_NET_WM_NAME", "UTF8_STRING", "Renamed");
  EXPECT_EQ(x_->Caption(middle), "[TOPMOST] Middle");
  EXPECT_EQ(x_->CloseItemState(middle), kCloseItemDisabledBits);
  EXPECT_EQ(Walk(middle), (Windows{middle, above, top, bottom}));
  EXPECT_EQ(x_->Caption(middle), "Renamed");
  ASSERT_TRUE(x_->ConfirmTopmost(middle, true));
  ASSERT_TRUE(WaitUntil([&] { return x_->FirstWindow(kNoWindow) == middle; }));
  // Let down: at the top of the other windows. Letting down a window that is not above moves it
  // nowhere.
  ASSERT_TRUE(x_->SetTopmost(middle, false, *x_->Rect(middle)));
  EXPECT_EQ((std::tuple{x_->IsTopmost(middle), x_->NextWindow(middle)}), std::tuple(false, top));
  ASSERT_TRUE(x_->SetTopmost(top, false, *x_->Rect(top)));
  EXPECT_EQ(x_->NextWindow(top), bottom);
}

// What a walk tells of one window.
struct Seen {
  WindowHandle window = kNoWindow;
  std::string caption;
  bool topmost = false, has_parent = false, visible = false;
  std::optional<std::uint32_t> close_item;
  friend bool operator==(const Seen&, const Seen&) = default;
};

class X11KeptSnapshotTest : public testing::X11Test {
 protected:
  std::vector<Seen> SeenBy(X11WindowSystem& x) {  // asked where the walk stands, as a scan does
    std::vector<Seen> seen;
    for (WindowHandle w = x.FirstWindow(kNoWindow); w != kNoWindow; w = x.NextWindow(w)) {
      if (std::count(mine_.begin(), mine_.end(), w) == 0) continue;
      seen.push_back(
          {w, x.Caption(w), x.IsTopmost(w), x.HasParent(w), x.IsVisible(w), x.CloseItemState(w)});
    }
    return seen;
  }
  bool AgreesWithAFreshRead() {
    auto fresh = X11WindowSystem::Connect();
    return fresh && SeenBy(*x_) == SeenBy(*fresh);
  }
  // Whether a walk of an unchanged desktop asks the server nothing, once the manager is done.
  bool SettlesToNoRoundTrips() {
    return WaitUntil([&] {
      const std::uint64_t before = x_->RoundTrips();
      SeenBy(*x_);
      return x_->RoundTrips() == before;
    });
  }
};

TEST_F(X11KeptSnapshotTest, AgreesWithAFreshReadAfterEveryKindOfChange) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--name", "A"},
      {"--name", "B"},
      {"--text", "WM_NAME", "STRING", "C"},
      {"--name", "D", "--atoms", "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"},
      {"--name", "E"},
      {"--name", "G"},
  }));
  ASSERT_TRUE(WaitUntil([&] { return AgreesWithAFreshRead(); }));
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"caption", [&] { probe_.Set(w_[0], "_NET_WM_NAME", "UTF8_STRING", "A2"); }},
      {"legacy caption", [&] { probe_.Set(w_[2], "WM_NAME", "STRING", "C\xe9"); }},
      {"topmost by us", [&] { x_->SetTopmost(w_[1], true, *x_->Rect(w_[1])); }},
      {"close item by us", [&] { x_->SetCloseItemState(w_[0], kCloseItemDisabledBits); }},
      {"topmost by another client",
       [&] {
         probe_.Ask(w_[4], "_NET_WM_STATE", {1, probe_.Atom("_NET_WM_STATE_ABOVE"), 0, 1});
       }},
      {"raised by another client",
       [&] {
         probe_.Ask(w_[0], "_NET_ACTIVE_WINDOW", {2, 0, 0});
       }},
      {"close item by another client",
       [&] {
         probe_.Set(w_[5], "_MOTIF_WM_HINTS", "_MOTIF_WM_HINTS", {1, 0x1E, 0, 0, 0});
       }},
      {"owner by another client",
       [&] { probe_.Set(w_[5], "WM_TRANSIENT_FOR", "WINDOW", {w_[1]}); }},
      {"minimised by another client", [&] { probe_.Ask(w_[5], "WM_CHANGE_STATE", {3}); }},
      {"window type by the client",
       [&] {
         probe_.Set(w_[4], "_NET_WM_WINDOW_TYPE", "ATOM",
                    {probe_.Atom("_NET_WM_WINDOW_TYPE_DOCK")});
       }},
      {"unmapped", [&] { probe_.Unmap(w_[3]); }},
      {"destroyed", [&] { probe_.Destroy(w_[2]); }},
      {"new window",
       [&] {
         OpenMore({{"--name", "F"}});
       }},
      {"caption and stacking at once",
       [&] {
         probe_.Set(w_[1], "_NET_WM_NAME", "UTF8_STRING", "B2");
         x_->SetTopmost(w_[0], true, *x_->Rect(w_[0]));
       }},
  };
  for (const auto& [name, change] : changes) {
    // The revision the program keeps its tables by stays put on a settled desktop, and every
    // change moves it on, so no change is missed by a scan that is spared.
    std::uint64_t settled = 0;
    ASSERT_TRUE(WaitUntil([&] {
      SeenBy(*x_);
      settled = x_->DesktopRevision().value_or(0);
      return x_->DesktopRevision() == settled;
    })) << name;
    change();
    EXPECT_TRUE(WaitUntil([&] { return x_->DesktopRevision() != settled; })) << name;
    EXPECT_TRUE(WaitUntil([&] { return AgreesWithAFreshRead(); })) << name;
  }
  EXPECT_TRUE(SettlesToNoRoundTrips());
}

// A first walk reads 60 windows in as many round trips as 10, a settled desktop's walk in none,
// and a question about a window outside a walk costs one round trip.
TEST_F(X11KeptSnapshotTest, RoundTripsDoNotGrowWithTheNumberOfWindows) {
  std::vector<std::uint64_t> trips;
  for (const std::size_t count : {10u, 60u}) {
    OpenMore(std::vector<std::vector<std::string>>(count - mine_.size(), {"--name", "W"}));
    auto fresh = X11WindowSystem::Connect();
    const std::uint64_t before = fresh->RoundTrips();
    EXPECT_EQ(SeenBy(*fresh).size(), count);
    trips.push_back(fresh->RoundTrips() - before);
    EXPECT_TRUE(SettlesToNoRoundTrips()) << count;
  }
  EXPECT_EQ(trips[0], trips[1]);
  const std::uint64_t before = x_->RoundTrips();
  EXPECT_EQ((std::tuple{x_->Caption(mine_[0]), x_->RoundTrips() - before}), std::tuple("W", 1u));
}

TEST_F(X11KeptSnapshotTest, AFloodOfNoticesMakesTheNextWalkReadEverythingAgain) {
  ASSERT_NO_FATAL_FAILURE(Open({{"--name", "A"}, {"--name", "B"}}));
  ASSERT_TRUE(WaitUntil([&] { return AgreesWithAFreshRead(); }));
  ASSERT_TRUE(SettlesToNoRoundTrips());
  // Far more notices than are worth following one by one, of a property no walk reads, brought
  // in by the answer to a question: only a full read again asks the server anything.
  for (int i = 0; i < 20000; ++i) {
    probe_.Set(w_[0], "_HOVERDECK_TEST_NOISE", "STRING", "x", false);
  }
  probe_.Sync();
  ASSERT_EQ(x_->Caption(w_[1]), "B");
  const std::uint64_t before = x_->RoundTrips();
  const auto seen = SeenBy(*x_);
  EXPECT_GT(x_->RoundTrips(), before);
  EXPECT_EQ(seen, SeenBy(*X11WindowSystem::Connect()));
}

}  // namespace
}  // namespace hoverdeck
