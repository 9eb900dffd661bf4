// Reading and writing the close function of Motif hints, in both forms of the functions field.
#include <gtest/gtest.h>

#include "platform/WindowSystem.h"
#include "platform/x11/MotifHints.h"

namespace hoverdeck::x11 {
namespace {

TEST(MotifHintsTest, AllowedFunctionsInBothForms) {
  EXPECT_EQ(AllowedFunctions(std::nullopt), kMotifEveryFunction);
  // Without the functions flag the field means nothing; with ALL it lists what is taken away.
  EXPECT_EQ(AllowedFunctions(MotifHints{.flags = 2, .functions = 4}), kMotifEveryFunction);
  EXPECT_EQ(AllowedFunctions(MotifHints{.flags = 1, .functions = 0x26}), 0x26u);
  EXPECT_EQ(AllowedFunctions(MotifHints{.flags = 1, .functions = 0x21}), 0x1Eu);
  EXPECT_EQ(AllowedFunctions(MotifHints{.flags = 1, .functions = 0x09}), 0x36u);
  const std::uint32_t two[] = {1, 0x1E};  // short values fill with zeros
  EXPECT_EQ(MotifHintsFromValues(two), (MotifHints{.flags = 1, .functions = 0x1E}));
}

TEST(MotifHintsTest, StateWordFollowsTheHintsUnlessTheManagerStillOffersClose) {
  const MotifHints no_close{.flags = 1, .functions = 0x1E};
  const MotifHints all_but_close{.flags = 1, .functions = 0x21};
  const MotifHints with_close{.flags = 1, .functions = 0x24};
  for (const auto wm : {WmCloseAction::kNotPublished, WmCloseAction::kWithheld}) {
    EXPECT_EQ(CloseItemWord(no_close, wm), kCloseItemDisabledBits);
    EXPECT_EQ(CloseItemWord(all_but_close, wm), kCloseItemDisabledBits);
    EXPECT_EQ(CloseItemWord(with_close, wm), 0u);
    EXPECT_EQ(CloseItemWord(std::nullopt, wm), 0u);
  }
  EXPECT_EQ(CloseItemWord(no_close, WmCloseAction::kOffered), 0u);
}

TEST(MotifHintsTest, CloseTakenAwayAndGivenBackKeepsTheRest) {
  struct Case {
    std::optional<MotifHints> before;
    bool allowed;
    MotifHints after;
  };
  const std::vector<Case> cases = {
      // Taken away: an explicit list of what stays, ALL dropped, other fields kept.
      {std::nullopt, false, {.flags = 1, .functions = 0x1E}},
      {MotifHints{.flags = 2, .decorations = 6, .input_mode = 1, .status = 1}, false,
       {.flags = 3, .functions = 0x1E, .decorations = 6, .input_mode = 1, .status = 1}},
      {MotifHints{.flags = 1, .functions = 0x26}, false, {.flags = 1, .functions = 0x06}},
      {MotifHints{.flags = 1, .functions = 0x09}, false, {.flags = 1, .functions = 0x16}},
      // Given back: restored, or the restriction lifted with the functions flag when all is
      // allowed again.
      {MotifHints{.flags = 3, .functions = 0x06, .decorations = 2}, true,
       {.flags = 3, .functions = 0x26, .decorations = 2}},
      {MotifHints{.flags = 3, .functions = 0x1E, .decorations = 2}, true,
       {.flags = 2, .functions = 0, .decorations = 2}},
      {MotifHints{.flags = 1, .functions = 0x21}, true, {.flags = 0, .functions = 0}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(WithCloseAllowed(cases[i].before, cases[i].allowed), cases[i].after) << i;
  }
}

}  // namespace
}  // namespace hoverdeck::x11
