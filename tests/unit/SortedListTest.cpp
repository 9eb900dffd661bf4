// The sorted list state shared by the window lists and the catalogue lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "app/SortedList.h"

namespace hoverdeck {
namespace {

std::string Texts(const SortedList& list) {
  std::string joined;
  for (const auto& item : list.Items()) joined += (joined.empty() ? "" : "|") + item.text;
  return joined;
}

// The order ignores case and, for texts equal but for case, never depends on insertion.
TEST(SortedListTest, OrderIgnoresCaseAndNotInsertion) {
  std::vector<std::string> words{"zeta", "Alpha", "beta", "ABC", "abc", "Beta", "_x", "1"};
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::shuffle(words.begin(), words.end(), random);
    SortedList list;
    for (const auto& w : words) list.Add(w);
    EXPECT_EQ(Texts(list), "1|_x|ABC|abc|Alpha|Beta|beta|zeta");
  }
}

// The selection follows its item through adds and removes; the revision grows with every change
// and only then.
TEST(SortedListTest, SelectionFollowsItsItemAndRevisionOnlyChanges) {
  SortedList list;
  list.Add("b");
  list.Add("d");
  list.SetListIndex(1);  // "d"
  std::string seen;
  for (const char* text : {"a", "e", "b"}) seen += std::to_string(list.Add(text, true));
  EXPECT_EQ(seen + std::to_string(list.ListIndex()), "0323");  // equal texts go after
  const auto before = list.revision();
  list.SetChecked(1, false);  // already clear
  list.SetListIndex(3);
  EXPECT_EQ(list.revision(), before);
  list.SetChecked(1, true);
  EXPECT_GT(list.revision(), before);
  list.RemoveAt(0);
  seen = std::to_string(list.ListIndex());
  list.RemoveAt(2);
  seen += " " + std::to_string(list.ListIndex());
  list.SetListIndex(9);
  seen += " " + std::to_string(list.ListIndex());
  EXPECT_EQ(seen, "2 -1 -1");
}

}  // namespace
}  // namespace hoverdeck
