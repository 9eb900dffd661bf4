// The windows of the X11 benchmark: opens N plain top-level windows named "Bench window I" at
// once, waits until the window manager has taken in every one, prints "ready" and keeps them
// until it is terminated.
//
//   hoverdeck_x11_bench_windows N
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <array>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

[[noreturn]] void Fail(std::string_view message) {
  std::cerr << "hoverdeck_x11_bench_windows: " << message << "\n";
  std::exit(2);
}

xcb_atom_t Intern(xcb_connection_t* c, std::string_view name) {
  const Reply<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(
          c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr),
      &std::free);
  if (!reply) Fail("cannot intern an atom");
  return reply->atom;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) Fail("usage: hoverdeck_x11_bench_windows N");
  const int count = std::atoi(argv[1]);
  if (count <= 0 || count > 20000) Fail("N must be between 1 and 20000");

  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c) != 0) Fail("cannot connect to the display");
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_atom_t net_name = Intern(c, "_NET_WM_NAME");
  const xcb_atom_t utf8 = Intern(c, "UTF8_STRING");
  const xcb_atom_t pid_atom = Intern(c, "_NET_WM_PID");
  const xcb_atom_t wm_state = Intern(c, "WM_STATE");

  std::array<char, HOST_NAME_MAX + 1> host{};
  gethostname(host.data(), host.size() - 1);
  const std::string machine = host.data();
  const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
  static const char kClass[] = "hoverdeck-bench\0HoverdeckBench";

  // Small windows on a grid, each where it asks to be, so the window manager places none.
  std::vector<xcb_window_t> windows;
  for (int i = 0; i < count; ++i) {
    const xcb_window_t window = xcb_generate_id(c);
    const std::int16_t left = static_cast<std::int16_t>(20 + (i % 40) * 28);
    const std::int16_t top = static_cast<std::int16_t>(40 + (i / 40 % 30) * 30);
    const std::uint32_t values[] = {screen->white_pixel};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, left, top, 160, 90, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                      values);
    const std::string name = "Bench window " + std::to_string(i);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, net_name, utf8, 8,
                        static_cast<std::uint32_t>(name.size()), name.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(name.size()), name.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof kClass, kClass);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLIENT_MACHINE,
                        XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(machine.size()),
                        machine.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, pid_atom, XCB_ATOM_CARDINAL, 32, 1,
                        &pid);
    xcb_size_hints_t size{};
    xcb_icccm_size_hints_set_position(&size, 1, left, top);
    xcb_icccm_size_hints_set_size(&size, 1, 160, 90);
    xcb_icccm_set_wm_normal_hints(c, window, &size);
    xcb_icccm_wm_hints_t hints{};
    xcb_icccm_wm_hints_set_input(&hints, 1);
    xcb_icccm_wm_hints_set_normal(&hints);
    xcb_icccm_set_wm_hints(c, window, &hints);
    xcb_map_window(c, window);
    windows.push_back(window);
  }
  xcb_flush(c);

  // Asks every window still waiting for its WM_STATE in one batch, until none waits.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  std::vector<xcb_window_t> waiting = windows;
  while (!waiting.empty()) {
    if (std::chrono::steady_clock::now() > deadline) Fail("the window manager did not respond");
    std::vector<xcb_get_property_cookie_t> cookies;
    for (const xcb_window_t window : waiting) {
      cookies.push_back(xcb_get_property(c, 0, window, wm_state, wm_state, 0, 2));
    }
    std::vector<xcb_window_t> still;
    for (std::size_t i = 0; i < waiting.size(); ++i) {
      const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookies[i], nullptr),
                                                  &std::free);
      const bool managed = reply && reply->format == 32 && reply->value_len > 0 &&
                           *static_cast<const std::uint32_t*>(xcb_get_property_value(
                               reply.get())) == XCB_ICCCM_WM_STATE_NORMAL;
      if (!managed) still.push_back(waiting[i]);
    }
    waiting = std::move(still);
    if (!waiting.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::cout << "ready" << std::endl;

  // The windows live as long as the connection: until the benchmark ends this process.
  for (;;) pause();
}
