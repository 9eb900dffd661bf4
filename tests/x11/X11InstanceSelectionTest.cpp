// The single-instance selection on a real server, reached under different spellings of the
// display.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "X11Fixture.h"
#include "platform/x11/X11InstanceSelection.h"

namespace hoverdeck {
namespace {

TEST(X11InstanceSelectionTest, OneHolderPerDisplayWhateverItsSpellingUntilItEnds) {
  const char* env = std::getenv("DISPLAY");
  ASSERT_NE(env, nullptr);
  const std::string display = env;  // ":N", as run-under-xvfb.sh sets it
  auto first = X11InstanceSelection::Connect(display.c_str());
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(first->Take());
  EXPECT_TRUE(first->Take());  // asking again keeps it
  for (const std::string& spelling : {display, display + ".0"}) {
    auto second = X11InstanceSelection::Connect(spelling.c_str());
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(second->Take()) << spelling;
  }
  first.reset();
  auto third = X11InstanceSelection::Connect((display + ".0").c_str());
  ASSERT_NE(third, nullptr);
  EXPECT_TRUE(testing::WaitUntil([&] { return third->Take(); }));
}

}  // namespace
}  // namespace hoverdeck
