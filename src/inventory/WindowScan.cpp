#include "inventory/WindowScan.h"

#include "actions/CaptionMarker.h"
#include "actions/CloseItem.h"
#include "actions/TopmostSwitch.h"
#include "app/ProgramConstants.h"
#include "inventory/WindowWalk.h"
#include "rules/RuleMatch.h"

namespace hoverdeck {
namespace {

bool Enter(std::vector<WindowEntry>& table, std::int16_t& count, WindowHandle window,
           const std::string& caption) {
  if (count >= static_cast<int>(table.size())) return false;
  WindowEntry& entry = table[static_cast<std::size_t>(count)];
  entry.caption = caption;
  entry.handle_text = HandleText(window);
  ++count;
  return true;
}

}  // namespace

WindowTables::WindowTables() : topmost_(kTopmostCapacity), non_topmost_(kNonTopmostCapacity) {
  met_.reserve(kTopmostCapacity + kNonTopmostCapacity);
}

const WindowEntry& WindowTables::Topmost(int index) const {
  return topmost_.at(static_cast<std::size_t>(index));
}

const WindowEntry& WindowTables::NonTopmost(int index) const {
  return non_topmost_.at(static_cast<std::size_t>(index));
}

void WindowTables::Clear() {
  topmost_count_ = 0;
  non_topmost_count_ = 0;
  met_.clear();
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
  tables.Clear();
  const auto met_before = [&tables](WindowHandle window) { return !tables.FirstMeeting(window); };
  const auto enforce = [&](WindowHandle window, std::string& caption) {
    const bool topmost = windows.IsTopmost(window);
    if (auto wanted = MarkerRuleCaption(caption, topmost, settings.ConstTopMost,
                                        settings.SetTopMostCaption)) {
      caption = std::move(*wanted);
      windows.SetCaption(window, caption);
    }
    if (topmost) {
      tables.AddTopmost(window, caption);
    } else {
      tables.AddNonTopmost(window, caption);
      if (inputs.main_window_minimized() &&
          CatalogueMatches(*inputs.topmost_catalogue, settings.SetAllTopMost, caption)) {
        SetTopmostState(windows, window, true);
      }
    }
    if (CatalogueMatches(*inputs.disable_x_catalogue, settings.SetAllDisableX, caption)) {
      DisableCloseItem(windows, window);
    }
  };
  WalkKeptWindows(windows, inputs.main_window, enforce, met_before);
  tray.ModifyTip(TrayTip(tables.NonTopmostCount(), tables.TopmostCount()));
}

}  // namespace hoverdeck
