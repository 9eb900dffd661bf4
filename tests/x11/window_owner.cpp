// A small X client that owns top-level windows for the Linux edition's tests, as another program
// would. Each --window starts one; the options after it apply to that window:
//
//   --name TEXT                  _NET_WM_NAME as UTF8_STRING
//   --text PROPERTY TYPE BYTES   any format-8 property (WM_NAME STRING ..., WM_CLIENT_MACHINE ...)
//   --atoms PROPERTY A,B,...     an ATOM list; for _NET_WM_STATE, waits until the manager has it
//   --motif F,FN,D,I,S           _MOTIF_WM_HINTS
//   --transient-for N            WM_TRANSIENT_FOR the N-th window (from 0) of this run
//   --iconic | --unmapped | --override-redirect | --no-pid
//
// It maps the windows one at a time (so they stack in command-line order), waits until the window
// manager has taken each in, prints their ids (decimal, one a line) and "ready PID", and keeps
// them until it is ended or the display goes away.
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

xcb_connection_t* c = nullptr;

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "window_owner: " << message << "\n";
  std::exit(2);
}

xcb_atom_t Atom(const std::string& name) {
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
      xcb_intern_atom_reply(
          c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr),
      &std::free);
  if (!reply) Fail("cannot intern " + name);
  return reply->atom;
}

// The comma-separated numbers, or atoms, of a list.
std::vector<std::uint32_t> List(const std::string& text, bool atoms) {
  std::vector<std::uint32_t> values;
  std::istringstream in(text);
  for (std::string field; std::getline(in, field, ',');) {
    values.push_back(atoms ? Atom(field) : static_cast<std::uint32_t>(std::stoul(field)));
  }
  return values;
}

void Set(xcb_window_t window, const std::string& property, xcb_atom_t type, int format,
         const void* data, std::size_t count) {
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, Atom(property), type,
                      static_cast<std::uint8_t>(format), static_cast<std::uint32_t>(count), data);
}

std::vector<std::uint32_t> Values(xcb_window_t window, const std::string& property) {
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
      xcb_get_property_reply(
          c, xcb_get_property(c, 0, window, Atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
          nullptr),
      &std::free);
  if (!reply || reply->format != 32) return {};
  const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  return {values, values + reply->value_len};
}

struct Window {
  xcb_window_t id = 0;
  bool mapped = true;
  bool managed = true;
  std::uint32_t wm_state = 1;        // what the manager is to report: Normal, or Iconic (3)
  std::vector<std::uint32_t> states;  // _NET_WM_STATE atoms the manager is to keep
};

Window Create(const xcb_screen_t& screen) {
  Window window;
  window.id = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window.id, screen.root, 200, 150, 320, 200, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen.root_visual, XCB_CW_BACK_PIXEL,
                    &screen.white_pixel);
  static const char kClass[] = "hoverdeck-test\0HoverdeckTest";
  Set(window.id, "WM_CLASS", XCB_ATOM_STRING, 8, kClass, sizeof kClass);
  char host[HOST_NAME_MAX + 1] = {};
  gethostname(host, HOST_NAME_MAX);
  Set(window.id, "WM_CLIENT_MACHINE", XCB_ATOM_STRING, 8, host, std::string_view(host).size());
  const auto pid = static_cast<std::uint32_t>(getpid());
  Set(window.id, "_NET_WM_PID", XCB_ATOM_CARDINAL, 32, &pid, 1);
  return window;
}

bool Managed(const Window& window) {
  const auto state = Values(window.id, "WM_STATE");
  const auto states = Values(window.id, "_NET_WM_STATE");
  return !state.empty() && state[0] == window.wm_state &&
         std::all_of(window.states.begin(), window.states.end(), [&](std::uint32_t atom) {
           return std::find(states.begin(), states.end(), atom) != states.end();
         });
}

}  // namespace

int main(int argc, char** argv) {
  c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c) != 0) Fail("cannot connect to the display");
  const xcb_screen_t& screen = *xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  std::vector<Window> windows;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) Fail("missing value after " + option);
      return argv[++i];
    };
    if (option == "--window") {
      windows.push_back(Create(screen));
      continue;
    }
    if (windows.empty()) Fail("options must follow --window");
    Window& window = windows.back();
    if (option == "--name" || option == "--text") {
      const std::string property = option == "--name" ? "_NET_WM_NAME" : value();
      const std::string type = option == "--name" ? "UTF8_STRING" : value();
      const std::string bytes = value();
      Set(window.id, property, Atom(type), 8, bytes.data(), bytes.size());
    } else if (option == "--atoms") {
      const std::string property = value();
      const auto atoms = List(value(), true);
      Set(window.id, property, XCB_ATOM_ATOM, 32, atoms.data(), atoms.size());
      if (property == "_NET_WM_STATE") window.states = atoms;
    } else if (option == "--motif") {
      const auto hints = List(value(), false);
      Set(window.id, "_MOTIF_WM_HINTS", Atom("_MOTIF_WM_HINTS"), 32, hints.data(), hints.size());
    } else if (option == "--transient-for") {
      const auto n = std::stoul(value());
      if (n + 1 >= windows.size()) Fail("bad --transient-for");
      Set(window.id, "WM_TRANSIENT_FOR", XCB_ATOM_WINDOW, 32, &windows[n].id, 1);
    } else if (option == "--iconic") {
      window.wm_state = 3;
    } else if (option == "--unmapped") {
      window.mapped = false;
    } else if (option == "--override-redirect") {
      const std::uint32_t on = 1;
      xcb_change_window_attributes(c, window.id, XCB_CW_OVERRIDE_REDIRECT, &on);
      window.managed = false;
    } else if (option == "--no-pid") {
      xcb_delete_property(c, window.id, Atom("_NET_WM_PID"));
    } else {
      Fail("unknown option " + option);
    }
  }
  for (Window& window : windows) {
    // Input and initial state given: a normal or a minimised start.
    const std::uint32_t hints[9] = {3, 1, window.wm_state};
    Set(window.id, "WM_HINTS", XCB_ATOM_WM_HINTS, 32, hints, 9);
    if (!window.mapped) continue;
    xcb_map_window(c, window.id);
    xcb_flush(c);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (window.managed && !Managed(window)) {
      if (std::chrono::steady_clock::now() > deadline) Fail("the window manager did not respond");
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  for (const Window& window : windows) std::cout << window.id << "\n";
  std::cout << "ready " << getpid() << std::endl;
  // Until the connection breaks; a signal ends the process sooner.
  while (xcb_generic_event_t* event = xcb_wait_for_event(c)) std::free(event);
  return 0;
}
