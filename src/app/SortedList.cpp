#include "app/SortedList.h"

#include <algorithm>

namespace hoverdeck {
namespace {

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool CollateLess(std::string_view a, std::string_view b) {
  const auto folded_less = [](char x, char y) {
    return static_cast<unsigned char>(FoldCase(x)) < static_cast<unsigned char>(FoldCase(y));
  };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded_less)) {
    return true;
  }
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded_less)) {
    return false;
  }
  const auto byte_less = [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), byte_less);
}

int SortedList::Add(std::string text, bool checked) {
  const auto place = std::upper_bound(
      items_.begin(), items_.end(), text,
      [](const std::string& value, const ListItem& item) { return CollateLess(value, item.text); });
  const int index = static_cast<int>(place - items_.begin());
  items_.insert(place, ListItem{std::move(text), checked, 0});
  if (list_index_ >= index) ++list_index_;
  ++revision_;
  return index;
}

void SortedList::RemoveAt(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
  if (list_index_ == index) {
    list_index_ = kNoSelection;
  } else if (list_index_ > index) {
    --list_index_;
  }
  ++revision_;
}

void SortedList::Clear() {
  items_.clear();
  list_index_ = kNoSelection;
  ++revision_;
}

void SortedList::SetChecked(int index, bool checked) {
  auto& item = items_.at(static_cast<std::size_t>(index));
  if (item.checked == checked) return;
  item.checked = checked;
  ++revision_;
}

void SortedList::SetItemData(int index, std::int32_t data) {
  items_.at(static_cast<std::size_t>(index)).item_data = data;
  ++revision_;
}

void SortedList::SetListIndex(int index) {
  const int wanted = (index >= 0 && index < Count()) ? index : kNoSelection;
  if (wanted == list_index_) return;
  list_index_ = wanted;
  ++revision_;
}

}  // namespace hoverdeck
