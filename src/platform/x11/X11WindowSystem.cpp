#include "platform/x11/X11WindowSystem.h"

#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "actions/CloseItem.h"
#include "platform/x11/MotifHints.h"
#include "platform/x11/XText.h"

namespace hoverdeck {
namespace {

// Every atom the adapter uses beyond the predefined ones, interned once at connection.
enum Atom : std::size_t {
  kNetClientListStacking,
  kNetWmState,
  kNetWmStateAbove,
  kNetWmName,
  kNetWmWindowType,
  kNetWmWindowTypeDesktop,
  kNetWmWindowTypeDock,
  kNetWmAllowedActions,
  kNetWmActionClose,
  kNetWmPid,
  kWmState,
  kUtf8String,
  kCompoundText,
  kMotifWmHints,
  kAtomCount
};
constexpr std::array<std::string_view, kAtomCount> kAtomNames = {
    "_NET_CLIENT_LIST_STACKING",
    "_NET_WM_STATE",
    "_NET_WM_STATE_ABOVE",
    "_NET_WM_NAME",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_WINDOW_TYPE_DOCK",
    "_NET_WM_ALLOWED_ACTIONS",
    "_NET_WM_ACTION_CLOSE",
    "_NET_WM_PID",
    "WM_STATE",
    "UTF8_STRING",
    "COMPOUND_TEXT",
    "_MOTIF_WM_HINTS",
};

// The longest property value read, in 32-bit units: far beyond any caption or window list.
constexpr std::uint32_t kMaxPropertyLongs = 1 << 16;
// How long ConfirmTopmost waits for the window manager, and how often it looks.
constexpr auto kConfirmTimeout = std::chrono::milliseconds(500);
constexpr auto kConfirmPoll = std::chrono::milliseconds(5);

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;
using PropertyReply = Reply<xcb_get_property_reply_t>;

// The reply to a request, or nullptr when it failed (mostly: the window is gone). The error is
// taken here, so it never lands in the event queue.
template <typename T, typename Cookie>
Reply<T> Collect(xcb_connection_t* connection,
                 T* (*reply_of)(xcb_connection_t*, Cookie, xcb_generic_error_t**), Cookie cookie) {
  xcb_generic_error_t* error = nullptr;
  Reply<T> reply(reply_of(connection, cookie, &error), &std::free);
  std::free(error);
  return reply;
}

// The values of a property of format 32 and the given type (any type for XCB_ATOM_ANY); empty
// when it is missing or of another kind.
std::span<const std::uint32_t> Values32(const xcb_get_property_reply_t* reply, xcb_atom_t type) {
  if (reply == nullptr || reply->format != 32) return {};
  if (type != XCB_ATOM_ANY && reply->type != type) return {};
  return {static_cast<const std::uint32_t*>(xcb_get_property_value(reply)), reply->value_len};
}

// The bytes of a property of format 8, up to a first NUL.
std::string_view Bytes8(const xcb_get_property_reply_t* reply) {
  if (reply == nullptr || reply->format != 8) return {};
  const std::string_view bytes(static_cast<const char*>(xcb_get_property_value(reply)),
                               reply->value_len);
  return bytes.substr(0, bytes.find('\0'));
}

bool Contains(std::span<const std::uint32_t> values, std::uint32_t value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

// Whether a WM_CLIENT_MACHINE names this host (the short name is enough).
bool IsThisMachine(std::string_view machine, std::string_view host) {
  const auto short_name = [](std::string_view name) { return name.substr(0, name.find('.')); };
  return machine == "localhost" || machine == host || short_name(machine) == short_name(host);
}

struct ConnectionCloser {
  void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

}  // namespace

struct X11WindowSystem::State {
  std::unique_ptr<xcb_connection_t, ConnectionCloser> connection;
  xcb_window_t root = XCB_WINDOW_NONE;
  std::array<xcb_atom_t, kAtomCount> atoms{};
  std::string host_name;
  // Per walk: whether each window met is one the walk passes over.
  std::unordered_map<xcb_window_t, bool> passed_over;
  // The child of the root (the frame, under a reparenting window manager) that holds each
  // managed window; kept from one reading of the stacking to the next.
  std::unordered_map<xcb_window_t, xcb_window_t> top_level_of;

  xcb_connection_t* c() const { return connection.get(); }
  xcb_atom_t operator[](Atom atom) const { return atoms[atom]; }

  xcb_get_property_cookie_t Ask(xcb_window_t window, xcb_atom_t property) const {
    return xcb_get_property(c(), 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                            kMaxPropertyLongs);
  }
  PropertyReply Get(xcb_get_property_cookie_t cookie) const {
    return Collect(c(), xcb_get_property_reply, cookie);
  }
  xcb_get_window_attributes_cookie_t AskExists(xcb_window_t window) const {
    return xcb_get_window_attributes(c(), window);
  }
  bool Exists(xcb_get_window_attributes_cookie_t cookie) const {
    return Collect(c(), xcb_get_window_attributes_reply, cookie) != nullptr;
  }
  // Waits for a checked request; false when the server refused it or the connection broke.
  bool Check(xcb_void_cookie_t cookie) const {
    xcb_generic_error_t* error = xcb_request_check(c(), cookie);
    const bool ok = error == nullptr && xcb_connection_has_error(c()) == 0;
    std::free(error);
    return ok;
  }
  void DiscardEvents() const {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c())) std::free(event);
  }

  // The managed windows, top first. The window manager's list tells which windows are managed,
  // but their order comes from where the server really stacks their frames: IceWM, for one,
  // leaves _NET_CLIENT_LIST_STACKING as it was when a window changes layer.
  std::vector<xcb_window_t> Stacking();
  // Finds the children of the root that hold `windows`, walking up one level a round trip.
  void FindTopLevels(const std::vector<xcb_window_t>& windows,
                     std::unordered_map<xcb_window_t, xcb_window_t>& found) const;
  bool IsDesktopOrDock(const xcb_get_property_reply_t* types) const {
    if (types == nullptr) return true;  // gone: nothing to walk
    const auto values = Values32(types, XCB_ATOM_ATOM);
    return Contains(values, atoms[kNetWmWindowTypeDesktop]) ||
           Contains(values, atoms[kNetWmWindowTypeDock]);
  }
  std::optional<x11::MotifHints> Motif(const xcb_get_property_reply_t* hints) const {
    if (hints == nullptr || hints->format != 32 || hints->value_len == 0) return std::nullopt;
    return x11::MotifHintsFromValues(Values32(hints, XCB_ATOM_ANY));
  }
};

std::vector<xcb_window_t> X11WindowSystem::State::Stacking() {
  const auto list_cookie = Ask(root, atoms[kNetClientListStacking]);
  const auto tree_cookie = xcb_query_tree(c(), root);
  const auto list = Get(list_cookie);
  const auto tree = Collect(c(), xcb_query_tree_reply, tree_cookie);
  const auto bottom_up = Values32(list.get(), XCB_ATOM_WINDOW);
  std::vector<xcb_window_t> windows(bottom_up.rbegin(), bottom_up.rend());
  if (!tree) return windows;

  // The root's children come bottom to top.
  std::unordered_map<xcb_window_t, int> height;
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  const int child_count = xcb_query_tree_children_length(tree.get());
  for (int i = 0; i < child_count; ++i) height[children[i]] = i;

  std::unordered_map<xcb_window_t, xcb_window_t> top_levels;
  std::vector<xcb_window_t> unknown;
  for (const xcb_window_t window : windows) {
    const auto known = top_level_of.find(window);
    if (known != top_level_of.end() && height.count(known->second) != 0) {
      top_levels.emplace(window, known->second);
    } else {
      unknown.push_back(window);
    }
  }
  FindTopLevels(unknown, top_levels);
  top_level_of = top_levels;

  // Windows that are gone have no place; windows sharing one frame keep the list's order.
  std::erase_if(windows, [&](xcb_window_t window) {
    const auto top_level = top_levels.find(window);
    return top_level == top_levels.end() || height.count(top_level->second) == 0;
  });
  std::stable_sort(windows.begin(), windows.end(), [&](xcb_window_t a, xcb_window_t b) {
    return height[top_levels[a]] > height[top_levels[b]];
  });
  return windows;
}

void X11WindowSystem::State::FindTopLevels(
    const std::vector<xcb_window_t>& windows,
    std::unordered_map<xcb_window_t, xcb_window_t>& found) const {
  // Pairs of a window and the ancestor reached so far; a few levels are all any manager uses.
  constexpr int kMaxDepth = 8;
  std::vector<std::pair<xcb_window_t, xcb_window_t>> climbing;
  for (const xcb_window_t window : windows) climbing.emplace_back(window, window);
  for (int depth = 0; depth < kMaxDepth && !climbing.empty(); ++depth) {
    std::vector<xcb_query_tree_cookie_t> cookies;
    cookies.reserve(climbing.size());
    for (const auto& [window, at] : climbing) cookies.push_back(xcb_query_tree(c(), at));
    std::vector<std::pair<xcb_window_t, xcb_window_t>> higher;
    for (std::size_t i = 0; i < climbing.size(); ++i) {
      const auto reply = Collect(c(), xcb_query_tree_reply, cookies[i]);
      if (!reply) continue;  // gone
      const auto [window, at] = climbing[i];
      if (reply->parent == root) {
        found[window] = at;
      } else if (reply->parent != XCB_WINDOW_NONE) {
        higher.emplace_back(window, reply->parent);
      }
    }
    climbing = std::move(higher);
  }
}

X11WindowSystem::X11WindowSystem(std::unique_ptr<State> state) : state_(std::move(state)) {}
X11WindowSystem::~X11WindowSystem() = default;

std::unique_ptr<X11WindowSystem> X11WindowSystem::Connect(const char* display) {
  auto state = std::make_unique<State>();
  int screen_number = 0;
  state->connection.reset(xcb_connect(display, &screen_number));
  xcb_connection_t* c = state->c();
  if (c == nullptr || xcb_connection_has_error(c) != 0) return nullptr;

  auto screens = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screen_number && screens.rem > 0; ++i) xcb_screen_next(&screens);
  if (screens.rem == 0) return nullptr;
  state->root = screens.data->root;

  std::array<xcb_intern_atom_cookie_t, kAtomCount> cookies{};
  for (std::size_t i = 0; i < kAtomCount; ++i) {
    cookies[i] = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(kAtomNames[i].size()),
                                 kAtomNames[i].data());
  }
  for (std::size_t i = 0; i < kAtomCount; ++i) {
    const auto reply = Collect(c, xcb_intern_atom_reply, cookies[i]);
    if (!reply) return nullptr;
    state->atoms[i] = reply->atom;
  }

  std::array<char, HOST_NAME_MAX + 1> host{};
  if (gethostname(host.data(), host.size() - 1) == 0) state->host_name = host.data();
  return std::unique_ptr<X11WindowSystem>(new X11WindowSystem(std::move(state)));
}

WindowHandle X11WindowSystem::FirstWindow(WindowHandle /*from*/) {
  State& s = *state_;
  s.DiscardEvents();
  const auto stacking = s.Stacking();
  // A new walk learns every window's type afresh, all questions sent before the first answer.
  s.passed_over.clear();
  std::vector<xcb_get_property_cookie_t> cookies;
  cookies.reserve(stacking.size());
  for (const xcb_window_t window : stacking) cookies.push_back(s.Ask(window, s[kNetWmWindowType]));
  for (std::size_t i = 0; i < stacking.size(); ++i) {
    s.passed_over[stacking[i]] = s.IsDesktopOrDock(s.Get(cookies[i]).get());
  }
  for (const xcb_window_t window : stacking) {
    if (!s.passed_over[window]) return window;
  }
  return kNoWindow;
}

bool X11WindowSystem::PassedOver(std::uint32_t window) {
  State& s = *state_;
  const auto known = s.passed_over.find(window);
  if (known != s.passed_over.end()) return known->second;
  const bool passed_over = s.IsDesktopOrDock(s.Get(s.Ask(window, s[kNetWmWindowType])).get());
  s.passed_over.emplace(window, passed_over);
  return passed_over;
}

WindowHandle X11WindowSystem::NextWindow(WindowHandle window) {
  State& s = *state_;
  // The stacking is read afresh each time, so a window just lifted or lowered is walked on
  // from wherever the window manager has put it.
  const auto exists_cookie = s.AskExists(window);
  const auto stacking = s.Stacking();
  if (!s.Exists(exists_cookie)) return kNoWindow;
  auto at = std::find(stacking.begin(), stacking.end(), window);
  if (at == stacking.end()) return kNoWindow;
  for (++at; at != stacking.end(); ++at) {
    if (!PassedOver(*at)) return *at;
  }
  return kNoWindow;
}

bool X11WindowSystem::HasParent(WindowHandle window) {
  xcb_connection_t* c = state_->c();
  xcb_window_t owner = XCB_WINDOW_NONE;
  xcb_generic_error_t* error = nullptr;
  const bool found = xcb_icccm_get_wm_transient_for_reply(
                         c, xcb_icccm_get_wm_transient_for(c, window), &owner, &error) != 0;
  std::free(error);
  return found && owner != XCB_WINDOW_NONE;
}

bool X11WindowSystem::IsVisible(WindowHandle window) {
  State& s = *state_;
  const auto stacking_cookie = s.Ask(s.root, s[kNetClientListStacking]);
  const auto state_cookie = s.Ask(window, s[kWmState]);
  const auto stacking = s.Get(stacking_cookie);
  const auto wm_state = s.Get(state_cookie);
  if (!Contains(Values32(stacking.get(), XCB_ATOM_WINDOW), window)) return false;
  // A managed window always carries WM_STATE; an iconic one counts as visible.
  const auto values = Values32(wm_state.get(), s[kWmState]);
  return !values.empty() && values[0] != XCB_ICCCM_WM_STATE_WITHDRAWN;
}

bool X11WindowSystem::IsEnabled(WindowHandle window) {
  // X has no disabled top-level windows: every existing one takes input.
  return state_->Exists(state_->AskExists(window));
}

std::string X11WindowSystem::Caption(WindowHandle window) {
  State& s = *state_;
  const auto net_cookie = s.Ask(window, s[kNetWmName]);
  const auto legacy_cookie = s.Ask(window, XCB_ATOM_WM_NAME);
  const auto net = s.Get(net_cookie);
  const auto legacy = s.Get(legacy_cookie);
  if (net && net->type == s[kUtf8String] && !Bytes8(net.get()).empty()) {
    return x11::SanitizeUtf8(Bytes8(net.get()));
  }
  // WM_NAME in whatever encoding its client chose.
  const std::string_view bytes = Bytes8(legacy.get());
  if (bytes.empty()) return {};
  if (legacy->type == XCB_ATOM_STRING) return x11::Latin1ToUtf8(bytes);
  if (legacy->type == s[kCompoundText]) return x11::CompoundTextToUtf8(bytes);
  return x11::SanitizeUtf8(bytes);
}

bool X11WindowSystem::SetCaption(WindowHandle window, const std::string& caption) {
  State& s = *state_;
  const std::string utf8 = x11::SanitizeUtf8(caption);
  // WM_NAME too, for the window managers and tools that read nothing else.
  const x11::LegacyText legacy = x11::LegacyTextFromUtf8(utf8);
  const auto net_cookie = xcb_change_property_checked(
      s.c(), XCB_PROP_MODE_REPLACE, window, s[kNetWmName], s[kUtf8String], 8,
      static_cast<std::uint32_t>(utf8.size()), utf8.data());
  const auto legacy_cookie = xcb_change_property_checked(
      s.c(), XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
      legacy.is_compound_text ? s[kCompoundText] : xcb_atom_t{XCB_ATOM_STRING}, 8,
      static_cast<std::uint32_t>(legacy.bytes.size()), legacy.bytes.data());
  const bool net_written = s.Check(net_cookie);
  const bool legacy_written = s.Check(legacy_cookie);
  return net_written && legacy_written;
}

std::optional<bool> X11WindowSystem::AboveState(WindowHandle window) {
  State& s = *state_;
  const auto states = s.Get(s.Ask(window, s[kNetWmState]));
  if (!states) return std::nullopt;
  return Contains(Values32(states.get(), XCB_ATOM_ATOM), s[kNetWmStateAbove]);
}

bool X11WindowSystem::IsTopmost(WindowHandle window) { return AboveState(window).value_or(false); }

std::optional<WindowRect> X11WindowSystem::Rect(WindowHandle window) {
  State& s = *state_;
  const auto geometry_cookie = xcb_get_geometry(s.c(), window);
  const auto origin_cookie = xcb_translate_coordinates(s.c(), window, s.root, 0, 0);
  const auto geometry = Collect(s.c(), xcb_get_geometry_reply, geometry_cookie);
  const auto origin = Collect(s.c(), xcb_translate_coordinates_reply, origin_cookie);
  if (!geometry || !origin) return std::nullopt;
  return WindowRect{origin->dst_x, origin->dst_y, origin->dst_x + geometry->width,
                    origin->dst_y + geometry->height};
}

bool X11WindowSystem::SetTopmost(WindowHandle window, bool topmost, const WindowRect& /*at*/) {
  State& s = *state_;
  if (!s.Exists(s.AskExists(window))) return false;
  // The EWMH request to the window manager, which keeps the window's place and size itself. The
  // window is not mapped here: showing it is its own client's business on X.
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = s[kNetWmState];
  message.data.data32[0] = topmost ? 1 : 0;  // _NET_WM_STATE_ADD or _NET_WM_STATE_REMOVE
  message.data.data32[1] = s[kNetWmStateAbove];
  message.data.data32[2] = 0;
  message.data.data32[3] = 2;  // sent on the user's behalf
  static_assert(sizeof message == 32);
  xcb_send_event(s.c(), 0, s.root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(s.c());
  return true;
}

bool X11WindowSystem::ConfirmTopmost(WindowHandle window, bool topmost) {
  // The window manager handles the request in its own time.
  const auto deadline = std::chrono::steady_clock::now() + kConfirmTimeout;
  for (;;) {
    const auto above = AboveState(window);
    if (!above) return false;
    if (*above == topmost) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kConfirmPoll);
  }
}

std::optional<std::uint32_t> X11WindowSystem::CloseItemState(WindowHandle window) {
  State& s = *state_;
  const auto hints_cookie = s.Ask(window, s[kMotifWmHints]);
  const auto actions_cookie = s.Ask(window, s[kNetWmAllowedActions]);
  const auto hints = s.Get(hints_cookie);
  const auto actions = s.Get(actions_cookie);
  if (!hints || !actions) return std::nullopt;
  auto wm = x11::WmCloseAction::kNotPublished;
  if (actions->type == XCB_ATOM_ATOM && actions->format == 32) {
    wm = Contains(Values32(actions.get(), XCB_ATOM_ATOM), s[kNetWmActionClose])
             ? x11::WmCloseAction::kOffered
             : x11::WmCloseAction::kWithheld;
  }
  return x11::CloseItemWord(s.Motif(hints.get()), wm);
}

bool X11WindowSystem::SetCloseItemState(WindowHandle window, std::uint32_t state) {
  State& s = *state_;
  const auto reply = s.Get(s.Ask(window, s[kMotifWmHints]));
  if (!reply) return false;
  const auto current = s.Motif(reply.get());
  const x11::MotifHints wanted = x11::WithCloseAllowed(current, !IsCloseItemDisabled(state));
  // Nothing to write when the hints already say so (a window without hints allows close).
  if (wanted == current.value_or(x11::MotifHints{})) return true;
  const std::array<std::uint32_t, 5> values = {wanted.flags, wanted.functions, wanted.decorations,
                                               wanted.input_mode, wanted.status};
  // Window managers re-read the hints when the property changes.
  return s.Check(xcb_change_property_checked(s.c(), XCB_PROP_MODE_REPLACE, window, s[kMotifWmHints],
                                             s[kMotifWmHints], 32, values.size(), values.data()));
}

std::optional<std::uint32_t> X11WindowSystem::WindowPid(WindowHandle window) {
  State& s = *state_;
  const auto pid_cookie = s.Ask(window, s[kNetWmPid]);
  const auto machine_cookie = s.Ask(window, XCB_ATOM_WM_CLIENT_MACHINE);
  const auto pid = s.Get(pid_cookie);
  const auto machine = s.Get(machine_cookie);
  const auto values = Values32(pid.get(), XCB_ATOM_CARDINAL);
  if (values.empty() || values[0] == 0) return std::nullopt;
  // A process id of another machine names nothing here.
  const std::string_view host = Bytes8(machine.get());
  if (!host.empty() && !IsThisMachine(host, s.host_name)) return std::nullopt;
  return values[0];
}

}  // namespace hoverdeck
