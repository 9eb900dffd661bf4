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
  const auto start = list.revision();
  list.Add("b");
  list.Add("d");
  EXPECT_GT(list.revision(), start);
  list.SetListIndex(1);  // "d"
  EXPECT_EQ(list.Add("a", true), 0);
  EXPECT_EQ(list.ListIndex(), 2);
  EXPECT_TRUE(list.Item(0).checked);
  EXPECT_EQ(list.Add("e"), 3);
  EXPECT_EQ(list.Add("b"), 2);  // equal texts go after the ones already there
  EXPECT_EQ(list.ListIndex(), 3);
  const auto before = list.revision();
  list.SetChecked(1, false);  // already clear
  list.SetListIndex(3);
  EXPECT_EQ(list.revision(), before);
  list.SetChecked(1, true);
  EXPECT_GT(list.revision(), before);

  list.RemoveAt(0);
  EXPECT_EQ(list.ListIndex(), 2);
  list.RemoveAt(2);
  EXPECT_EQ(list.ListIndex(), SortedList::kNoSelection);
  list.SetListIndex(9);
  EXPECT_EQ(list.ListIndex(), SortedList::kNoSelection);
  list.SetListIndex(0);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.ListIndex(), SortedList::kNoSelection);
}

}  // namespace
}  // namespace hoverdeck
