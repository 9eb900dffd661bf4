// The sorted list state shared by the window lists and the catalogue lists.
#include <gtest/gtest.h>

#include "app/SortedList.h"

namespace hoverdeck {
namespace {

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
