// Reading and writing the close function of Motif hints, in both forms of the functions field.
#include <gtest/gtest.h>

#include <array>

#include "platform/WindowSystem.h"
#include "platform/x11/MotifHints.h"

namespace hoverdeck::x11 {
namespace {

constexpr std::uint32_t kDisabled = kCloseItemDisabledBits;

TEST(MotifHintsTest, AllowedFunctionsInBothForms) {
  EXPECT_EQ(AllowedFunctions(std::nullopt), kMotifEveryFunction);
  // Without the functions flag the field means nothing.
  EXPECT_EQ(AllowedFunctions(MotifHints{.flags = 2, .functions = 4}), kMotifEveryFunction);
  EXPECT_EQ(AllowedFunctions(MotifHints{.flags = 1, .functions = 0x26}), 0x26u);
  // With ALL the field lists what is taken away.
  EXPECT_EQ(AllowedFunctions(MotifHints{.flags = 1, .functions = 0x21}), 0x1Eu);
  EXPECT_EQ(AllowedFunctions(MotifHints{.flags = 1, .functions = 0x09}), 0x36u);
}

TEST(MotifHintsTest, ShortValuesFillWithZeros) {
  const std::array<std::uint32_t, 2> two = {1, 0x1E};
  EXPECT_EQ(MotifHintsFromValues(two), (MotifHints{.flags = 1, .functions = 0x1E}));
}

TEST(MotifHintsTest, StateWordFollowsTheHintsUnlessTheManagerStillOffersClose) {
  const MotifHints no_close{.flags = 1, .functions = 0x1E};
  const MotifHints all_but_close{.flags = 1, .functions = 0x21};
  const MotifHints with_close{.flags = 1, .functions = 0x24};
  for (const auto wm : {WmCloseAction::kNotPublished, WmCloseAction::kWithheld}) {
    EXPECT_EQ(CloseItemWord(no_close, wm), kDisabled);
    EXPECT_EQ(CloseItemWord(all_but_close, wm), kDisabled);
    EXPECT_EQ(CloseItemWord(with_close, wm), 0u);
    EXPECT_EQ(CloseItemWord(std::nullopt, wm), 0u);
  }
  EXPECT_EQ(CloseItemWord(no_close, WmCloseAction::kOffered), 0u);
  EXPECT_EQ(CloseItemWord(all_but_close, WmCloseAction::kOffered), 0u);
}

TEST(MotifHintsTest, TakingCloseAwayWritesAnExplicitListAndKeepsTheRest) {
  EXPECT_EQ(WithCloseAllowed(std::nullopt, false), (MotifHints{.flags = 1, .functions = 0x1E}));
  const MotifHints decorated{
      .flags = 2, .functions = 0, .decorations = 6, .input_mode = 1, .status = 1};
  EXPECT_EQ(
      WithCloseAllowed(decorated, false),
      (MotifHints{.flags = 3, .functions = 0x1E, .decorations = 6, .input_mode = 1, .status = 1}));
  EXPECT_EQ(WithCloseAllowed(MotifHints{.flags = 1, .functions = 0x26}, false).functions, 0x06u);
  // All but minimise: ALL is dropped for the list of what stays.
  EXPECT_EQ(WithCloseAllowed(MotifHints{.flags = 1, .functions = 0x09}, false).functions, 0x16u);
}

TEST(MotifHintsTest, GivingCloseBackRestoresItOrLiftsTheRestriction) {
  EXPECT_EQ(WithCloseAllowed(MotifHints{.flags = 3, .functions = 0x06, .decorations = 2}, true),
            (MotifHints{.flags = 3, .functions = 0x26, .decorations = 2}));
  // Everything allowed again: the functions flag goes, the other flags stay.
  EXPECT_EQ(WithCloseAllowed(MotifHints{.flags = 3, .functions = 0x1E, .decorations = 2}, true),
            (MotifHints{.flags = 2, .functions = 0, .decorations = 2}));
  EXPECT_EQ(WithCloseAllowed(MotifHints{.flags = 1, .functions = 0x21}, true),
            (MotifHints{.flags = 0, .functions = 0}));
  // A round trip through both gives the same word as before.
  const MotifHints start{.flags = 1, .functions = 0x0C};
  const MotifHints there_and_back = WithCloseAllowed(WithCloseAllowed(start, false), true);
  EXPECT_EQ(AllowedFunctions(there_and_back), 0x2Cu);
}

}  // namespace
}  // namespace hoverdeck::x11
