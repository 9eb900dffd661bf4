// The fixture of the adapter's tests against the real server: an adapter, a probe of the tests'
// own, and helper processes owning the windows, all gone from the desktop after each test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "XTestSupport.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck::testing {

using Windows = std::vector<WindowHandle>;

class X11AdapterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    x_ = X11WindowSystem::Connect();
    ASSERT_NE(x_, nullptr) << "no X display: the suite runs under run-under-xvfb.sh";
    probe_ = Probe::Connect();
    ASSERT_NE(probe_, nullptr);
  }

  void TearDown() override { CloseAll(); }

  // Ends every helper and waits until the window manager has let go of their windows, so the
  // next step starts from a desktop without them.
  void CloseAll() {
    Windows gone;
    for (const auto& owner : owners_) {
      gone.insert(gone.end(), owner->windows().begin(), owner->windows().end());
    }
    owners_.clear();
    w_.clear();
    if (gone.empty()) return;
    EXPECT_TRUE(WaitUntil([&] {
      const Windows listed = probe_->ClientList();
      return std::none_of(gone.begin(), gone.end(), [&](WindowHandle w) {
        return std::count(listed.begin(), listed.end(), w) > 0;
      });
    }));
  }

  // Starts a helper with one window per option group and gives their ids in order.
  Windows OpenMore(const std::vector<std::vector<std::string>>& windows) {
    std::vector<std::string> arguments;
    for (const auto& options : windows) {
      arguments.push_back("--window");
      arguments.insert(arguments.end(), options.begin(), options.end());
    }
    std::string error;
    auto owner = WindowOwner::Start(arguments, error);
    EXPECT_NE(owner, nullptr) << error;
    if (!owner) return {};
    owners_.push_back(std::move(owner));
    return owners_.back()->windows();
  }

  // The same, for the test's main set of windows: w_ holds their ids in order.
  void Open(const std::vector<std::vector<std::string>>& windows) {
    w_ = OpenMore(windows);
    ASSERT_EQ(w_.size(), windows.size());
  }

  const WindowOwner& owner() const { return *owners_.front(); }

  // The whole walk, top first, kept to the test's windows (of every helper).
  Windows Walk() {
    Windows mine;
    for (const auto& owner : owners_) {
      mine.insert(mine.end(), owner->windows().begin(), owner->windows().end());
    }
    Windows met;
    int steps = 0;
    for (WindowHandle w = x_->FirstWindow(kNoWindow); w != kNoWindow && steps < 1000;
         w = x_->NextWindow(w), ++steps) {
      if (std::count(mine.begin(), mine.end(), w) > 0) met.push_back(w);
    }
    return met;
  }

  std::unique_ptr<X11WindowSystem> x_;
  std::unique_ptr<Probe> probe_;
  std::vector<std::unique_ptr<WindowOwner>> owners_;
  Windows w_;
};

}  // namespace hoverdeck::testing
