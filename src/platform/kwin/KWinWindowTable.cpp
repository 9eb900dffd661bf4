#include "platform/kwin/KWinWindowTable.h"

#include <algorithm>
#include <unordered_set>

#include "platform/kwin/KWinRules.h"

namespace hoverdeck {

void KWinWindowTable::Update(KWinWindow window) {
  const auto known = handles_.find(window.id);
  if (known == handles_.end()) {
    // Handles are never given twice in a run (0 means no window).
    if (next_handle_ == kNoWindow) ++next_handle_;
    const WindowHandle handle = next_handle_++;
    handles_.emplace(window.id, handle);
    windows_.emplace(handle, std::move(window));
    order_stale_ = true;
  } else {
    KWinWindow& old = windows_.at(known->second);
    if (old.caption == window.caption && old.flags == window.flags && old.pid == window.pid &&
        old.xid == window.xid && old.app == window.app) {
      return;
    }
    if ((old.flags & kKWinListed) != (window.flags & kKWinListed)) order_stale_ = true;
    old = std::move(window);
  }
  ++revision_;
}

void KWinWindowTable::Remove(std::string_view id) {
  const auto known = handles_.find(std::string(id));
  if (known == handles_.end()) return;
  windows_.erase(known->second);
  handles_.erase(known);
  order_stale_ = true;
  ++revision_;
}

void KWinWindowTable::Restack(std::string_view bottom_up) {
  std::vector<std::string> ids;
  while (!bottom_up.empty()) {
    const std::size_t blank = bottom_up.find(' ');
    if (blank != 0) ids.emplace_back(bottom_up.substr(0, blank));
    if (blank == std::string_view::npos) break;
    bottom_up.remove_prefix(blank + 1);
  }
  if (ids == bottom_up_) return;
  bottom_up_ = std::move(ids);
  order_stale_ = true;
  ++revision_;
}

const KWinWindow* KWinWindowTable::Find(WindowHandle handle) const {
  const auto found = windows_.find(handle);
  return found == windows_.end() ? nullptr : &found->second;
}

std::set<std::string> KWinWindowTable::RuleTitles() const {
  std::set<std::string> titles;
  for (const auto& [handle, window] : windows_) titles.insert(KWinRuleTitle(window.caption));
  return titles;
}

void KWinWindowTable::Clear() {
  if (windows_.empty()) return;
  windows_.clear();
  handles_.clear();
  order_stale_ = true;
  ++revision_;
}

void KWinWindowTable::BuildOrder() {
  order_.clear();
  std::unordered_set<WindowHandle> placed;
  // Windows reported after the last stacking report are the newest: on top.
  for (const auto& [handle, window] : windows_) {
    if (window.Has(kKWinListed)) placed.insert(handle);
  }
  std::vector<WindowHandle> stacked;
  for (auto id = bottom_up_.rbegin(); id != bottom_up_.rend(); ++id) {
    const auto known = handles_.find(*id);
    if (known != handles_.end() && placed.erase(known->second) != 0) {
      stacked.push_back(known->second);
    }
  }
  order_.assign(placed.begin(), placed.end());
  std::sort(order_.begin(), order_.end(), std::greater<>());
  order_.insert(order_.end(), stacked.begin(), stacked.end());
  order_stale_ = false;
}

WindowHandle KWinWindowTable::First() {
  if (order_stale_) BuildOrder();
  at_ = 0;
  return order_.empty() ? kNoWindow : order_.front();
}

WindowHandle KWinWindowTable::Next(WindowHandle handle) {
  if (order_stale_) BuildOrder();
  if (at_ >= order_.size() || order_[at_] != handle) {
    at_ =
        static_cast<std::size_t>(std::find(order_.begin(), order_.end(), handle) - order_.begin());
  }
  if (at_ >= order_.size()) return kNoWindow;
  ++at_;
  return at_ < order_.size() ? order_[at_] : kNoWindow;
}

}  // namespace hoverdeck
