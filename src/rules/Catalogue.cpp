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
}

void Catalogue::SetChecked(int position, bool checked) {
  entries_.at(static_cast<std::size_t>(position - 1)).checked = Flag(checked);
}

void LoadCatalogue(ConfigFile& file, Catalogue& catalogue, SortedList& list) {
  list.Clear();
  const std::string& section = catalogue.section();
  bool file_order_is_sorted = true;
  int loaded = 0;
  std::string previous;
  while (loaded < Catalogue::kCapacity) {
    std::string text = file.Read(section, TextKey(loaded + 1));
    if (text.empty()) break;
    const bool checked = file.Read(section, CheckKey(loaded + 1)) == "1";
    if (loaded > 0 && CollateLess(text, previous)) file_order_is_sorted = false;
    previous = text;
    list.Add(std::move(text), checked);
    ++loaded;
  }
  list.SetListIndex(SortedList::kNoSelection);
  catalogue.RebuildFrom(list);
  if (!file_order_is_sorted) SaveCatalogue(file, catalogue, list);
}

void SaveCatalogue(ConfigFile& file, Catalogue& catalogue, const SortedList& list) {
  catalogue.RebuildFrom(list);
  file.DeleteSection(catalogue.section());
  for (int p = 1; p <= catalogue.count(); ++p) {
    const CatalogueEntry& entry = catalogue.entry(p);
    file.Write(catalogue.section(), TextKey(p), entry.text);
    file.Write(catalogue.section(), CheckKey(p), entry.checked);
  }
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
