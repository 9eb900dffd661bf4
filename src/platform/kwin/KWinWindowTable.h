// KWin's windows as its script reports them: their facts, their stacking order and the handles
// the core knows them by, with a walk over them from the top down.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/WindowHandle.h"

namespace hoverdeck {

// The bits of a window's flags, as the script sends them.
inline constexpr std::uint32_t kKWinListed = 1;     // not the desktop, a panel, a popup, ...
inline constexpr std::uint32_t kKWinHasParent = 2;  // a transient of another window
inline constexpr std::uint32_t kKWinShown = 4;      // on the current desktop (minimised too)
inline constexpr std::uint32_t kKWinKeepAbove = 8;
inline constexpr std::uint32_t kKWinCloseable = 16;

struct KWinWindow {
  std::string id;  // KWin's internal id
  std::string caption;
  std::uint32_t flags = 0;
  std::uint32_t pid = 0;
  std::uint32_t xid = 0;  // the X window of an XWayland window; 0 for a native one
  std::string app;        // the class KWin knows its program by

  bool Has(std::uint32_t flag) const { return (flags & flag) != 0; }
};

class KWinWindowTable {
 public:
  // A new or changed window. A window not yet placed by Restack counts as the top one.
  void Update(KWinWindow window);
  void Remove(std::string_view id);
  // The stacking order: KWin's ids from the bottom up, separated by blanks.
  void Restack(std::string_view bottom_up);

  // The window known by `handle`; nullptr when it is gone.
  const KWinWindow* Find(WindowHandle handle) const;
  // Whether the window is there and has `flag`; its caption, "" when it is gone.
  bool Has(WindowHandle handle, std::uint32_t flag) const {
    const KWinWindow* found = Find(handle);
    return found != nullptr && found->Has(flag);
  }
  std::string Caption(WindowHandle handle) const {
    const KWinWindow* found = Find(handle);
    return found == nullptr ? std::string() : found->caption;
  }
  // The handle of the window KWin knows by `id`; kNoWindow when none is reported.
  WindowHandle HandleOf(const std::string& id) const {
    const auto known = handles_.find(id);
    return known == handles_.end() ? kNoWindow : known->second;
  }
  // Grows with every change the reports bring.
  std::uint64_t Revision() const { return revision_; }
  std::size_t Size() const { return windows_.size(); }
  // The titles KWin matches rules against of every window, listed or not.
  std::set<std::string> RuleTitles() const;
  // Forgets every window, as gone.
  void Clear();

  // The walk over the listed windows, top first; kNoWindow after the last one.
  WindowHandle First();
  WindowHandle Next(WindowHandle handle);

 private:
  void BuildOrder();

  std::unordered_map<WindowHandle, KWinWindow> windows_;
  std::unordered_map<std::string, WindowHandle> handles_;
  std::vector<std::string> bottom_up_;
  // Listed windows top first, rebuilt when the reports changed it.
  std::vector<WindowHandle> order_;
  bool order_stale_ = true;
  std::size_t at_ = 0;
  WindowHandle next_handle_ = 1;
  std::uint64_t revision_ = 0;
};

}  // namespace hoverdeck
