// A rule catalogue: caption substrings with their checked flags, kept in the order of its
// sorted on-screen list and stored in one section of the INI file.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/ConfigFile.h"
#include "app/SortedList.h"

namespace hoverdeck {

inline constexpr std::string_view kTopMostWindowsSection = "TopMostWindows";
inline constexpr std::string_view kDisableXSection = "DisableX";

struct CatalogueEntry {
  std::string text;     // never empty
  std::string checked;  // "1" in force, "0" kept but not applied
};

class Catalogue {
 public:
  static constexpr int kCapacity = 100;

  explicit Catalogue(std::string_view section) : section_(section) {}

  const std::string& section() const { return section_; }
  std::int16_t count() const { return count_; }
  bool full() const { return count_ >= kCapacity; }
  // Entry at position 1 to count().
  const CatalogueEntry& entry(int position) const {
    return entries_.at(static_cast<std::size_t>(position - 1));
  }
  bool IsChecked(int position) const { return entry(position).checked == "1"; }
  // Grows with every change of the table.
  std::uint64_t revision() const { return revision_; }

  // Makes the table the list's lines, top to bottom (at most kCapacity of them).
  void RebuildFrom(const SortedList& list);
  // Sets one entry's flag; the position must be in 1 to count().
  void SetChecked(int position, bool checked);

 private:
  std::string section_;
  std::int16_t count_ = 0;
  std::array<CatalogueEntry, kCapacity> entries_{};
  std::uint64_t revision_ = 0;
};

// What loading a catalogue found.
struct CatalogueLoad {
  int held = 0;                  // strings in the section, more than count() when it was cut
  std::filesystem::path backup;  // where the complete file went, or was to go, before the cut
  bool backed_up = false;        // the complete file was first copied to `backup`
  bool cut() const { return held > Catalogue::kCapacity; }
};

// Fills the list and the table from the catalogue's section: keys Win1, chkWin1, Win2, ... up
// to the first missing or empty WinN, at most kCapacity entries. No line is left selected. When
// the file holds the entries in another order than the sorted list, the section is rewritten
// in that order at once. A section holding more than kCapacity strings is rewritten (dropping
// the rest) only once the complete file was kept (ConfigFile::KeepCopy); without that copy the
// file keeps every string, in its own order.
CatalogueLoad LoadCatalogue(ConfigFile& file, Catalogue& catalogue, SortedList& list);

// Rebuilds the table from the list and rewrites the whole section (none when empty).
void SaveCatalogue(ConfigFile& file, Catalogue& catalogue, const SortedList& list);

// After a click on a catalogue line: when the selected line's check box now differs from its
// entry's flag, the flag follows it and only one chkWinN key is written: that of the WinN which
// holds the line's text in the file (the same one among equal texts), whatever order the file
// keeps; nothing when the file holds the text no more. Does nothing while the main window is
// hidden or when no line is selected.
void ToggleCatalogueCheck(ConfigFile& file, Catalogue& catalogue, const SortedList& list,
                          bool main_window_visible);

}  // namespace hoverdeck
