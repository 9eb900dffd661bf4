// A sorted list box as plain state: items with text, check box and item data, and a selection.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hoverdeck {

// The one collation of every sorted list: ascending without regard to ASCII case; texts equal
// but for case are ordered by their bytes so the order never depends on insertion.
bool CollateLess(std::string_view a, std::string_view b);

struct ListItem {
  std::string text;
  bool checked = false;
  std::int32_t item_data = 0;
};

class SortedList {
 public:
  static constexpr int kNoSelection = -1;

  // Inserts the text at its sorted place (after equal texts) and returns that index. The
  // selected item stays selected.
  int Add(std::string text, bool checked = false);
  // Removes the item; the selection follows its item and is cleared if it was this one.
  void RemoveAt(int index);
  // Removes every item and the selection.
  void Clear();

  int Count() const { return static_cast<int>(items_.size()); }
  const ListItem& Item(int index) const { return items_.at(static_cast<std::size_t>(index)); }
  const std::vector<ListItem>& Items() const { return items_; }

  void SetChecked(int index, bool checked);
  void SetItemData(int index, std::int32_t data);

  // The selected index, kNoSelection when none.
  int ListIndex() const { return list_index_; }
  // Selects an index; anything outside the items clears the selection.
  void SetListIndex(int index);

  // Grows with every change, so a frontend can tell cheaply whether to redraw.
  std::uint64_t revision() const { return revision_; }

 private:
  std::vector<ListItem> items_;
  int list_index_ = kNoSelection;
  std::uint64_t revision_ = 0;
};

}  // namespace hoverdeck
