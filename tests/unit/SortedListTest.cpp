// The sorted list state shared by the window lists and the catalogue lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "app/SortedList.h"

namespace hoverdeck {
namespace {

std::vector<std::string> Texts(const SortedList& list) {
  std::vector<std::string> texts;
  for (const auto& item : list.Items()) texts.push_back(item.text);
  return texts;
}

TEST(SortedListTest, OrderIgnoresCaseAndNotInsertion) {
  std::vector<std::string> words{"zeta", "Alpha", "beta", "ABC", "abc", "Beta", "_x", "1"};
  std::vector<std::string> first;
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::shuffle(words.begin(), words.end(), random);
    SortedList list;
    for (const auto& w : words) list.Add(w);
    if (round == 0) first = Texts(list);
    EXPECT_EQ(Texts(list), first);
  }
  EXPECT_EQ(first,
            (std::vector<std::string>{"1", "_x", "ABC", "abc", "Alpha", "Beta", "beta", "zeta"}));
}

TEST(SortedListTest, AddReportsTheSortedIndexAndKeepsTheSelectedItem) {
  SortedList list;
  list.Add("b");
  list.Add("d");
  list.SetListIndex(1);  // "d"
  EXPECT_EQ(list.Add("a", true), 0);
  EXPECT_EQ(list.ListIndex(), 2);
  EXPECT_EQ(list.Item(2).text, "d");
  EXPECT_TRUE(list.Item(0).checked);
  EXPECT_EQ(list.Add("e"), 3);
  EXPECT_EQ(list.ListIndex(), 2);
  // Equal texts go after the ones already there.
  const int index = list.Add("b");
  EXPECT_EQ(index, 2);
}

TEST(SortedListTest, RemoveAndClearMoveOrDropTheSelection) {
  SortedList list;
  for (const char* t : {"a", "b", "c"}) list.Add(t);
  list.SetListIndex(2);
  list.RemoveAt(0);
  EXPECT_EQ(list.ListIndex(), 1);
  list.RemoveAt(1);
  EXPECT_EQ(list.ListIndex(), SortedList::kNoSelection);
  list.SetListIndex(5);
  EXPECT_EQ(list.ListIndex(), SortedList::kNoSelection);
  list.SetListIndex(0);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.ListIndex(), SortedList::kNoSelection);
}

TEST(SortedListTest, RevisionGrowsOnlyWithChanges) {
  SortedList list;
  const auto start = list.revision();
  list.Add("a");
  const auto after_add = list.revision();
  EXPECT_GT(after_add, start);
  list.SetChecked(0, false);  // already clear
  list.SetListIndex(SortedList::kNoSelection);
  EXPECT_EQ(list.revision(), after_add);
  list.SetChecked(0, true);
  EXPECT_GT(list.revision(), after_add);
}

}  // namespace
}  // namespace hoverdeck
