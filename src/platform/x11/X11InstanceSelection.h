// One instance of the program per X display: the running instance owns a selection named for the
// program on that display, as window managers and notification areas do, and holds it for as
// long as its connection lives. The server, not the spelling of $DISPLAY, decides: ":0" and
// ":0.0" reach the same selection.
#pragma once

#include <memory>

namespace hoverdeck {

class X11InstanceSelection {
 public:
  // Connects to `display` ($DISPLAY when null); nullptr when no display can be reached.
  static std::unique_ptr<X11InstanceSelection> Connect(const char* display = nullptr);
  X11InstanceSelection(const X11InstanceSelection&) = delete;
  X11InstanceSelection& operator=(const X11InstanceSelection&) = delete;
  // Closing the connection gives the selection up.
  ~X11InstanceSelection();

  // Takes the selection unless another client owns it; true when this object owns it now.
  // Asking again once it is owned answers true without asking the server.
  bool Take();

 private:
  struct State;
  explicit X11InstanceSelection(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace hoverdeck
