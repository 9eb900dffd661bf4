#include "support/SimulatedDesktop.h"

#include <algorithm>
#include <utility>

namespace hoverdeck::testing {

WindowHandle SimulatedDesktop::Open(SimWindow window) {
  const WindowHandle handle = std::exchange(next_handle_, next_handle_ + 4);
  windows_[handle] = window;
  Place(handle, window.topmost);
  return handle;
}

void SimulatedDesktop::Close(WindowHandle window) {
  windows_.erase(window);
  vanish_after_.erase(window);
  std::erase(z_order_, window);
}

void SimulatedDesktop::Place(WindowHandle window, bool topmost) {
  std::erase(z_order_, window);
  windows_.at(window).topmost = topmost;
  const auto band_top = topmost ? z_order_.begin()
                                : std::find_if(z_order_.begin(), z_order_.end(),
                                               [this](auto w) { return !windows_.at(w).topmost; });
  z_order_.insert(band_top, window);
}

SimWindow* SimulatedDesktop::Touch(WindowHandle window) {
  ++calls_;
  if (auto countdown = vanish_after_.find(window); countdown != vanish_after_.end()) {
    if (countdown->second-- <= 0) Close(window);
  }
  auto found = windows_.find(window);
  if (found == windows_.end()) return nullptr;
  SimWindow& w = found->second;
  if (w.access == WindowAccess::kOpen && w.pending_topmost)
    Switch(window, *std::exchange(w.pending_topmost, {}));
  return &w;
}

WindowHandle SimulatedDesktop::FirstWindow(WindowHandle /*from*/) {
  ++calls_;
  return z_order_.empty() ? kNoWindow : z_order_.front();
}

WindowHandle SimulatedDesktop::NextWindow(WindowHandle window) {
  if (Touch(window) == nullptr) return kNoWindow;
  const auto at = std::find(z_order_.begin(), z_order_.end(), window);
  return at == z_order_.end() || at + 1 == z_order_.end() ? kNoWindow : *(at + 1);
}

bool SimulatedDesktop::SetCaption(WindowHandle window, const std::string& caption) {
  ++writes_.caption;
  SimWindow* w = Touch(window);
  if (w == nullptr || w->refuses_caption || w->access != WindowAccess::kOpen) return false;
  w->caption = caption;
  return true;
}

bool SimulatedDesktop::SetTopmost(WindowHandle window, bool topmost, const WindowRect& /*at*/) {
  ++writes_.topmost;
  SimWindow* w = Touch(window);
  if (w == nullptr || w->refuses_topmost || w->access == WindowAccess::kHigherRights) return false;
  if (w->access == WindowAccess::kNotResponding) {
    w->pending_topmost = topmost;
  } else {
    Switch(window, topmost);
  }
  return true;
}

void SimulatedDesktop::Switch(WindowHandle window, bool topmost) {
  // Leaving the band when not in it changes nothing; joining it always lifts to its top.
  if (!topmost && !windows_.at(window).topmost) return;
  windows_.at(window).visible = true;
  Place(window, topmost);
}

bool SimulatedDesktop::SetCloseItemState(WindowHandle window, std::uint32_t state) {
  ++writes_.close_item;
  SimWindow* w = Touch(window);
  if (w == nullptr || !w->close_state || w->refuses_close_item || w->access != WindowAccess::kOpen)
    return false;
  w->close_state = state;
  return true;
}

std::optional<ProcessId> SimulatedDesktop::WindowProcess(WindowHandle window) {
  const ProcessId id = Get(window, &SimWindow::process);
  return id == 0 ? std::nullopt : std::optional(id);
}

std::optional<std::string> SimulatedDesktop::Lookup(ProcessId process,
                                                    std::string SimProcess::*field) const {
  if (lookups_broken_) return std::nullopt;
  const auto found = processes_.find(process);
  return found == processes_.end() ? std::string() : found->second.*field;
}

}  // namespace hoverdeck::testing
