// What the adapter's tests need around it: the helper client that owns the test windows, run as
// a process of its own, and a second connection that looks at the server independently.
#pragma once

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

#include "platform/WindowHandle.h"

namespace hoverdeck::testing {

// Polls `condition` until it holds or `timeout` has passed; its last answer.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// The hoverdeck_x11_window_owner process and its windows (see window_owner.cpp for the options).
class WindowOwner {
 public:
  // Starts it and waits until it reports its windows; nullptr with `error` set when it fails.
  static std::unique_ptr<WindowOwner> Start(const std::vector<std::string>& arguments,
                                            std::string& error);
  // Ends the process, which takes its windows with it.
  ~WindowOwner();

  const std::vector<WindowHandle>& windows() const { return windows_; }
  pid_t pid() const { return pid_; }

 private:
  WindowOwner(pid_t pid, int input) : pid_(pid), input_(input) {}
  pid_t pid_;
  int input_;
  std::vector<WindowHandle> windows_;
};

// A plain xcb connection of the tests' own.
class Probe {
 public:
  static std::unique_ptr<Probe> Connect();
  ~Probe();

  struct Property {
    std::string type;  // the type's atom name, "" when the property is missing
    int format = 0;
    std::string bytes;                  // format 8
    std::vector<std::uint32_t> values;  // format 32
  };
  // nullopt when the window is gone.
  std::optional<Property> Read(WindowHandle window, std::string_view property);
  // Whether the ATOM list `property` holds the atom `name`.
  bool HasAtom(WindowHandle window, std::string_view property, std::string_view name);
  std::vector<WindowHandle> ClientList();

  void SetAtoms(WindowHandle window, std::string_view property,
                const std::vector<std::string>& names);
  // A format-8 property of the type named `type`.
  void SetText(WindowHandle window, std::string_view property, std::string_view type,
               std::string_view bytes);
  void Unmap(WindowHandle window);
  void Destroy(WindowHandle window);

  xcb_atom_t Atom(std::string_view name);
  std::string AtomName(xcb_atom_t atom);

 private:
  explicit Probe(xcb_connection_t* connection);
  void Sync();
  xcb_connection_t* connection_;
  xcb_window_t root_;
};

}  // namespace hoverdeck::testing
