#include "platform/x11/X11InstanceSelection.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace hoverdeck {
namespace {

constexpr std::string_view kSelectionName = "_HOVERDECK_RUNNING";

struct ConnectionCloser {
  void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

}  // namespace

struct X11InstanceSelection::State {
  std::unique_ptr<xcb_connection_t, ConnectionCloser> connection;
  xcb_window_t root = XCB_WINDOW_NONE;
  xcb_window_t owner = XCB_WINDOW_NONE;  // ours, created once the selection is taken
  xcb_atom_t selection = XCB_ATOM_NONE;
  bool owned = false;
};

X11InstanceSelection::X11InstanceSelection(std::unique_ptr<State> state)
    : state_(std::move(state)) {}
X11InstanceSelection::~X11InstanceSelection() = default;

std::unique_ptr<X11InstanceSelection> X11InstanceSelection::Connect(const char* display) {
  auto state = std::make_unique<State>();
  int screen_number = 0;
  state->connection.reset(xcb_connect(display, &screen_number));
  xcb_connection_t* c = state->connection.get();
  if (c == nullptr || xcb_connection_has_error(c) != 0) return nullptr;
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  if (screen == nullptr) return nullptr;
  state->root = screen->root;
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
      xcb_intern_atom_reply(c,
                            xcb_intern_atom(c, 0, static_cast<std::uint16_t>(kSelectionName.size()),
                                            kSelectionName.data()),
                            nullptr),
      &std::free);
  if (!atom) return nullptr;
  state->selection = atom->atom;
  return std::unique_ptr<X11InstanceSelection>(new X11InstanceSelection(std::move(state)));
}

bool X11InstanceSelection::Take() {
  State& s = *state_;
  if (s.owned) return true;
  xcb_connection_t* c = s.connection.get();
  // Asking who owns it and taking it must be one step, or two starts at the same moment could
  // both find it free: no other client is served in between.
  xcb_grab_server(c);
  std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> current(
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, s.selection), nullptr),
      &std::free);
  if (current && current->owner == XCB_WINDOW_NONE) {
    s.owner = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, s.owner, s.root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(c, s.owner, s.selection, XCB_CURRENT_TIME);
  }
  xcb_ungrab_server(c);
  // Whoever owns it now, as the server saw it once the grab was over.
  std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> now(
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, s.selection), nullptr),
      &std::free);
  s.owned = now && s.owner != XCB_WINDOW_NONE && now->owner == s.owner;
  return s.owned;
}

}  // namespace hoverdeck
