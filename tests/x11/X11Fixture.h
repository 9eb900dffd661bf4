// The harness of the X11 tests: connections that own windows as other programs do, one that looks
// at and changes them as another client would, and a fixture giving each test an adapter and
// taking the windows away after it.
#pragma once

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck::testing {

using Windows = std::vector<WindowHandle>;

// Polls `condition` until it holds or `timeout` has passed; its last answer.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// A plain xcb connection; every change waits until the server has made it, unless told not to.
class Probe {
 public:
  Probe();
  ~Probe() { xcb_disconnect(c_); }
  struct Property {
    std::string type, bytes;            // the type's atom name; format-8 data
    std::vector<std::uint32_t> values;  // format 32
  };
  // nullopt when the window is gone; an empty Property when it lacks the property.
  std::optional<Property> Read(WindowHandle window, std::string_view property);
  bool HasAtom(WindowHandle window, std::string_view property, std::string_view name);
  void Set(WindowHandle window, std::string_view property, std::string_view type,
           std::string_view bytes, bool sync = true);
  void Set(WindowHandle window, std::string_view property, std::string_view type,
           const std::vector<std::uint32_t>& values);
  // A client message to the window manager about `window`, as pagers and taskbars send.
  void Ask(WindowHandle window, std::string_view message, const std::vector<std::uint32_t>& data);
  void Unmap(WindowHandle window) { xcb_unmap_window(c_, window), Sync(); }
  void Destroy(WindowHandle window) { xcb_destroy_window(c_, window), Sync(); }
  void Sync();
  xcb_atom_t Atom(std::string_view name);
  xcb_connection_t* c() const { return c_; }
  xcb_window_t root = XCB_WINDOW_NONE;

 private:
  xcb_connection_t* c_;
};

// A connection of its own owning one window per option list, as another program would; ending it
// takes the windows away. Options: --name TEXT (_NET_WM_NAME), --text PROPERTY TYPE BYTES
// (format 8), --atoms PROPERTY A,B,... (for _NET_WM_STATE the manager is waited for), --motif
// F,FN,D,I,S, --transient-for N (the N-th window of the same owner), --iconic, --unmapped,
// --override-redirect, --no-pid. The windows are mapped in their order, each taken in by the
// window manager before the next.
struct WindowOwner {
  explicit WindowOwner(const std::vector<std::vector<std::string>>& windows);
  Probe x;
  Windows windows;  // fewer than asked when the owner failed
};

class X11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    x_ = X11WindowSystem::Connect();
    ASSERT_NE(x_, nullptr) << "no X display: the suite runs under run-under-xvfb.sh";
  }
  // Ends every owner and waits until the window manager has let go of their windows.
  void TearDown() override;
  // Opens one window per option list on a new owner; their ids in order.
  Windows OpenMore(const std::vector<std::vector<std::string>>& windows);
  void Open(const std::vector<std::vector<std::string>>& windows) {  // the main ones, in w_
    w_ = OpenMore(windows);
    ASSERT_EQ(w_.size(), windows.size());
  }
  // The adapter's walk on from `from` (from its first window when none) to the end, kept to the
  // owners' windows.
  Windows Walk(WindowHandle from = kNoWindow);
  // "TYPE:BYTES|" of _NET_WM_NAME, then of WM_NAME; "" for both halves of a missing one.
  std::string Names(WindowHandle w);
  bool ManagerOffersClose(WindowHandle w) {
    return probe_.HasAtom(w, "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_CLOSE");
  }
  std::vector<std::uint32_t> MotifHints(WindowHandle w) {
    return probe_.Read(w, "_MOTIF_WM_HINTS").value_or(Probe::Property{}).values;
  }

  std::unique_ptr<X11WindowSystem> x_;
  Probe probe_;
  std::vector<std::unique_ptr<WindowOwner>> owners_;
  Windows w_;
  Windows mine_;  // the windows of every owner
};

}  // namespace hoverdeck::testing
