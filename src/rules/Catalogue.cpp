#include "rules/Catalogue.h"

#include <algorithm>

namespace hoverdeck {
namespace {

std::string TextKey(int position) { return "Win" + std::to_string(position); }
std::string CheckKey(int position) { return "chkWin" + std::to_string(position); }
const char* Flag(bool checked) { return checked ? "1" : "0"; }

}  // namespace

void Catalogue::RebuildFrom(const SortedList& list) {
  const int lines = std::min(list.Count(), kCapacity);
  for (int p = 1; p <= lines; ++p) {
    const ListItem& line = list.Item(p - 1);
    entries_[static_cast<std::size_t>(p - 1)] = CatalogueEntry{line.text, Flag(line.checked)};
  }
  count_ = static_cast<std::int16_t>(lines);
  ++revision_;
}

void Catalogue::SetChecked(int position, bool checked) {
  entries_.at(static_cast<std::size_t>(position - 1)).checked = Flag(checked);
  ++revision_;
}

std::filesystem::path BackupPath(const ConfigFile& file) {
  std::filesystem::path backup = file.path();
  backup += ".bak";
  return backup;
}

CatalogueLoad LoadCatalogue(ConfigFile& file, Catalogue& catalogue, SortedList& list) {
  list.Clear();
  const std::string& section = catalogue.section();
  bool file_order_is_sorted = true;
  CatalogueLoad result;
  std::string previous;
  for (;; ++result.held) {
    std::string text = file.Read(section, TextKey(result.held + 1));
    if (text.empty()) break;
    if (result.held >= Catalogue::kCapacity) continue;  // counted, not loaded
    const bool checked = file.Read(section, CheckKey(result.held + 1)) == "1";
    if (result.held > 0 && CollateLess(text, previous)) file_order_is_sorted = false;
    previous = text;
    list.Add(std::move(text), checked);
  }
  list.SetListIndex(SortedList::kNoSelection);
  catalogue.RebuildFrom(list);
  if (result.cut()) {
    // The file keeps what the user wrote until a complete copy of it exists.
    result.backed_up = file.CopyTo(BackupPath(file));
    if (!result.backed_up) return result;
  } else if (file_order_is_sorted) {
    return result;
  }
  SaveCatalogue(file, catalogue, list);
  return result;
}

void SaveCatalogue(ConfigFile& file, Catalogue& catalogue, const SortedList& list) {
  catalogue.RebuildFrom(list);
  ConfigFile::Keys keys;
  keys.reserve(static_cast<std::size_t>(catalogue.count()) * 2);
  for (int p = 1; p <= catalogue.count(); ++p) {
    const CatalogueEntry& entry = catalogue.entry(p);
    keys.emplace_back(TextKey(p), entry.text);
    keys.emplace_back(CheckKey(p), entry.checked);
  }
  file.WriteSection(catalogue.section(), keys);
}

void ToggleCatalogueCheck(ConfigFile& file, Catalogue& catalogue, const SortedList& list,
                          bool main_window_visible) {
  if (!main_window_visible) return;
  const int index = list.ListIndex();
  if (index == SortedList::kNoSelection) return;
  const int position = index + 1;
  if (position > catalogue.count()) return;
  const bool line_checked = list.Item(index).checked;
  if (catalogue.IsChecked(position) == line_checked) return;
  catalogue.SetChecked(position, line_checked);
  file.Write(catalogue.section(), CheckKey(position), Flag(line_checked));
}

}  // namespace hoverdeck
