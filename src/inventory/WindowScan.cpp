#include "inventory/WindowScan.h"

#include <algorithm>

#include "actions/CaptionMarker.h"
#include "actions/CloseItem.h"
#include "actions/TopmostSwitch.h"
#include "actions/WindowWalk.h"
#include "app/ProgramConstants.h"
#include "rules/RuleMatch.h"

namespace hoverdeck {
namespace {

bool Enter(std::vector<WindowEntry>& table, std::int16_t& count, WindowHandle window,
           const std::string& caption) {
  if (count >= static_cast<int>(table.size())) return false;
  WindowEntry& entry = table[static_cast<std::size_t>(count)];
  entry.caption = caption;
  if (entry.handle != window || entry.handle_text.empty()) {
    entry.handle = window;
    entry.handle_text = HandleText(window);
  }
  ++count;
  return true;
}

// Applies the marker and the rules to one window and enters it in its table. False when the
// window did not answer, so that a later scan looks at it again.
bool EnforceRules(WindowSystem& windows, const ScanInputs& inputs, WindowTables& tables,
                  WindowHandle window, std::string& caption) {
  const Settings& settings = *inputs.settings;
  // Asked once a rule wants to write, at most once per window: a program that does not answer
  // is left for a later tick, one with higher rights than ours alone.
  std::optional<WindowAccess> access;
  const auto may_write = [&] {
    if (!access) access = windows.Access(window);
    return access == WindowAccess::kOpen;
  };
  const bool topmost = windows.IsTopmost(window);
  if (auto wanted =
          MarkerRuleCaption(caption, topmost, settings.ConstTopMost, settings.SetTopMostCaption);
      wanted && may_write()) {
    // A window that keeps its caption to itself is listed as it stands.
    if (windows.SetCaption(window, *wanted)) caption = std::move(*wanted);
  }
  if (topmost) {
    tables.AddTopmost(window, caption);
  } else {
    tables.AddNonTopmost(window, caption);
    if (inputs.main_window_minimized() &&
        CatalogueMatches(*inputs.topmost_catalogue, settings.SetAllTopMost, caption) &&
        may_write()) {
      SetTopmostState(windows, window, true);
    }
  }
  if (CatalogueMatches(*inputs.disable_x_catalogue, settings.SetAllDisableX, caption)) {
    DisableCloseItem(windows, window, may_write);
  }
  return access != WindowAccess::kNotResponding;
}

}  // namespace

WindowTables::WindowTables()
    : topmost_(kTopmostCapacity), non_topmost_(kNonTopmostCapacity), met_(4096, kNoWindow) {}

const WindowEntry& WindowTables::Topmost(int index) const {
  return topmost_.at(static_cast<std::size_t>(index));
}

const WindowEntry& WindowTables::NonTopmost(int index) const {
  return non_topmost_.at(static_cast<std::size_t>(index));
}

void WindowTables::Clear() {
  topmost_count_ = 0;
  non_topmost_count_ = 0;
  std::fill(met_.begin(), met_.end(), kNoWindow);
  met_count_ = 0;
  filled_from_.reset();
}

bool WindowTables::FirstMeeting(WindowHandle window) {
  if (window == kNoWindow) return true;
  if (2 * (met_count_ + 1) > met_.size()) {
    std::vector<WindowHandle> before(2 * met_.size(), kNoWindow);
    before.swap(met_);
    met_count_ = 0;
    for (const WindowHandle met : before) {
      if (met != kNoWindow) FirstMeeting(met);
    }
  }
  const std::size_t mask = met_.size() - 1;
  std::uint32_t hash = window * 0x9E3779B1u;
  hash ^= hash >> 16;
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    if (met_[slot] == window) return false;
    if (met_[slot] == kNoWindow) {
      met_[slot] = window;
      ++met_count_;
      return true;
    }
  }
}

bool WindowTables::AddTopmost(WindowHandle window, const std::string& caption) {
  return Enter(topmost_, topmost_count_, window, caption);
}

bool WindowTables::AddNonTopmost(WindowHandle window, const std::string& caption) {
  return Enter(non_topmost_, non_topmost_count_, window, caption);
}

std::string TrayTip(int non_topmost_count, int topmost_count) {
  return ProgramTitle() + " -> " + std::to_string(non_topmost_count) + " non topmost; " +
         std::to_string(topmost_count) + " topmost";
}

void ScanWindows(WindowSystem& windows, Tray& tray, const ScanInputs& inputs,
                 WindowTables& tables) {
  const Settings& settings = *inputs.settings;
  const auto tip = [&] {
    tray.ModifyTip(TrayTip(tables.NonTopmostCount(), tables.TopmostCount()));
  };
  // Only a window system that can tell an unchanged desktop lets a scan be spared.
  std::optional<ScanBasis> basis;
  if (const auto desktop = windows.DesktopRevision()) {
    basis = ScanBasis{&windows,
                      *desktop,
                      settings,
                      inputs.topmost_catalogue,
                      inputs.topmost_catalogue->revision(),
                      inputs.disable_x_catalogue,
                      inputs.disable_x_catalogue->revision(),
                      inputs.main_window,
                      inputs.main_window_minimized()};
    if (tables.FilledFrom(*basis)) {
      tip();
      return;
    }
  }
  tables.Clear();
  const Catalogue& close_list = *inputs.disable_x_catalogue;
  windows.SetCloseRules(CheckedTexts(close_list), settings.SetAllDisableX && close_list.count() > 0);
  const auto met_before = [&tables](WindowHandle window) { return !tables.FirstMeeting(window); };
  bool waited = false;  // a window did not answer: the next scan must look again
  const auto enforce = [&](WindowHandle window, std::string& caption) {
    waited |= !EnforceRules(windows, inputs, tables, window, caption);
  };
  WalkKeptWindows(windows, inputs.main_window, enforce, met_before);
  tip();
  // A write that took effect shows as a change at the next look; one that was refused or changed
  // nothing would be refused again, so it does not force another walk.
  if (basis && !waited) {
    if (const auto desktop = windows.DesktopRevision()) {
      basis->desktop = *desktop;
      tables.SetFilledFrom(*basis);
    }
  }
}

}  // namespace hoverdeck
