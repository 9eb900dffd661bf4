// The program's rules in KWin's rules file, and the window table the script's reports fill.
#include <gtest/gtest.h>

#include "platform/kwin/KWinRules.h"
#include "platform/kwin/KWinWindowTable.h"

namespace hoverdeck {
namespace {

const std::string kOurs = "Description=Hoverdeck: close button off: ";
const std::string kRuleBody = "closeable=false\ncloseablerule=2\n";

TEST(KWinRulesTest, AddsRemovesAndPrunesOnlyItsOwnRules) {
  const std::string mine = "[mine]\nDescription=Mine\ntitle=Editor\n";
  const std::string ours_old = "[1]\n" + kOurs + "Old\ntitle=Old\n";
  const std::string ours_editor = "[2]\n" + kOurs + "Editor\ntitle=Editor\n";
  const std::string new_editor =
      "[hoverdeck-1]\n" + kOurs + "Editor\n" + kRuleBody + "title=Editor\ntitlematch=1\n";
  struct Case {
    std::string before;
    bool disable;
    std::set<std::string> present;
    std::string after;
  } cases[] = {
      {"", true, {}, "[General]\ncount=1\nrules=hoverdeck-1\n\n" + new_editor},
      {"# kept\n[General]\nrules=mine\ncount=1\nkey=v\n\n" + mine,
       true,
       {},
       "# kept\n[General]\nrules=mine,hoverdeck-1\ncount=2\nkey=v\n\n" + mine + "\n" + new_editor},
      // Its own rule is taken away on request; those of windows gone go too, unlisted or not.
      {"[General]\ncount=3\nrules=mine,1,2\n\n" + mine + "\n" + ours_old + "\n" + ours_editor +
           "\n[x]\n" + kOurs + "Stray\n",
       false,
       {"Editor"},
       "[General]\ncount=1\nrules=mine\n\n" + mine + "\n"},
      // A window still there keeps its rule; an old file lists its rules by count alone.
      {"[General]\ncount=2\n\n" + ours_old + "\n" + ours_editor,
       true,
       {"Old"},
       "[General]\ncount=2\nrules=1,2\n\n" + ours_old + "\n" + ours_editor},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    EXPECT_EQ(WithCloseRule(c.before, {"Editor", ""}, c.disable, c.present), c.after);
    // Asking again changes nothing.
    EXPECT_EQ(WithCloseRule(c.after, {"Editor", ""}, c.disable, c.present), c.after);
  }
}

TEST(KWinRulesTest, CaptionsAreWrittenAsKConfigReadsThem) {
  for (const std::string caption : {" lead and trail ", "back\\slash\tand\nlines", "\x01"}) {
    const std::string text = WithCloseRule("", {caption, ""}, true, {});
    const std::size_t at = text.find("title=") + 6;
    const std::string value = text.substr(at, text.find('\n', at) - at);
    EXPECT_EQ(value.find_first_of("\t\n\x01"), std::string::npos);
    EXPECT_EQ(std::pair(value.starts_with(' '), value.ends_with(' ')), std::pair(false, false));
    EXPECT_EQ(ConfigUnescape(value), caption);
    EXPECT_EQ(WithCloseRule(text, {caption, ""}, false, {}), "[General]\ncount=0\nrules=\n\n");
  }
}

// A rule is one program's: another program's rule for the same title is another rule, and a
// rule of the program goes with the program's end whatever it matched.
TEST(KWinRulesTest, RulesAreNarrowedToTheWindowsProgram) {
  const std::string editor = WithCloseRule("", {"Twin", "editor"}, true, {});
  EXPECT_NE(editor.find("title=Twin\ntitlematch=1\nwmclass=editor\nwmclasscomplete=false\n"
                        "wmclassmatch=1\n"),
            std::string::npos);
  const std::string both = WithCloseRule(editor, {"Twin", "viewer"}, true, {"Twin"});
  EXPECT_NE(both.find("rules=hoverdeck-1,hoverdeck-2\n"), std::string::npos);
  EXPECT_EQ(WithCloseRule(both, {"Twin", "viewer"}, false, {"Twin"}), editor + "\n");
  const std::string mine = "[General]\nrules=mine\ncount=1\n\n[mine]\nk=v\n";
  EXPECT_EQ(WithoutOwnRules(WithListRules(WithCloseRule(mine, {"Twin", "viewer"}, true, {}),
                                          {"Twin"}, false)),
            mine + "\n");
}

TEST(KWinRulesTest, RuleTitleIsTheCaptionWithoutKWinsNumbering) {
  const std::string mark = "\xe2\x80\x8e";
  for (const auto& [caption, title] : {std::pair<std::string, std::string>{"Twin <2>" + mark, "Twin"},
                                       {"Twin <12>" + mark, "Twin"},
                                       {"Twin <2>", "Twin <2>"},
                                       {"Twin <x>" + mark, "Twin <x>"},
                                       {"<3>" + mark, "<3>"},
                                       {"A <2> <3>" + mark, "A <2>"}}) {
    EXPECT_EQ(KWinRuleTitle(caption), title) << caption;
  }
}

TEST(KWinWindowTableTest, WalksListedWindowsTopFirstAndCountsOnlyRealChanges) {
  KWinWindowTable table;
  const std::uint32_t listed = kKWinListed | kKWinShown;
  for (const char* id : {"a", "b", "panel", "c"}) {
    table.Update({id, id, std::string(id) == "panel" ? 0u : listed, 0, 0, ""});
  }
  table.Restack("a panel c b");
  const auto walk = [&] {
    std::string order;
    for (WindowHandle w = table.First(); w != kNoWindow; w = table.Next(w)) {
      order += table.Find(w)->id;
    }
    return order;
  };
  EXPECT_EQ(walk(), "bca");
  table.Update({"d", "d", listed, 0, 0, ""});  // not placed yet: the newest, on top
  EXPECT_EQ(walk(), "dbca");
  const std::uint64_t revision = table.Revision();
  table.Update({"d", "d", listed, 0, 0, ""});
  table.Restack("a panel c b");
  EXPECT_EQ(table.Revision(), revision);
  const WindowHandle d = table.First();
  table.Remove("d");
  table.Update({"d", "d", listed | kKWinKeepAbove, 0, 0, ""});
  EXPECT_GT(table.Revision(), revision + 1);
  EXPECT_EQ(std::tuple(table.Find(d), walk()), std::tuple(nullptr, "dbca"));  // never given twice
}

}  // namespace
}  // namespace hoverdeck
