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
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "actions/CloseItem.h"
#include "platform/x11/MotifHints.h"
#include "platform/x11/XText.h"

namespace hoverdeck {
namespace {

// Every atom the adapter uses beyond the predefined ones, interned once at connection.
enum Atom : std::size_t {
  kNetClientList,
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
  kNetSupportingWmCheck,
  kAtomCount
};
constexpr std::array<std::string_view, kAtomCount> kAtomNames = {
    "_NET_CLIENT_LIST",
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
    "_NET_SUPPORTING_WM_CHECK",
};

// The properties a walk reads of every window, all asked in one batch when the walk begins.
enum Fact : std::size_t {
  kFactType,
  kFactTransientFor,
  kFactWmState,
  kFactNetName,
  kFactWmName,
  kFactNetState,
  kFactMotif,
  kFactActions,
  kFactCount
};

// The longest property value read, in 32-bit units: far beyond any caption or window list.
constexpr std::uint32_t kMaxPropertyLongs = 1 << 16;
// How many notices at once make the kept snapshot be read again whole.
constexpr std::size_t kManyNotices = 4096;
// How long the adapter waits for the window manager to take in a change, and how often it looks.
constexpr auto kConfirmTimeout = std::chrono::milliseconds(500);
constexpr auto kConfirmPoll = std::chrono::milliseconds(5);

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;
using PropertyReply = Reply<xcb_get_property_reply_t>;

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

// What a walk knows of one window: read when the walk began, changed since by the adapter's own
// writes and by the server's notice that the window was destroyed.
struct WindowFacts {
  bool gone = false;
  bool passed_over = false;  // a desktop or a dock
  bool has_parent = false;
  bool shown = false;  // WM_STATE normal or iconic
  bool above = false;
  std::string caption;
  std::optional<x11::MotifHints> motif;
  x11::WmCloseAction close_action = x11::WmCloseAction::kNotPublished;

  bool Walked() const { return !gone && !passed_over; }
  static WindowFacts Gone() {
    WindowFacts facts;
    facts.gone = true;
    return facts;
  }
};

// The managed windows top first with their facts, and where a walk over them stands.
struct Snapshot {
  std::vector<xcb_window_t> order;
  std::unordered_map<xcb_window_t, WindowFacts> facts;
  xcb_window_t at = XCB_WINDOW_NONE;
  std::size_t at_position = 0;
  // The facts of `at`, so that the questions about the window the walk stands on need no lookup.
  WindowFacts* at_facts = nullptr;

  WindowFacts* Find(xcb_window_t window) {
    const auto found = facts.find(window);
    return found == facts.end() ? nullptr : &found->second;
  }
  std::size_t PositionOf(xcb_window_t window) const {
    if (at_position < order.size() && order[at_position] == window) return at_position;
    return static_cast<std::size_t>(std::find(order.begin(), order.end(), window) -
                                    order.begin());
  }
  // Moves the walk to the first window it meets from `position` down; XCB_WINDOW_NONE past the
  // last one.
  xcb_window_t StepFrom(std::size_t position) {
    for (at_position = position; at_position < order.size(); ++at_position) {
      at_facts = &facts.at(order[at_position]);
      if (at_facts->Walked()) return at = order[at_position];
    }
    at_facts = nullptr;
    return at = XCB_WINDOW_NONE;
  }
  // Where the window manager puts a window that joins (or leaves) the band of windows kept
  // above: at the top of that band, under whatever layers (docks) the walk passes over.
  void Place(xcb_window_t window, bool above) {
    std::erase(order, window);
    facts.at(window).above = above;
    const auto top = std::find_if(order.begin(), order.end(), [&](xcb_window_t other) {
      const WindowFacts& those = facts.at(other);
      return those.Walked() && (above || !those.above);
    });
    order.insert(top, window);
    at_position = PositionOf(at);
  }
};

}  // namespace

struct X11WindowSystem::State {
  std::unique_ptr<xcb_connection_t, ConnectionCloser> connection;
  xcb_window_t root = XCB_WINDOW_NONE;
  std::array<xcb_atom_t, kAtomCount> atoms{};
  // The properties of kFactCount, in that order.
  std::array<xcb_atom_t, kFactCount> fact_atoms{};
  std::string host_name;
  // The child of the root (the frame, under a reparenting window manager) that holds each
  // managed window; kept from one reading of the stacking to the next.
  std::unordered_map<xcb_window_t, xcb_window_t> top_level_of;
  // The managed windows whose destruction the server reports to this connection.
  std::unordered_set<xcb_window_t> watched;
  // The snapshot of the walk in progress; none between walks.
  std::optional<Snapshot> walk;
  // The snapshot of the last walk, kept for the next one and kept true by the server's notices:
  // the windows whose facts changed since, and whether the stacking may have changed. Stale when
  // it may have missed something; the next walk then reads everything again.
  std::optional<Snapshot> kept;
  std::unordered_set<xcb_window_t> changed;
  bool order_changed = false;
  bool stale = true;
  // The window manager's own name, read when first needed; forgotten when the server reports its
  // check window gone or changed, or the root naming another.
  std::optional<std::string> wm_name;
  xcb_window_t wm_check = XCB_WINDOW_NONE;
  // Moves on with every walk and with every look that finds changes not yet read again.
  std::uint64_t revision = 0;
  std::uint64_t round_trips = 0;
  // Whether requests went out since the adapter last waited for the server.
  bool unanswered = false;
  // Whether the connection may have read notices off the socket since the last Drain: it does
  // so only while sending or waiting, so a walk that asks nothing need not look for them.
  bool may_have_read = true;

  xcb_connection_t* c() const { return connection.get(); }
  xcb_atom_t operator[](Atom atom) const { return atoms[atom]; }

  // Every request passes through here, so that the wait that follows counts as a round trip.
  template <typename Cookie>
  Cookie Sent(Cookie cookie) {
    unanswered = true;
    may_have_read = true;
    return cookie;
  }
  void Waiting() {
    if (unanswered) ++round_trips;
    unanswered = false;
    may_have_read = true;
  }
  // The reply to a request, or nullptr when it failed (mostly: the window is gone). The error is
  // taken here, so it never lands in the event queue.
  template <typename T, typename Cookie>
  Reply<T> Wait(T* (*reply_of)(xcb_connection_t*, Cookie, xcb_generic_error_t**), Cookie cookie) {
    Waiting();
    xcb_generic_error_t* error = nullptr;
    Reply<T> reply(reply_of(c(), cookie, &error), &std::free);
    std::free(error);
    return reply;
  }

  xcb_get_property_cookie_t Ask(xcb_window_t window, xcb_atom_t property) {
    return Sent(xcb_get_property(c(), 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                 kMaxPropertyLongs));
  }
  PropertyReply Get(xcb_get_property_cookie_t cookie) {
    return Wait(xcb_get_property_reply, cookie);
  }
  PropertyReply Read(xcb_window_t window, xcb_atom_t property) {
    return Get(Ask(window, property));
  }
  bool Exists(xcb_window_t window) {
    return Wait(xcb_get_window_attributes_reply, Sent(xcb_get_window_attributes(c(), window))) !=
           nullptr;
  }
  // Waits for a checked request; false when the server refused it or the connection broke.
  bool Check(xcb_void_cookie_t cookie) {
    Waiting();
    xcb_generic_error_t* error = xcb_request_check(c(), cookie);
    const bool ok = error == nullptr && xcb_connection_has_error(c()) == 0;
    std::free(error);
    return ok;
  }

  // Takes in what the server has sent on its own (no round trip): a destroyed window becomes a
  // gone one in the walk's snapshot; changed properties, stacking and client lists are noted for
  // the next walk; everything else, errors of unchecked requests among it, is dropped. Only what
  // has already been read off the connection, unless `read` asks for a look at the socket too (a
  // system call: once a walk is enough).
  void Drain(bool read) {
    if (!read && !may_have_read) return;
    may_have_read = false;
    std::size_t count = 0;
    for (;;) {
      xcb_generic_event_t* event = read ? xcb_poll_for_event(c()) : xcb_poll_for_queued_event(c());
      if (event == nullptr) break;
      Note(event);
      std::free(event);
      ++count;
    }
    // Past this many, reading everything again costs less than following each notice.
    if (count > kManyNotices) stale = true;
    if (xcb_connection_has_error(c()) != 0) stale = true;
  }
  void Note(const xcb_generic_event_t* event) {
    switch (event->response_type & 0x7F) {
      case XCB_DESTROY_NOTIFY: {
        const xcb_window_t window =
            reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window;
        watched.erase(window);
        if (window == wm_check) wm_name.reset();
        changed.insert(window);
        order_changed = true;
        if (walk) {
          if (WindowFacts* facts = walk->Find(window)) *facts = WindowFacts::Gone();
        }
        break;
      }
      case XCB_PROPERTY_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (notify->window == wm_check ||
            (notify->window == root && notify->atom == atoms[kNetSupportingWmCheck])) {
          wm_name.reset();
        }
        if (notify->window == root) {
          order_changed = order_changed || notify->atom == atoms[kNetClientListStacking] ||
                          notify->atom == atoms[kNetClientList];
        } else if (std::find(fact_atoms.begin(), fact_atoms.end(), notify->atom) !=
                   fact_atoms.end()) {
          changed.insert(notify->window);
        }
        break;
      }
      case XCB_CREATE_NOTIFY:
      case XCB_MAP_NOTIFY:
      case XCB_UNMAP_NOTIFY:
      case XCB_CONFIGURE_NOTIFY:
      case XCB_REPARENT_NOTIFY:
      case XCB_CIRCULATE_NOTIFY: {
        // A child of the root (a frame, mostly) came, went or moved in the stacking. Each of
        // these notices names the window it was reported on (the parent) right after the
        // sequence number.
        xcb_window_t reported_on = XCB_WINDOW_NONE;
        std::memcpy(&reported_on, reinterpret_cast<const char*>(event) + 4, sizeof reported_on);
        if (reported_on == root) order_changed = true;
        break;
      }
      default:
        break;
    }
  }
  // The snapshot's facts of the window, when the walk stands on it.
  WindowFacts* Walking(xcb_window_t window) {
    Drain(false);
    return walk && walk->at == window ? walk->at_facts : nullptr;
  }
  // The snapshot's facts of the window whether the walk stands on it or not, for the adapter's
  // writes to update.
  WindowFacts* Snapshotted(xcb_window_t window) {
    return walk ? walk->Find(window) : nullptr;
  }

  // Asks `reached` until it answers true, for at most kConfirmTimeout: the window manager
  // handles requests and property changes in its own time. False when the window is gone
  // (nullopt) or the time is up.
  template <typename Question>
  bool AwaitWindowManager(const Question& reached) {
    const auto deadline = std::chrono::steady_clock::now() + kConfirmTimeout;
    for (;;) {
      const std::optional<bool> answer = reached();
      if (!answer) return false;
      if (*answer) return true;
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(kConfirmPoll);
    }
  }

  // The managed windows, top first. The window manager's list tells which windows are managed,
  // but their order comes from where the server really stacks their frames: IceWM, for one,
  // leaves _NET_CLIENT_LIST_STACKING as it was when a window changes layer.
  std::vector<xcb_window_t> Stacking();
  // Finds the children of the root that hold `windows`, one level up a round trip.
  void FindTopLevels(const std::vector<xcb_window_t>& windows,
                     std::unordered_map<xcb_window_t, xcb_window_t>& found);
  // The stacking and the facts of every window in it: two round trips, and one more for each
  // level of frames above windows that are new since the last snapshot.
  Snapshot TakeSnapshot();
  // Reads the facts of `windows` into the snapshot in one batch, asking first for the notices of
  // their changes and destruction.
  void ReadFacts(const std::vector<xcb_window_t>& windows, Snapshot& snapshot);
  // The snapshot for a new walk: the kept one brought up to date with what changed since, read
  // from the server only for that; nothing asked when nothing changed.
  Snapshot Refreshed();
  // Keeps the walk's snapshot for the next walk.
  void EndWalk() {
    if (walk) {
      kept = std::move(*walk);
      ++revision;
    }
    walk.reset();
  }
  // The facts from the replies to the kFactCount properties, in their order.
  WindowFacts FactsOf(std::span<const PropertyReply> replies) const;

  bool IsDesktopOrDock(const xcb_get_property_reply_t* types) const {
    if (types == nullptr) return true;  // gone: nothing to walk
    const auto values = Values32(types, XCB_ATOM_ATOM);
    return Contains(values, atoms[kNetWmWindowTypeDesktop]) ||
           Contains(values, atoms[kNetWmWindowTypeDock]);
  }
  static bool HasOwner(const xcb_get_property_reply_t* transient_for) {
    const auto owner = Values32(transient_for, XCB_ATOM_WINDOW);
    return !owner.empty() && owner[0] != XCB_WINDOW_NONE;
  }
  // A managed window always carries WM_STATE; an iconic one counts as shown.
  bool Shown(const xcb_get_property_reply_t* wm_state) const {
    const auto values = Values32(wm_state, atoms[kWmState]);
    return !values.empty() && values[0] != XCB_ICCCM_WM_STATE_WITHDRAWN;
  }
  bool Above(const xcb_get_property_reply_t* states) const {
    return Contains(Values32(states, XCB_ATOM_ATOM), atoms[kNetWmStateAbove]);
  }
  // A caption property as its client stored it; absent when it is missing or not text.
  struct CaptionProperty {
    xcb_atom_t type = XCB_ATOM_NONE;
    std::string bytes;
    bool Present() const { return type != XCB_ATOM_NONE; }
  };
  CaptionProperty NetCaption(const xcb_get_property_reply_t* net) const {
    if (net == nullptr || net->format != 8 || net->type != atoms[kUtf8String]) return {};
    return {net->type, std::string(static_cast<const char*>(xcb_get_property_value(net)),
                                   net->value_len)};
  }
  static CaptionProperty LegacyCaption(const xcb_get_property_reply_t* legacy) {
    if (legacy == nullptr || legacy->format != 8 || legacy->type == XCB_ATOM_NONE) return {};
    return {legacy->type, std::string(static_cast<const char*>(xcb_get_property_value(legacy)),
                                      legacy->value_len)};
  }
  // WM_NAME comes in whatever encoding its client chose.
  x11::TextEncoding EncodingOf(xcb_atom_t type) const {
    if (type == XCB_ATOM_STRING) return x11::TextEncoding::kLatin1;
    if (type == atoms[kCompoundText]) return x11::TextEncoding::kCompoundText;
    return x11::TextEncoding::kUtf8;
  }
  std::string TextOf(const CaptionProperty& property) const {
    return x11::CaptionText(property.bytes, EncodingOf(property.type));
  }
  std::string CaptionOf(const CaptionProperty& net, const CaptionProperty& legacy) const {
    if (std::string text = TextOf(net); !text.empty()) return text;
    return TextOf(legacy);
  }
  std::string CaptionOf(const xcb_get_property_reply_t* net,
                        const xcb_get_property_reply_t* legacy) const {
    return CaptionOf(NetCaption(net), LegacyCaption(legacy));
  }
  // Puts `prefix` in front of the caption's own bytes, or takes it away from them, leaving every
  // other byte and the type as they were; false when this cannot be done.
  bool AddPrefix(CaptionProperty& property, std::string_view prefix) const {
    if (auto bytes = x11::EncodeText(prefix, EncodingOf(property.type))) {
      property.bytes.insert(0, *bytes);
      return true;
    }
    // Latin-1 cannot hold it; compound text holds both the prefix and the Latin-1 bytes.
    if (property.type != XCB_ATOM_STRING) return false;
    property.type = atoms[kCompoundText];
    property.bytes.insert(0, x11::LegacyTextFromUtf8(prefix).bytes);
    return true;
  }
  bool RemovePrefix(CaptionProperty& property, std::string_view prefix) const {
    auto bytes = x11::WithoutPrefix(property.bytes, EncodingOf(property.type), prefix);
    if (!bytes) return false;
    // A Latin-1 caption turned compound text only by the marker's UTF-8 segment turns back.
    if (property.type == atoms[kCompoundText] && property.bytes.starts_with("\x1b%G") &&
        x11::IsLatin1Text(*bytes)) {
      property.type = XCB_ATOM_STRING;
    }
    property.bytes = std::move(*bytes);
    return true;
  }
  static std::optional<x11::MotifHints> Motif(const xcb_get_property_reply_t* hints) {
    if (hints == nullptr || hints->format != 32 || hints->value_len == 0) return std::nullopt;
    return x11::MotifHintsFromValues(Values32(hints, XCB_ATOM_ANY));
  }
  x11::WmCloseAction CloseAction(const xcb_get_property_reply_t* actions) const {
    if (actions == nullptr || actions->type != XCB_ATOM_ATOM || actions->format != 32) {
      return x11::WmCloseAction::kNotPublished;
    }
    return Contains(Values32(actions, XCB_ATOM_ATOM), atoms[kNetWmActionClose])
               ? x11::WmCloseAction::kOffered
               : x11::WmCloseAction::kWithheld;
  }
  // The name the window manager gives itself on its _NET_SUPPORTING_WM_CHECK window, which must
  // name itself there too (else it is a stale one); empty without a window manager.
  std::string_view WindowManagerName();
  // _NET_WM_STATE_ABOVE among the window's states as the server has them now; nullopt when the
  // window is gone.
  std::optional<bool> AboveNow(xcb_window_t window) {
    const auto states = Read(window, atoms[kNetWmState]);
    if (!states) return std::nullopt;
    return Above(states.get());
  }
};

std::string_view X11WindowSystem::State::WindowManagerName() {
  if (wm_name) return *wm_name;
  wm_name.emplace();
  const auto on_root = Read(root, atoms[kNetSupportingWmCheck]);
  const auto check = Values32(on_root.get(), XCB_ATOM_WINDOW);
  wm_check = check.empty() ? xcb_window_t{XCB_WINDOW_NONE} : check[0];
  if (wm_check == XCB_WINDOW_NONE) return *wm_name;
  // Told of its going and of its changes before anything of it is read.
  const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
  Sent(xcb_change_window_attributes(c(), wm_check, XCB_CW_EVENT_MASK, &events));
  const auto self_cookie = Ask(wm_check, atoms[kNetSupportingWmCheck]);
  const auto name_cookie = Ask(wm_check, atoms[kNetWmName]);
  const auto self = Get(self_cookie);
  const auto name = Get(name_cookie);
  const auto named = Values32(self.get(), XCB_ATOM_WINDOW);
  if (!named.empty() && named[0] == wm_check) *wm_name = Bytes8(name.get());
  return *wm_name;
}

std::vector<xcb_window_t> X11WindowSystem::State::Stacking() {
  const auto list_cookie = Ask(root, atoms[kNetClientListStacking]);
  const auto tree_cookie = Sent(xcb_query_tree(c(), root));
  const auto list = Get(list_cookie);
  const auto tree = Wait(xcb_query_tree_reply, tree_cookie);
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
    std::unordered_map<xcb_window_t, xcb_window_t>& found) {
  // Pairs of a window and the ancestor reached so far; a few levels are all any manager uses.
  constexpr int kMaxDepth = 8;
  std::vector<std::pair<xcb_window_t, xcb_window_t>> climbing;
  for (const xcb_window_t window : windows) climbing.emplace_back(window, window);
  for (int depth = 0; depth < kMaxDepth && !climbing.empty(); ++depth) {
    std::vector<xcb_query_tree_cookie_t> cookies;
    cookies.reserve(climbing.size());
    for (const auto& [window, at] : climbing) cookies.push_back(Sent(xcb_query_tree(c(), at)));
    std::vector<std::pair<xcb_window_t, xcb_window_t>> higher;
    for (std::size_t i = 0; i < climbing.size(); ++i) {
      const auto reply = Wait(xcb_query_tree_reply, cookies[i]);
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

Snapshot X11WindowSystem::State::TakeSnapshot() {
  Drain(true);
  Snapshot snapshot;
  snapshot.order = Stacking();
  ReadFacts(snapshot.order, snapshot);
  std::erase_if(watched, [&](xcb_window_t window) { return snapshot.facts.count(window) == 0; });
  return snapshot;
}

void X11WindowSystem::State::ReadFacts(const std::vector<xcb_window_t>& windows,
                                       Snapshot& snapshot) {
  std::vector<xcb_get_property_cookie_t> cookies;
  cookies.reserve(windows.size() * kFactCount);
  for (const xcb_window_t window : windows) {
    if (watched.insert(window).second) {
      const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
      Sent(xcb_change_window_attributes(c(), window, XCB_CW_EVENT_MASK, &events));
    }
    for (const xcb_atom_t property : fact_atoms) cookies.push_back(Ask(window, property));
  }
  std::vector<PropertyReply> replies;
  replies.reserve(kFactCount);
  snapshot.facts.reserve(snapshot.facts.size() + windows.size());
  for (std::size_t i = 0; i < windows.size(); ++i) {
    replies.clear();
    for (std::size_t fact = 0; fact < kFactCount; ++fact) {
      replies.push_back(Get(cookies[i * kFactCount + fact]));
    }
    snapshot.facts.insert_or_assign(windows[i], FactsOf(replies));
  }
}

Snapshot X11WindowSystem::State::Refreshed() {
  Drain(true);
  if (!kept || stale) {
    stale = false;
    changed.clear();
    order_changed = false;
    kept.reset();
    return TakeSnapshot();
  }
  Snapshot snapshot = std::move(*kept);
  kept.reset();
  snapshot.at = XCB_WINDOW_NONE;
  snapshot.at_position = 0;
  snapshot.at_facts = nullptr;
  // Taken before asking, so that what changes after the server has answered is noted again.
  std::unordered_set<xcb_window_t> reread;
  reread.swap(changed);
  if (order_changed) {
    order_changed = false;
    snapshot.order = Stacking();
    std::unordered_set<xcb_window_t> listed(snapshot.order.begin(), snapshot.order.end());
    std::erase_if(snapshot.facts,
                  [&](const auto& entry) { return listed.count(entry.first) == 0; });
    std::erase_if(watched, [&](xcb_window_t window) { return listed.count(window) == 0; });
    for (const xcb_window_t window : snapshot.order) {
      if (snapshot.facts.count(window) == 0) reread.insert(window);
    }
  }
  std::vector<xcb_window_t> windows;
  for (const xcb_window_t window : reread) {
    if (snapshot.facts.count(window) != 0 ||
        std::find(snapshot.order.begin(), snapshot.order.end(), window) != snapshot.order.end()) {
      windows.push_back(window);
    }
  }
  ReadFacts(windows, snapshot);
  return snapshot;
}

WindowFacts X11WindowSystem::State::FactsOf(std::span<const PropertyReply> replies) const {
  // A window whose properties cannot be read is gone.
  if (std::any_of(replies.begin(), replies.end(), [](const auto& reply) { return !reply; })) {
    return WindowFacts::Gone();
  }
  WindowFacts facts;
  facts.passed_over = IsDesktopOrDock(replies[kFactType].get());
  facts.has_parent = HasOwner(replies[kFactTransientFor].get());
  facts.shown = Shown(replies[kFactWmState].get());
  facts.above = Above(replies[kFactNetState].get());
  facts.caption = CaptionOf(replies[kFactNetName].get(), replies[kFactWmName].get());
  facts.motif = Motif(replies[kFactMotif].get());
  facts.close_action = CloseAction(replies[kFactActions].get());
  return facts;
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
    cookies[i] = state->Sent(xcb_intern_atom(
        c, 0, static_cast<std::uint16_t>(kAtomNames[i].size()), kAtomNames[i].data()));
  }
  for (std::size_t i = 0; i < kAtomCount; ++i) {
    const auto reply = state->Wait(xcb_intern_atom_reply, cookies[i]);
    if (!reply) return nullptr;
    state->atoms[i] = reply->atom;
  }

  auto& facts = state->fact_atoms;
  facts[kFactType] = state->atoms[kNetWmWindowType];
  facts[kFactTransientFor] = XCB_ATOM_WM_TRANSIENT_FOR;
  facts[kFactWmState] = state->atoms[kWmState];
  facts[kFactNetName] = state->atoms[kNetWmName];
  facts[kFactWmName] = XCB_ATOM_WM_NAME;
  facts[kFactNetState] = state->atoms[kNetWmState];
  facts[kFactMotif] = state->atoms[kMotifWmHints];
  facts[kFactActions] = state->atoms[kNetWmAllowedActions];
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
  State& s = *state_;
  s.Drain(true);
  if (s.walk || !s.kept || s.stale || s.order_changed || !s.changed.empty()) ++s.revision;
  return s.revision;
}

WindowHandle X11WindowSystem::FirstWindow(WindowHandle /*from*/) {
  State& s = *state_;
  s.EndWalk();
  s.walk = s.Refreshed();
  const WindowHandle first = s.walk->StepFrom(0);
  if (first == XCB_WINDOW_NONE) s.EndWalk();
  return first;
}

WindowHandle X11WindowSystem::NextWindow(WindowHandle window) {
  State& s = *state_;
  // What the last round trip brought in, without a look at the socket for every step: that one
  // system call a window was most of what a walk over an unchanged desktop cost.
  s.Drain(false);
  if (const WindowFacts* facts = s.Walking(window)) {
    Snapshot& walk = *s.walk;
    const WindowHandle next =
        facts->gone ? kNoWindow : walk.StepFrom(walk.PositionOf(window) + 1);
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
  State& s = *state_;
  if (const WindowFacts* facts = s.Walking(window)) return facts->has_parent;
  return State::HasOwner(s.Read(window, XCB_ATOM_WM_TRANSIENT_FOR).get());
}

bool X11WindowSystem::IsVisible(WindowHandle window) {
  State& s = *state_;
  // The snapshot holds managed windows only.
  if (const WindowFacts* facts = s.Walking(window)) return facts->shown;
  const auto stacking_cookie = s.Ask(s.root, s[kNetClientListStacking]);
  const auto state_cookie = s.Ask(window, s[kWmState]);
  const auto stacking = s.Get(stacking_cookie);
  const auto wm_state = s.Get(state_cookie);
  if (!Contains(Values32(stacking.get(), XCB_ATOM_WINDOW), window)) return false;
  return s.Shown(wm_state.get());
}

bool X11WindowSystem::IsEnabled(WindowHandle window) {
  State& s = *state_;
  // X has no disabled top-level windows: every existing one takes input.
  if (const WindowFacts* facts = s.Walking(window)) return !facts->gone;
  return s.Exists(window);
}

std::string X11WindowSystem::Caption(WindowHandle window) {
  State& s = *state_;
  if (const WindowFacts* facts = s.Walking(window)) return facts->caption;
  const auto net_cookie = s.Ask(window, s[kNetWmName]);
  const auto legacy_cookie = s.Ask(window, XCB_ATOM_WM_NAME);
  const auto net = s.Get(net_cookie);
  const auto legacy = s.Get(legacy_cookie);
  return s.CaptionOf(net.get(), legacy.get());
}

bool X11WindowSystem::SetCaption(WindowHandle window, const std::string& caption) {
  State& s = *state_;
  const auto net_cookie = s.Ask(window, s[kNetWmName]);
  const auto legacy_cookie = s.Ask(window, XCB_ATOM_WM_NAME);
  const auto net_reply = s.Get(net_cookie);
  const auto legacy_reply = s.Get(legacy_cookie);
  if (!net_reply || !legacy_reply) return false;  // gone
  State::CaptionProperty net = s.NetCaption(net_reply.get());
  State::CaptionProperty legacy = State::LegacyCaption(legacy_reply.get());
  const State::CaptionProperty net_before = net;
  const State::CaptionProperty legacy_before = legacy;

  // The marker comes and goes at the front of another program's caption: only its bytes change,
  // in each property that holds the caption, so that whatever the client stored (bytes our lists
  // cannot show, a NUL and what follows it, its encoding) comes back as it was.
  const std::string now = s.CaptionOf(net, legacy);
  bool kept = false;
  if (!now.empty() && caption.size() > now.size() && caption.ends_with(now)) {
    const std::string_view prefix =
        std::string_view(caption).substr(0, caption.size() - now.size());
    // An empty property is not where the caption lives.
    const auto add = [&](State::CaptionProperty& property) {
      return s.TextOf(property).empty() || s.AddPrefix(property, prefix);
    };
    kept = add(net) && add(legacy);
  } else if (!caption.empty() && now.size() > caption.size() && now.ends_with(caption)) {
    const std::string_view prefix = std::string_view(now).substr(0, now.size() - caption.size());
    // A property that shows another text keeps it.
    const auto remove = [&](State::CaptionProperty& property) {
      return !s.TextOf(property).starts_with(prefix) || s.RemovePrefix(property, prefix);
    };
    kept = remove(net) && remove(legacy);
  }
  if (!kept) {
    // A new text altogether: UTF-8, and WM_NAME too for the window managers and tools that read
    // nothing else.
    const x11::LegacyText text = x11::LegacyTextFromUtf8(caption);
    net = {s[kUtf8String], x11::SanitizeUtf8(caption)};
    legacy = {text.is_compound_text ? s[kCompoundText] : xcb_atom_t{XCB_ATOM_STRING}, text.bytes};
  }

  std::vector<xcb_void_cookie_t> writes;
  for (const auto& [property, value, before] :
       {std::tuple(s[kNetWmName], &net, &net_before),
        std::tuple(xcb_atom_t{XCB_ATOM_WM_NAME}, &legacy, &legacy_before)}) {
    if (!value->Present() || (value->type == before->type && value->bytes == before->bytes)) {
      continue;
    }
    writes.push_back(s.Sent(xcb_change_property_checked(
        s.c(), XCB_PROP_MODE_REPLACE, window, property, value->type, 8,
        static_cast<std::uint32_t>(value->bytes.size()), value->bytes.data())));
  }
  bool written = true;
  for (const auto cookie : writes) written = s.Check(cookie) && written;
  if (!written) return false;
  if (WindowFacts* facts = s.Snapshotted(window); facts && !facts->gone) {
    facts->caption = s.CaptionOf(net, legacy);
  }
  return true;
}

bool X11WindowSystem::IsTopmost(WindowHandle window) {
  State& s = *state_;
  if (const WindowFacts* facts = s.Walking(window)) return facts->above;
  return s.AboveNow(window).value_or(false);
}

std::optional<WindowRect> X11WindowSystem::Rect(WindowHandle window) {
  State& s = *state_;
  const auto geometry_cookie = s.Sent(xcb_get_geometry(s.c(), window));
  const auto origin_cookie = s.Sent(xcb_translate_coordinates(s.c(), window, s.root, 0, 0));
  const auto geometry = s.Wait(xcb_get_geometry_reply, geometry_cookie);
  const auto origin = s.Wait(xcb_translate_coordinates_reply, origin_cookie);
  if (!geometry || !origin) return std::nullopt;
  return WindowRect{origin->dst_x, origin->dst_y, origin->dst_x + geometry->width,
                    origin->dst_y + geometry->height};
}

bool X11WindowSystem::SetTopmost(WindowHandle window, bool topmost, const WindowRect& /*at*/) {
  State& s = *state_;
  if (!s.Exists(window)) return false;
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
  s.Sent(xcb_send_event(s.c(), 0, s.root,
                        XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                        reinterpret_cast<const char*>(&message)));
  xcb_flush(s.c());
  // The walk goes on from where the window manager is about to put the window; leaving the band
  // when not in it moves nothing.
  if (WindowFacts* facts = s.Snapshotted(window);
      facts && !facts->gone && (topmost || facts->above)) {
    s.walk->Place(window, topmost);
  }
  // Where the window manager really puts it is read at the next walk.
  s.changed.insert(window);
  s.order_changed = true;
  return true;
}

bool X11WindowSystem::ConfirmTopmost(WindowHandle window, bool topmost) {
  State& s = *state_;
  return s.AwaitWindowManager([&]() -> std::optional<bool> {
    const auto above = s.AboveNow(window);
    if (!above) return std::nullopt;
    return *above == topmost;
  });
}

std::optional<std::uint32_t> X11WindowSystem::CloseItemState(WindowHandle window) {
  State& s = *state_;
  if (const WindowFacts* facts = s.Walking(window)) {
    if (facts->gone) return std::nullopt;
    return x11::CloseItemWord(facts->motif, facts->close_action,
                              [&] { return s.WindowManagerName(); });
  }
  const auto hints_cookie = s.Ask(window, s[kMotifWmHints]);
  const auto actions_cookie = s.Ask(window, s[kNetWmAllowedActions]);
  const auto hints = s.Get(hints_cookie);
  const auto actions = s.Get(actions_cookie);
  if (!hints || !actions) return std::nullopt;
  return x11::CloseItemWord(State::Motif(hints.get()), s.CloseAction(actions.get()),
                            [&] { return s.WindowManagerName(); });
}

bool X11WindowSystem::SetCloseItemState(WindowHandle window, std::uint32_t state) {
  State& s = *state_;
  std::optional<x11::MotifHints> current;
  if (const WindowFacts* facts = s.Walking(window)) {
    if (facts->gone) return false;
    current = facts->motif;
  } else {
    const auto reply = s.Read(window, s[kMotifWmHints]);
    if (!reply) return false;
    current = State::Motif(reply.get());
  }
  const x11::MotifHints wanted = x11::WithCloseAllowed(current, !IsCloseItemDisabled(state));
  // Nothing to write when the hints already say so (a window without hints allows close).
  if (wanted == current.value_or(x11::MotifHints{})) return true;
  const std::array<std::uint32_t, 5> values = {wanted.flags, wanted.functions, wanted.decorations,
                                               wanted.input_mode, wanted.status};
  // Window managers re-read the hints when the property changes.
  if (!s.Check(s.Sent(xcb_change_property_checked(s.c(), XCB_PROP_MODE_REPLACE, window,
                                                  s[kMotifWmHints], s[kMotifWmHints], 32,
                                                  values.size(), values.data())))) {
    return false;
  }
  // The actions the manager published answered the old hints; until it publishes anew, the
  // hints just written have the word.
  if (WindowFacts* facts = s.Snapshotted(window); facts && !facts->gone) {
    facts->motif = wanted;
    facts->close_action = x11::WmCloseAction::kNotPublished;
  }
  s.changed.insert(window);
  return true;
}

bool X11WindowSystem::ConfirmCloseItemDisabled(WindowHandle window) {
  State& s = *state_;
  // The window manager republishes the allowed actions in its own time after the hints change;
  // until then the actions it published before still offer close.
  return s.AwaitWindowManager([&]() -> std::optional<bool> {
    const auto state = CloseItemState(window);
    if (!state) return std::nullopt;
    return IsCloseItemDisabled(*state);
  });
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
