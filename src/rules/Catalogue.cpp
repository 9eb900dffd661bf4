#include "rules/Catalogue.h"

#include <algorithm>

namespace hoverdeck {
namespace {

std::string TextKey(int position) { return "Win" + std::to_string(position); }
std::string CheckKey(int position) { return "chkWin" + std::to_string(position); }
const char* Flag(bool checked) { return checked ? "1" : "0"; }

// The N of the WinN key that holds the list's line `index` in the file: of the lines with that
// very text, the list and the file keep the same order. 0 when the file does not hold it.
int FileKeyOf(const ConfigFile& file, const std::string& section, const SortedList& list,
              int index) {
  const std::string& text = list.Item(index).text;
  int earlier = 0;
  for (int i = 0; i < index; ++i) earlier += list.Item(i).text == text ? 1 : 0;
  for (int n = 1;; ++n) {
    const std::string held = file.Read(section, TextKey(n));
    if (held.empty()) return 0;
    if (held == text && earlier-- == 0) return n;
  }
}

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
    const ConfigFile::Copy copy = file.KeepCopy();
    result.backup = copy.path;
    result.backed_up = copy.made;
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
  ConfigFile::Batch batch(file);  // one reading for finding the key and writing it
  const int key = FileKeyOf(file, catalogue.section(), list, index);
  if (key > 0) file.Write(catalogue.section(), CheckKey(key), Flag(line_checked));
}

}  // namespace hoverdeck
