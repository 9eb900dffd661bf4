// The X11 adapter's snapshot of the managed windows: the server's notices that keep it true, the
// stacking, the facts of every window read in one batch, and the kept snapshot brought up to date
// for each walk.
#include <cstring>

#include "platform/x11/X11WindowState.h"

namespace hoverdeck::x11 {
namespace {

// How many notices at once make the kept snapshot be read again whole.
constexpr std::size_t kManyNotices = 4096;

}  // namespace

xcb_window_t Snapshot::StepFrom(std::size_t position) {
  for (at_position = position; at_position < order.size(); ++at_position) {
    at_facts = &facts.at(order[at_position]);
    if (at_facts->Walked()) return at = order[at_position];
  }
  at_facts = nullptr;
  return at = XCB_WINDOW_NONE;
}

void Snapshot::Place(xcb_window_t window, bool above) {
  std::erase(order, window);
  facts.at(window).above = above;
  const auto top = std::find_if(order.begin(), order.end(), [&](xcb_window_t other) {
    const WindowFacts& those = facts.at(other);
    return those.Walked() && (above || !those.above);
  });
  order.insert(top, window);
  at_position = PositionOf(at);
}

void WindowSystemState::Drain(bool read) {
  if (!read && !may_have_read) return;
  may_have_read = false;
  std::size_t count = 0;
  for (;;) {
    xcb_generic_event_t* event = read ? xcb_poll_for_event(c()) : xcb_poll_for_queued_event(c());
    if (event == nullptr) break;
    TakeInNotice(event);
    std::free(event);
    ++count;
  }
  // Past this many, reading everything again costs less than following each notice.
  if (count > kManyNotices) stale = true;
  if (xcb_connection_has_error(c()) != 0) stale = true;
}

void WindowSystemState::TakeInNotice(const xcb_generic_event_t* event) {
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

std::vector<xcb_window_t> WindowSystemState::Stacking() {
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

void WindowSystemState::FindTopLevels(const std::vector<xcb_window_t>& windows,
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

Snapshot WindowSystemState::TakeSnapshot() {
  Drain(true);
  Snapshot snapshot;
  snapshot.order = Stacking();
  ReadFacts(snapshot.order, snapshot);
  std::erase_if(watched, [&](xcb_window_t window) { return snapshot.facts.count(window) == 0; });
  return snapshot;
}

void WindowSystemState::ReadFacts(const std::vector<xcb_window_t>& windows, Snapshot& snapshot) {
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

Snapshot WindowSystemState::SnapshotForWalk() {
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

}  // namespace hoverdeck::x11
