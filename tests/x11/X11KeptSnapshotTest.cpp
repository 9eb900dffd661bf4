// The snapshot the adapter keeps from one walk to the next, against what a fresh adapter reads,
// after changes made by other clients and by the window manager between walks.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "X11Fixture.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck {
namespace {

using testing::WaitUntil;
using testing::Windows;

// What a walk tells of one window.
struct Seen {
  WindowHandle window = kNoWindow;
  std::string caption;
  bool topmost = false;
  bool has_parent = false;
  bool visible = false;
  std::optional<std::uint32_t> close_item;
  friend bool operator==(const Seen&, const Seen&) = default;
};

class X11KeptSnapshotTest : public testing::X11AdapterTest {
 protected:
  Windows Mine() const {
    Windows mine;
    for (const auto& owner : owners_) {
      mine.insert(mine.end(), owner->windows().begin(), owner->windows().end());
    }
    return mine;
  }
  std::vector<Seen> SeenBy(X11WindowSystem& x) {
    const Windows mine = Mine();
    std::vector<Seen> seen;
    for (WindowHandle w = x.FirstWindow(kNoWindow); w != kNoWindow; w = x.NextWindow(w)) {
      if (std::count(mine.begin(), mine.end(), w) == 0) continue;
      seen.push_back(
          {w, x.Caption(w), x.IsTopmost(w), x.HasParent(w), x.IsVisible(w), x.CloseItemState(w)});
    }
    return seen;
  }
  bool AgreesWithAFreshRead() {
    auto fresh = X11WindowSystem::Connect();
    return fresh && SeenBy(*x_) == SeenBy(*fresh);
  }
};

TEST_F(X11KeptSnapshotTest, AgreesWithAFreshReadAfterEveryKindOfChange) {
  ASSERT_NO_FATAL_FAILURE(Open({
      {"--net-name", "A"},
      {"--net-name", "B"},
      {"--wm-name", "STRING", "C"},
      {"--net-name", "D", "--above"},
      {"--net-name", "E"},
  }));
  ASSERT_TRUE(WaitUntil([&] { return AgreesWithAFreshRead(); }));
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"caption", [&] { probe_->SetText(w_[0], "_NET_WM_NAME", "UTF8_STRING", "A2"); }},
      {"legacy caption", [&] { probe_->SetText(w_[2], "WM_NAME", "STRING", "C\xe9"); }},
      {"topmost", [&] { x_->SetTopmost(w_[1], true, *x_->Rect(w_[1])); }},
      {"close item", [&] { x_->SetCloseItemState(w_[0], kCloseItemDisabledBits); }},
      {"hints by the client",
       [&] { probe_->SetAtoms(w_[4], "_NET_WM_WINDOW_TYPE", {"_NET_WM_WINDOW_TYPE_DOCK"}); }},
      {"unmapped", [&] { probe_->Unmap(w_[3]); }},
      {"destroyed", [&] { probe_->Destroy(w_[2]); }},
      {"new window",
       [&] {
         OpenMore({{"--net-name", "F"}});
       }},
      {"caption and stacking at once",
       [&] {
         probe_->SetText(w_[1], "_NET_WM_NAME", "UTF8_STRING", "B2");
         x_->SetTopmost(w_[0], true, *x_->Rect(w_[0]));
       }},
  };
  for (const auto& [name, change] : changes) {
    change();
    EXPECT_TRUE(WaitUntil([&] { return AgreesWithAFreshRead(); })) << name;
  }
  // Once all is taken in, a walk asks the server nothing.
  SeenBy(*x_);
  const std::uint64_t before = x_->RoundTrips();
  SeenBy(*x_);
  EXPECT_EQ(x_->RoundTrips(), before);
}

}  // namespace
}  // namespace hoverdeck
