// What the X11 window-system adapter keeps between calls: the connection and its atoms, the
// count of round trips, and the snapshot of the managed windows a walk runs on and the next one
// starts from. Shared by the adapter's source files only.
#pragma once

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/x11/MotifHints.h"
#include "platform/x11/XText.h"

namespace hoverdeck::x11 {

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
inline constexpr std::array<std::string_view, kAtomCount> kAtomNames = {
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
inline constexpr std::uint32_t kMaxPropertyLongs = 1 << 16;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;
using PropertyReply = Reply<xcb_get_property_reply_t>;

// The values of a property of format 32 and the given type (any type for XCB_ATOM_ANY); empty
// when it is missing or of another kind.
std::span<const std::uint32_t> Values32(const xcb_get_property_reply_t* reply, xcb_atom_t type);

inline bool Contains(std::span<const std::uint32_t> values, std::uint32_t value) {
  return std::find(values.begin(), values.end(), value) != values.end();
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
  std::optional<MotifHints> motif;
  WmCloseAction close_action = WmCloseAction::kNotPublished;

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
    return static_cast<std::size_t>(std::find(order.begin(), order.end(), window) - order.begin());
  }
  // Moves the walk to the first window it meets from `position` down; XCB_WINDOW_NONE past the
  // last one.
  xcb_window_t StepFrom(std::size_t position);
  // Where the window manager puts a window that joins (or leaves) the band of windows kept
  // above: at the top of that band, under whatever layers (docks) the walk passes over.
  void Place(xcb_window_t window, bool above);
};

// A caption property as its client stored it; absent when it is missing or not text.
struct CaptionProperty {
  xcb_atom_t type = XCB_ATOM_NONE;
  std::string bytes;
  bool Present() const { return type != XCB_ATOM_NONE; }
};

// The adapter's state. Its requests and the waits for their replies (here), the snapshot and
// the server's notices (X11WindowSnapshot.cpp), and the decoding of the properties it reads
// (X11WindowProperties.cpp).
struct WindowSystemState {
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

  // ---- The snapshot (X11WindowSnapshot.cpp) ----

  // Takes in what the server has sent on its own (no round trip): a destroyed window becomes a
  // gone one in the walk's snapshot; changed properties, stacking and client lists are noted for
  // the next walk; everything else, errors of unchecked requests among it, is dropped. Only what
  // has already been read off the connection, unless `read` asks for a look at the socket too (a
  // system call: once a walk is enough).
  void Drain(bool read);
  // Takes in one notice of the server, as Drain describes.
  void TakeInNotice(const xcb_generic_event_t* event);
  // The snapshot's facts of the window, when the walk stands on it.
  WindowFacts* FactsWhereWalkStands(xcb_window_t window) {
    Drain(false);
    return walk && walk->at == window ? walk->at_facts : nullptr;
  }
  // The snapshot's facts of the window whether the walk stands on it or not, for the adapter's
  // writes to update.
  WindowFacts* FactsInWalkSnapshot(xcb_window_t window) {
    return walk ? walk->Find(window) : nullptr;
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
  Snapshot SnapshotForWalk();
  // Keeps the walk's snapshot for the next walk.
  void EndWalk() {
    if (walk) {
      kept = std::move(*walk);
      ++revision;
    }
    walk.reset();
  }

  // ---- Decoding the properties (X11WindowProperties.cpp) ----

  // The facts from the replies to the kFactCount properties, in their order.
  WindowFacts FactsOf(std::span<const PropertyReply> replies) const;
  bool IsDesktopOrDock(const xcb_get_property_reply_t* types) const;
  static bool HasOwner(const xcb_get_property_reply_t* transient_for);
  // A managed window always carries WM_STATE; an iconic one counts as shown.
  bool Shown(const xcb_get_property_reply_t* wm_state) const;
  bool Above(const xcb_get_property_reply_t* states) const;
  CaptionProperty NetCaption(const xcb_get_property_reply_t* net) const;
  static CaptionProperty LegacyCaption(const xcb_get_property_reply_t* legacy);
  // WM_NAME comes in whatever encoding its client chose.
  TextEncoding EncodingOf(xcb_atom_t type) const;
  std::string TextOf(const CaptionProperty& property) const;
  std::string CaptionOf(const CaptionProperty& net, const CaptionProperty& legacy) const;
  std::string CaptionOf(const xcb_get_property_reply_t* net,
                        const xcb_get_property_reply_t* legacy) const;
  static std::optional<MotifHints> Motif(const xcb_get_property_reply_t* hints);
  WmCloseAction CloseAction(const xcb_get_property_reply_t* actions) const;
  // _NET_WM_STATE_ABOVE among the window's states as the server has them at this moment; nullopt
  // when the window is gone.
  std::optional<bool> AboveNow(xcb_window_t window);
  // The name the window manager gives itself on its _NET_SUPPORTING_WM_CHECK window, which must
  // name itself there too (else it is a stale one); empty without a window manager.
  std::string_view WindowManagerName();
};

}  // namespace hoverdeck::x11
