// The scan of all top-level windows, with the enforcement of the marker and the two rule sets.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/Settings.h"
#include "platform/Tray.h"
#include "platform/WindowSystem.h"
#include "rules/Catalogue.h"

namespace hoverdeck {

struct WindowEntry {
  std::string caption;      // as the scan left it
  std::string handle_text;  // the handle as signed 32-bit decimal
};

// The scan's result: two fixed tables, allocated once and refilled from the front by each scan.
class WindowTables {
 public:
  static constexpr int kTopmostCapacity = 1000;
  static constexpr int kNonTopmostCapacity = 2000;

  WindowTables();

  std::int16_t TopmostCount() const { return topmost_count_; }
  std::int16_t NonTopmostCount() const { return non_topmost_count_; }
  // Entries 0 to count - 1, in the order the walk met them.
  const WindowEntry& Topmost(int index) const;
  const WindowEntry& NonTopmost(int index) const;

  void Clear();
  // True the first time a window is met since Clear(). A window that a rule lifts into the
  // topmost band is met again further down the walk; it keeps its first entry only.
  bool FirstMeeting(WindowHandle window) { return met_.insert(window).second; }
  // Surplus windows beyond a full table are not entered; false tells so.
  bool AddTopmost(WindowHandle window, const std::string& caption);
  bool AddNonTopmost(WindowHandle window, const std::string& caption);

 private:
  std::vector<WindowEntry> topmost_;
  std::vector<WindowEntry> non_topmost_;
  std::int16_t topmost_count_ = 0;
  std::int16_t non_topmost_count_ = 0;
  std::unordered_set<WindowHandle> met_;
};

// Everything the scan reads besides the windows themselves.
struct ScanInputs {
  WindowHandle main_window = kNoWindow;
  const Settings* settings = nullptr;
  const Catalogue* topmost_catalogue = nullptr;
  const Catalogue* disable_x_catalogue = nullptr;
  // Asked for every non-topmost window, so a change of state during a scan counts at once.
  std::function<bool()> main_window_minimized;
};

// "Hoverdeck 1.1h -> 12 non topmost; 5 topmost"
std::string TrayTip(int non_topmost_count, int topmost_count);

// One scan: fills the tables, keeps the marker in step, applies the topmost rules while the main
// window is minimised and the close-button rules always, then hands the counts to the tray.
// Writes to a window only when something must change.
void ScanWindows(WindowSystem& windows, Tray& tray, const ScanInputs& inputs, WindowTables& tables);

}  // namespace hoverdeck
