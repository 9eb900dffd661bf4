// The harness of the X11 tests: helper processes that own windows as other programs do
// (window_owner.cpp), a connection of the tests' own that looks at and changes them as another
// client would, and a fixture giving each test an adapter and taking the helpers away after it.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>
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

// A process of its own owning one window per option list, as another program would; ending it
// takes the windows away. The options, after which window they apply to:
//   --name TEXT                  _NET_WM_NAME as UTF8_STRING
//   --text PROPERTY TYPE BYTES   any format-8 property (WM_NAME STRING ..., WM_CLIENT_MACHINE ...)
//   --atoms PROPERTY A,B,...     an ATOM list; for _NET_WM_STATE, the manager is waited for
//   --motif F,FN,D,I,S           _MOTIF_WM_HINTS
//   --transient-for N            WM_TRANSIENT_FOR the N-th window (from 0) of the same owner
//   --iconic | --unmapped | --override-redirect | --no-pid
// The windows are mapped one at a time, so they stack in their order, and each is taken in by the
// window manager before the owner reports.
struct WindowOwner {
  explicit WindowOwner(const std::vector<std::vector<std::string>>& windows);
  ~WindowOwner();
  pid_t pid = -1;
  Windows windows;  // fewer than asked when the owner failed
};

// A plain xcb connection; every change waits until the server has made it, unless told not to.
class Probe {
 public:
  Probe();
  ~Probe() { xcb_disconnect(c_); }
  struct Property {
    std::string type;                   // the type's atom name
    std::string bytes;                  // format 8
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

 private:
  xcb_connection_t* c_;

 public:
  xcb_window_t root = XCB_WINDOW_NONE;
};

class X11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    x_ = X11WindowSystem::Connect();
    ASSERT_NE(x_, nullptr) << "no X display: the suite runs under run-under-xvfb.sh";
    ASSERT_EQ(xcb_connection_has_error(probe_.c()), 0);
  }
  void TearDown() override { CloseAll(); }
  // Starts a helper with one window per option list; their ids in order.
  Windows OpenMore(const std::vector<std::vector<std::string>>& windows);
  // The same for the test's main windows, kept in w_.
  void Open(const std::vector<std::vector<std::string>>& windows) {
    w_ = OpenMore(windows);
    ASSERT_EQ(w_.size(), windows.size());
  }
  // Ends every helper and waits until the window manager has let go of their windows.
  void CloseAll();
  // The windows of every owner.
  Windows Mine() const;
  // A whole walk of `x` (the adapter by default), top first, kept to the owners' windows.
  Windows Walk(X11WindowSystem* x = nullptr);
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
};

}  // namespace hoverdeck::testing
