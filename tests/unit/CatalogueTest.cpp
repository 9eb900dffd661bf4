// The two rule catalogues: loading, saving, the check toggle and matching.
#include <gtest/gtest.h>

#include "rules/Catalogue.h"
#include "rules/RuleMatch.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

class CatalogueTest : public ::testing::Test {
 protected:
  ConfigFile File(const std::string& content) {
    WriteBytes(dir_.File("Hoverdeck.ini"), content);
    return ConfigFile(dir_.File("Hoverdeck.ini"), LineEnding::kLf);
  }
  static std::string Section(std::initializer_list<std::pair<const char*, const char*>> entries) {
    std::string text = "[TopMostWindows]\n";
    int p = 1;
    for (const auto& [win, chk] : entries) {
      text += "Win" + std::to_string(p) + "=" + win + "\n";
      if (chk != nullptr) text += "chkWin" + std::to_string(p) + "=" + chk + "\n";
      ++p;
    }
    return text;
  }
  TempDir dir_;
  Catalogue catalogue_{kTopMostWindowsSection};
  SortedList list_;
};

// Loading stops at the first missing or empty text, takes a flag as checked only for exactly "1"
// (blanks aside) and sorts the texts, each keeping its flag.
TEST_F(CatalogueTest, LoadsTextsAndFlags) {
  const std::pair<std::string, std::string> cases[] = {
      {"[Configuration]\nMinimized=1\n", ""},
      {"[TopMostWindows]\n", ""},
      {"[TopMostWindows]\nWin1=a\nWin2=b\nWin4=d\n", "a0 b0"},
      {"[TopMostWindows]\nWin1=a\nWin2=\nWin3=c\n", "a0"},
      {Section({{"a", "1"}, {"b", "0"}, {"c", "yes"}, {"d", nullptr}, {"e", " 1 "}}),
       "a1 b0 c0 d0 e1"},
      {Section({{"zeta", "1"}, {"Alpha", "0"}}), "Alpha0 zeta1"}};
  for (const auto& [content, expected] : cases) {
    auto file = File(content);
    LoadCatalogue(file, catalogue_, list_);
    std::string loaded;
    for (int p = 1; p <= catalogue_.count(); ++p)
      loaded += (p > 1 ? " " : "") + catalogue_.entry(p).text + catalogue_.entry(p).checked;
    EXPECT_EQ(loaded, expected) << content;
    EXPECT_EQ(list_.Count(), catalogue_.count());
    EXPECT_EQ(list_.ListIndex(), SortedList::kNoSelection);
  }
}

TEST_F(CatalogueTest, HandEditedOrderIsSortedAndSavedAtOnceKeepingEachFlagWithItsText) {
  auto file = File("; kept\n" + Section({{"zeta", "1"}, {"Alpha", "0"}}) + "[Other]\nk=v\n");
  LoadCatalogue(file, catalogue_, list_);
  EXPECT_EQ(ReadBytes(file.path()),
            "; kept\n[Other]\nk=v\n[TopMostWindows]\nWin1=Alpha\nchkWin1=0\nWin2=zeta\n"
            "chkWin2=1\n");
  // A toggle by position now lands on the right text.
  list_.SetListIndex(1);
  list_.SetChecked(1, false);
  ToggleCatalogueCheck(file, catalogue_, list_, true);
  Catalogue reloaded(kTopMostWindowsSection);
  SortedList reloaded_list;
  LoadCatalogue(file, reloaded, reloaded_list);
  ASSERT_EQ(reloaded.count(), 2);
  EXPECT_EQ(reloaded.entry(2).text, "zeta");
  EXPECT_EQ(reloaded.entry(2).checked, "0");
  EXPECT_EQ(reloaded.entry(1).checked, "0");
}

TEST_F(CatalogueTest, SortedFileIsNotRewrittenByLoading) {
  const std::string content = "[TopMostWindows]\r\nWin1=Alpha\r\nchkWin1=1\r\nWin2=beta\r\n";
  auto file = File(content);
  LoadCatalogue(file, catalogue_, list_);
  EXPECT_EQ(ReadBytes(file.path()), content);
}

TEST_F(CatalogueTest, SaveRenumbersWithoutGapsAndEmptyLeavesNoSection) {
  auto file = File(
      "[TopMostWindows]\nWin1=a\nchkWin1=1\nWin2=b\nchkWin2=0\nWin3=c\nchkWin3=1\n"
      "[DisableX]\nWin1=x\n");
  LoadCatalogue(file, catalogue_, list_);
  list_.RemoveAt(1);
  SaveCatalogue(file, catalogue_, list_);
  EXPECT_EQ(catalogue_.count(), 2);
  EXPECT_EQ(ReadBytes(file.path()),
            "[DisableX]\nWin1=x\n[TopMostWindows]\nWin1=a\nchkWin1=1\nWin2=c\nchkWin2=1\n");
  list_.Clear();
  SaveCatalogue(file, catalogue_, list_);
  EXPECT_EQ(catalogue_.count(), 0);
  EXPECT_EQ(ReadBytes(file.path()), "[DisableX]\nWin1=x\n");
}

TEST_F(CatalogueTest, TextsWithBlanksOrQuotesComeBackAsTheyWere) {
  auto file = File("");
  for (const char* text : {" lead", "trail ", "\"quoted\"", "'single'", "a=b", "[x]"}) {
    list_.Add(text, true);
  }
  SaveCatalogue(file, catalogue_, list_);
  Catalogue reloaded(kTopMostWindowsSection);
  SortedList reloaded_list;
  LoadCatalogue(file, reloaded, reloaded_list);
  ASSERT_EQ(reloaded.count(), catalogue_.count());
  for (int p = 1; p <= reloaded.count(); ++p) {
    EXPECT_EQ(reloaded.entry(p).text, catalogue_.entry(p).text);
  }
}

TEST_F(CatalogueTest, CheckToggleWritesOnlyTheChangedPosition) {
  auto file = File(Section({{"a", "1"}, {"b", "1"}, {"c", "1"}}));
  LoadCatalogue(file, catalogue_, list_);
  const std::string before = ReadBytes(file.path());

  list_.SetListIndex(2);
  ToggleCatalogueCheck(file, catalogue_, list_, true);  // check box unchanged
  EXPECT_EQ(ReadBytes(file.path()), before);

  list_.SetChecked(2, false);
  ToggleCatalogueCheck(file, catalogue_, list_, false);  // window hidden: nothing
  EXPECT_EQ(catalogue_.entry(3).checked, "1");
  EXPECT_EQ(ReadBytes(file.path()), before);

  ToggleCatalogueCheck(file, catalogue_, list_, true);
  EXPECT_EQ(catalogue_.entry(3).checked, "0");
  EXPECT_EQ(ReadBytes(file.path()),
            "[TopMostWindows]\nWin1=a\nchkWin1=1\nWin2=b\nchkWin2=1\nWin3=c\nchkWin3=0\n");

  list_.SetChecked(2, true);
  ToggleCatalogueCheck(file, catalogue_, list_, true);
  EXPECT_EQ(file.Read(kTopMostWindowsSection, "chkWin3"), "1");

  list_.SetListIndex(SortedList::kNoSelection);
  list_.SetChecked(0, false);
  ToggleCatalogueCheck(file, catalogue_, list_, true);  // no selection: nothing
  EXPECT_EQ(catalogue_.entry(1).checked, "1");
}

TEST_F(CatalogueTest, MatchingNeedsACheckedEntryOrTheSwitch) {
  auto file = File(Section({{"Note", "1"}, {"Mail", "0"}}));
  LoadCatalogue(file, catalogue_, list_);
  EXPECT_TRUE(CatalogueMatches(catalogue_, false, "Notepad"));
  EXPECT_TRUE(CatalogueMatches(catalogue_, false, "My Notes"));
  EXPECT_FALSE(CatalogueMatches(catalogue_, false, "notepad"));
  EXPECT_FALSE(CatalogueMatches(catalogue_, false, "Mailbox"));  // not checked
  EXPECT_TRUE(CatalogueMatches(catalogue_, true, "anything at all"));

  Catalogue empty(kDisableXSection);
  EXPECT_FALSE(CatalogueMatches(empty, true, "anything at all"));
}

}  // namespace
}  // namespace hoverdeck
