// The scan of all top-level windows, with the enforcement of the marker and the two rule sets.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "platform/Tray.h"
#include "platform/WindowSystem.h"
#include "rules/Catalogue.h"

namespace hoverdeck {

struct WindowEntry {
  std::string caption;      // as the scan left it
  std::string handle_text;  // the handle as signed 32-bit decimal
  WindowHandle handle = kNoWindow;
};

// What a scan worked from. A new scan from an equal basis would fill the tables alike and find
// nothing to change that the last one did not already try.
struct ScanBasis {
  const WindowSystem* windows = nullptr;
  std::uint64_t desktop = 0;  // its DesktopRevision after the scan
  Settings settings;
  const Catalogue* topmost_catalogue = nullptr;
  std::uint64_t topmost_revision = 0;
  const Catalogue* disable_x_catalogue = nullptr;
  std::uint64_t disable_x_revision = 0;
  WindowHandle main_window = kNoWindow;
  bool main_window_minimized = false;
  friend bool operator==(const ScanBasis&, const ScanBasis&) = default;
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

  // Empties the tables and forgets their basis.
  void Clear();
  // Whether the tables hold the result of a scan from `basis`.
  bool FilledFrom(const ScanBasis& basis) const { return filled_from_ == basis; }
  void SetFilledFrom(const ScanBasis& basis) { filled_from_ = basis; }
  // True the first time a window is met since Clear(). A window that a rule lifts into the
  // topmost band is met again further down the walk; it keeps its first entry only.
  bool FirstMeeting(WindowHandle window);
  // Surplus windows beyond a full table are not entered; false tells so.
  bool AddTopmost(WindowHandle window, const std::string& caption);
  bool AddNonTopmost(WindowHandle window, const std::string& caption);

 private:
  std::vector<WindowEntry> topmost_;
  std::vector<WindowEntry> non_topmost_;
  std::int16_t topmost_count_ = 0;
  std::int16_t non_topmost_count_ = 0;
  // The windows met since Clear(), open-addressed (kNoWindow marks a free slot) and at most half
  // full: a scan allocates nothing per window and its lookups stay in a few cache lines.
  std::vector<WindowHandle> met_;
  std::size_t met_count_ = 0;
  std::optional<ScanBasis> filled_from_;
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
// Writes to a window only when something must change. When the tables already hold the result
// of a scan from the same basis, they are kept and only the tray hears the counts again.
void ScanWindows(WindowSystem& windows, Tray& tray, const ScanInputs& inputs, WindowTables& tables);

}  // namespace hoverdeck
