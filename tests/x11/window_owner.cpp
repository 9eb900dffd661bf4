// A small X client for the adapter's tests. It opens top-level windows as its command line
// describes, waits until the window manager has taken in every mapped one, prints one window id
// per line (decimal) and then "ready", and keeps the windows until its standard input closes.
//
//   --window                  starts the next window; the options below apply to it
//   --net-name BYTES          _NET_WM_NAME as UTF8_STRING
//   --wm-name TYPE BYTES      WM_NAME with TYPE STRING, COMPOUND_TEXT or UTF8_STRING
//   --transient-for N         WM_TRANSIENT_FOR the N-th window (from 0) of this run
//   --type dock|desktop|dialog
//   --above                   asks for _NET_WM_STATE_ABOVE before mapping
//   --iconic                  starts minimised
//   --unmapped                never mapped (withdrawn)
//   --override-redirect       not managed by the window manager
//   --no-pid                  no _NET_WM_PID
//   --machine NAME            WM_CLIENT_MACHINE (default: this host)
//   --motif F,FN,D,I,S        _MOTIF_WM_HINTS
//   --geometry X,Y,W,H
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Plan {
  std::optional<std::string> net_name;
  std::optional<std::pair<std::string, std::string>> wm_name;
  int transient_for = -1;
  std::string type;
  bool above = false;
  bool iconic = false;
  bool mapped = true;
  bool override_redirect = false;
  bool pid = true;
  std::optional<std::string> machine;
  std::optional<std::array<std::uint32_t, 5>> motif;
  std::array<int, 4> geometry{200, 150, 320, 200};
};

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "window_owner: " << message << "\n";
  std::exit(2);
}

std::vector<Plan> ParseArguments(int argc, char** argv) {
  std::vector<Plan> plans;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) Fail("missing value after " + option);
      return argv[++i];
    };
    if (option == "--window") {
      plans.emplace_back();
      continue;
    }
    if (plans.empty()) Fail("options must follow --window");
    Plan& plan = plans.back();
    if (option == "--net-name") {
      plan.net_name = value();
    } else if (option == "--wm-name") {
      std::string type = value();
      plan.wm_name = std::make_pair(type, value());
    } else if (option == "--transient-for") {
      plan.transient_for = std::stoi(value());
    } else if (option == "--type") {
      plan.type = value();
    } else if (option == "--above") {
      plan.above = true;
    } else if (option == "--iconic") {
      plan.iconic = true;
    } else if (option == "--unmapped") {
      plan.mapped = false;
    } else if (option == "--override-redirect") {
      plan.override_redirect = true;
    } else if (option == "--no-pid") {
      plan.pid = false;
    } else if (option == "--machine") {
      plan.machine = value();
    } else if (option == "--motif" || option == "--geometry") {
      std::istringstream fields(value());
      std::vector<long long> numbers;
      for (std::string field; std::getline(fields, field, ',');)
        numbers.push_back(std::stoll(field));
      if (option == "--motif" && numbers.size() == 5) {
        plan.motif.emplace();
        std::transform(numbers.begin(), numbers.end(), plan.motif->begin(),
                       [](long long n) { return static_cast<std::uint32_t>(n); });
      } else if (option == "--geometry" && numbers.size() == 4) {
        std::transform(numbers.begin(), numbers.end(), plan.geometry.begin(),
                       [](long long n) { return static_cast<int>(n); });
      } else {
        Fail("bad list for " + option);
      }
    } else {
      Fail("unknown option " + option);
    }
  }
  return plans;
}

class Client {
 public:
  Client() : connection_(xcb_connect(nullptr, nullptr)) {
    if (xcb_connection_has_error(connection_) != 0) Fail("cannot connect to the display");
    screen_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
  }
  ~Client() { xcb_disconnect(connection_); }

  xcb_connection_t* c() const { return connection_; }
  xcb_window_t root() const { return screen_->root; }
  const xcb_screen_t* screen() const { return screen_; }

  xcb_atom_t Atom(const std::string& name) {
    if (const auto known = atoms_.find(name); known != atoms_.end()) return known->second;
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(
            connection_,
            xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.data()),
            nullptr),
        &std::free);
    if (!reply) Fail("cannot intern " + name);
    return atoms_[name] = reply->atom;
  }

  void Set(xcb_window_t window, const std::string& property, xcb_atom_t type, int format,
           const void* data, std::size_t count) {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, Atom(property), type,
                        static_cast<std::uint8_t>(format), static_cast<std::uint32_t>(count), data);
  }

  std::vector<std::uint32_t> Values(xcb_window_t window, const std::string& property) {
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection_,
                               xcb_get_property(connection_, 0, window, Atom(property),
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
                               nullptr),
        &std::free);
    if (!reply || reply->format != 32) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {values, values + reply->value_len};
  }

 private:
  xcb_connection_t* connection_;
  const xcb_screen_t* screen_ = nullptr;
  std::map<std::string, xcb_atom_t> atoms_;
};

xcb_window_t Create(Client& x, const Plan& plan, const std::vector<xcb_window_t>& earlier) {
  const xcb_window_t window = xcb_generate_id(x.c());
  const std::uint32_t values[] = {x.screen()->white_pixel, plan.override_redirect ? 1u : 0u};
  const auto [left, top, width, height] = plan.geometry;
  xcb_create_window(x.c(), XCB_COPY_FROM_PARENT, window, x.root(), static_cast<std::int16_t>(left),
                    static_cast<std::int16_t>(top), static_cast<std::uint16_t>(width),
                    static_cast<std::uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    x.screen()->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);

  static const char kClass[] = "hoverdeck-test\0HoverdeckTest";
  x.Set(window, "WM_CLASS", XCB_ATOM_STRING, 8, kClass, sizeof kClass);
  // Placed where asked, so the tests can tell whether a window was moved.
  xcb_size_hints_t size{};
  xcb_icccm_size_hints_set_position(&size, 1, left, top);
  xcb_icccm_size_hints_set_size(&size, 1, width, height);
  xcb_icccm_set_wm_normal_hints(x.c(), window, &size);
  xcb_icccm_wm_hints_t hints{};
  xcb_icccm_wm_hints_set_input(&hints, 1);
  if (plan.iconic) {
    xcb_icccm_wm_hints_set_iconic(&hints);
  } else {
    xcb_icccm_wm_hints_set_normal(&hints);
  }
  xcb_icccm_set_wm_hints(x.c(), window, &hints);

  std::array<char, HOST_NAME_MAX + 1> host{};
  gethostname(host.data(), host.size() - 1);
  const std::string machine = plan.machine.value_or(host.data());
  x.Set(window, "WM_CLIENT_MACHINE", XCB_ATOM_STRING, 8, machine.data(), machine.size());
  if (plan.pid) {
    const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
    x.Set(window, "_NET_WM_PID", XCB_ATOM_CARDINAL, 32, &pid, 1);
  }
  if (plan.net_name) {
    x.Set(window, "_NET_WM_NAME", x.Atom("UTF8_STRING"), 8, plan.net_name->data(),
          plan.net_name->size());
  }
  if (plan.wm_name) {
    const auto& [type, bytes] = *plan.wm_name;
    x.Set(window, "WM_NAME", x.Atom(type), 8, bytes.data(), bytes.size());
  }
  if (plan.transient_for >= 0) {
    if (static_cast<std::size_t>(plan.transient_for) >= earlier.size()) Fail("bad transient-for");
    const xcb_window_t owner = earlier[static_cast<std::size_t>(plan.transient_for)];
    x.Set(window, "WM_TRANSIENT_FOR", XCB_ATOM_WINDOW, 32, &owner, 1);
  }
  if (!plan.type.empty()) {
    std::string name = "_NET_WM_WINDOW_TYPE_" + plan.type;
    std::transform(name.begin(), name.end(), name.begin(), ::toupper);
    const xcb_atom_t type = x.Atom(name);
    x.Set(window, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, 32, &type, 1);
  }
  if (plan.above) {
    const xcb_atom_t above = x.Atom("_NET_WM_STATE_ABOVE");
    x.Set(window, "_NET_WM_STATE", XCB_ATOM_ATOM, 32, &above, 1);
  }
  if (plan.motif)
    x.Set(window, "_MOTIF_WM_HINTS", x.Atom("_MOTIF_WM_HINTS"), 32, plan.motif->data(), 5);
  return window;
}

// Whether the window manager has taken the window in as asked.
bool Managed(Client& x, xcb_window_t window, const Plan& plan) {
  const auto state = x.Values(window, "WM_STATE");
  const std::uint32_t wanted = plan.iconic ? XCB_ICCCM_WM_STATE_ICONIC : XCB_ICCCM_WM_STATE_NORMAL;
  if (state.empty() || state[0] != wanted) return false;
  if (plan.above) {
    const auto states = x.Values(window, "_NET_WM_STATE");
    if (std::find(states.begin(), states.end(), x.Atom("_NET_WM_STATE_ABOVE")) == states.end()) {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<Plan> plans = ParseArguments(argc, argv);
  Client x;
  std::vector<xcb_window_t> windows;
  for (const Plan& plan : plans) {
    windows.push_back(Create(x, plan, windows));
    if (!plan.mapped) continue;
    xcb_map_window(x.c(), windows.back());
    xcb_flush(x.c());
    if (plan.override_redirect) continue;
    // One at a time, so the stacking order is the order of the command line.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Managed(x, windows.back(), plan)) {
      if (std::chrono::steady_clock::now() > deadline) Fail("the window manager did not respond");
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  free(xcb_get_input_focus_reply(x.c(), xcb_get_input_focus(x.c()), nullptr));
  for (const xcb_window_t window : windows) std::cout << window << "\n";
  std::cout << "ready" << std::endl;

  char buffer[256];
  while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
  }
  return 0;
}
