// The X11 window-system adapter's connection and its questions: the walk over the managed
// windows and what it asks of each, answered from the walk's snapshot while the walk stands on
// the window and from the server otherwise.
#include "platform/x11/X11WindowSystem.h"

#include <unistd.h>

#include <climits>

#include "platform/x11/X11WindowState.h"

namespace hoverdeck {
namespace {

using x11::Contains;
using x11::Snapshot;
using x11::Values32;
using x11::WindowFacts;
using x11::WindowSystemState;

// The bytes of a property of format 8, up to a first NUL.
std::string_view Bytes8(const xcb_get_property_reply_t* reply) {
  if (reply == nullptr || reply->format != 8) return {};
  const std::string_view bytes(static_cast<const char*>(xcb_get_property_value(reply)),
                               reply->value_len);
  return bytes.substr(0, bytes.find('\0'));
}

// Whether a WM_CLIENT_MACHINE names this host (the short name is enough).
bool IsThisMachine(std::string_view machine, std::string_view host) {
  const auto short_name = [](std::string_view name) { return name.substr(0, name.find('.')); };
  return machine == "localhost" || machine == host || short_name(machine) == short_name(host);
}

}  // namespace

X11WindowSystem::X11WindowSystem(std::unique_ptr<WindowSystemState> state)
    : state_(std::move(state)) {}
X11WindowSystem::~X11WindowSystem() = default;

std::unique_ptr<X11WindowSystem> X11WindowSystem::Connect(const char* display) {
  auto state = std::make_unique<WindowSystemState>();
  int screen_number = 0;
  state->connection.reset(xcb_connect(display, &screen_number));
  xcb_connection_t* c = state->c();
  if (c == nullptr || xcb_connection_has_error(c) != 0) return nullptr;

  auto screens = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screen_number && screens.rem > 0; ++i) xcb_screen_next(&screens);
  if (screens.rem == 0) return nullptr;
  state->root = screens.data->root;

  std::array<xcb_intern_atom_cookie_t, x11::kAtomCount> cookies{};
  for (std::size_t i = 0; i < x11::kAtomCount; ++i) {
    cookies[i] = state->Sent(xcb_intern_atom(
        c, 0, static_cast<std::uint16_t>(x11::kAtomNames[i].size()), x11::kAtomNames[i].data()));
  }
  for (std::size_t i = 0; i < x11::kAtomCount; ++i) {
    const auto reply = state->Wait(xcb_intern_atom_reply, cookies[i]);
    if (!reply) return nullptr;
    state->atoms[i] = reply->atom;
  }

  auto& facts = state->fact_atoms;
  facts[x11::kFactType] = state->atoms[x11::kNetWmWindowType];
  facts[x11::kFactTransientFor] = XCB_ATOM_WM_TRANSIENT_FOR;
  facts[x11::kFactWmState] = state->atoms[x11::kWmState];
  facts[x11::kFactNetName] = state->atoms[x11::kNetWmName];
  facts[x11::kFactWmName] = XCB_ATOM_WM_NAME;
  facts[x11::kFactNetState] = state->atoms[x11::kNetWmState];
  facts[x11::kFactMotif] = state->atoms[x11::kMotifWmHints];
  facts[x11::kFactActions] = state->atoms[x11::kNetWmAllowedActions];
  // The notices that keep the snapshot between walks true: the client lists, and the frames
  // coming, going and changing places.
  const std::uint32_t root_events =
      XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  state->Sent(xcb_change_window_attributes(c, state->root, XCB_CW_EVENT_MASK, &root_events));

  std::array<char, HOST_NAME_MAX + 1> host{};
  if (gethostname(host.data(), host.size() - 1) == 0) state->host_name = host.data();
  return std::unique_ptr<X11WindowSystem>(new X11WindowSystem(std::move(state)));
}

std::uint64_t X11WindowSystem::RoundTrips() const { return state_->round_trips; }

std::optional<std::uint64_t> X11WindowSystem::DesktopRevision() {
  WindowSystemState& s = *state_;
  s.Drain(true);
  if (s.walk || !s.kept || s.stale || s.order_changed || !s.changed.empty()) ++s.revision;
  return s.revision;
}

WindowHandle X11WindowSystem::FirstWindow(WindowHandle /*from*/) {
  WindowSystemState& s = *state_;
  s.EndWalk();
  s.walk = s.SnapshotForWalk();
  const WindowHandle first = s.walk->StepFrom(0);
  if (first == XCB_WINDOW_NONE) s.EndWalk();
  return first;
}

WindowHandle X11WindowSystem::NextWindow(WindowHandle window) {
  WindowSystemState& s = *state_;
  // What the last round trip brought in, without a look at the socket for every step: a system
  // call a window would be most of what a walk over an unchanged desktop costs.
  s.Drain(false);
  if (const WindowFacts* facts = s.FactsWhereWalkStands(window)) {
    Snapshot& walk = *s.walk;
    const WindowHandle next = facts->gone ? kNoWindow : walk.StepFrom(walk.PositionOf(window) + 1);
    // Once the walk is over, every question goes to the server again.
    if (next == XCB_WINDOW_NONE) s.EndWalk();
    return next;
  }
  // Asked outside a walk: a fresh look, kept for this answer only.
  Snapshot now = s.TakeSnapshot();
  const WindowFacts* facts = now.Find(window);
  if (facts == nullptr || facts->gone) return kNoWindow;
  return now.StepFrom(now.PositionOf(window) + 1);
}

bool X11WindowSystem::HasParent(WindowHandle window) {
  WindowSystemState& s = *state_;
  if (const WindowFacts* facts = s.FactsWhereWalkStands(window)) return facts->has_parent;
  return WindowSystemState::HasOwner(s.Read(window, XCB_ATOM_WM_TRANSIENT_FOR).get());
}

bool X11WindowSystem::IsVisible(WindowHandle window) {
  WindowSystemState& s = *state_;
  // The snapshot holds managed windows only.
  if (const WindowFacts* facts = s.FactsWhereWalkStands(window)) return facts->shown;
  const auto stacking_cookie = s.Ask(s.root, s[x11::kNetClientListStacking]);
  const auto state_cookie = s.Ask(window, s[x11::kWmState]);
  const auto stacking = s.Get(stacking_cookie);
  const auto wm_state = s.Get(state_cookie);
  if (!Contains(Values32(stacking.get(), XCB_ATOM_WINDOW), window)) return false;
  return s.Shown(wm_state.get());
}

bool X11WindowSystem::IsEnabled(WindowHandle window) {
  WindowSystemState& s = *state_;
  // X has no disabled top-level windows: every existing one takes input.
  if (const WindowFacts* facts = s.FactsWhereWalkStands(window)) return !facts->gone;
  return s.Exists(window);
}

std::string X11WindowSystem::Caption(WindowHandle window) {
  WindowSystemState& s = *state_;
  if (const WindowFacts* facts = s.FactsWhereWalkStands(window)) return facts->caption;
  const auto net_cookie = s.Ask(window, s[x11::kNetWmName]);
  const auto legacy_cookie = s.Ask(window, XCB_ATOM_WM_NAME);
  const auto net = s.Get(net_cookie);
  const auto legacy = s.Get(legacy_cookie);
  return s.CaptionOf(net.get(), legacy.get());
}

bool X11WindowSystem::IsTopmost(WindowHandle window) {
  WindowSystemState& s = *state_;
  if (const WindowFacts* facts = s.FactsWhereWalkStands(window)) return facts->above;
  return s.AboveNow(window).value_or(false);
}

std::optional<WindowRect> X11WindowSystem::Rect(WindowHandle window) {
  WindowSystemState& s = *state_;
  const auto geometry_cookie = s.Sent(xcb_get_geometry(s.c(), window));
  const auto origin_cookie = s.Sent(xcb_translate_coordinates(s.c(), window, s.root, 0, 0));
  const auto geometry = s.Wait(xcb_get_geometry_reply, geometry_cookie);
  const auto origin = s.Wait(xcb_translate_coordinates_reply, origin_cookie);
  if (!geometry || !origin) return std::nullopt;
  return WindowRect{origin->dst_x, origin->dst_y, origin->dst_x + geometry->width,
                    origin->dst_y + geometry->height};
}

std::optional<std::uint32_t> X11WindowSystem::CloseItemState(WindowHandle window) {
  WindowSystemState& s = *state_;
  if (const WindowFacts* facts = s.FactsWhereWalkStands(window)) {
    if (facts->gone) return std::nullopt;
    return x11::CloseItemWord(facts->motif, facts->close_action,
                              [&] { return s.WindowManagerName(); });
  }
  const auto hints_cookie = s.Ask(window, s[x11::kMotifWmHints]);
  const auto actions_cookie = s.Ask(window, s[x11::kNetWmAllowedActions]);
  const auto hints = s.Get(hints_cookie);
  const auto actions = s.Get(actions_cookie);
  if (!hints || !actions) return std::nullopt;
  return x11::CloseItemWord(WindowSystemState::Motif(hints.get()), s.CloseAction(actions.get()),
                            [&] { return s.WindowManagerName(); });
}

std::optional<std::uint32_t> X11WindowSystem::WindowPid(WindowHandle window) {
  WindowSystemState& s = *state_;
  const auto pid_cookie = s.Ask(window, s[x11::kNetWmPid]);
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
