// The program's rules in KWin's rules file, and the window table the script's reports fill.
#include <gtest/gtest.h>

#include "platform/kwin/KWinRules.h"
#include "platform/kwin/KWinWindowTable.h"

namespace hoverdeck {
namespace {

TEST(KWinRulesTest, Placeholder) {
  EXPECT_EQ(ConfigUnescape(ConfigEscape(" a\\b\n ")), " a\\b\n ");
}

}  // namespace
}  // namespace hoverdeck
