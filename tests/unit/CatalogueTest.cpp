// The rule catalogues: loading, with the file sorted at once, and the check toggle.
#include <gtest/gtest.h>

#include "rules/Catalogue.h"
#include "support/IniCorpus.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

class CatalogueTest : public ::testing::Test {
 protected:
  ConfigFile File(const std::string& content) {
    WriteBytes(dir_.File("Hoverdeck.ini"), content);
    return ConfigFile(dir_.File("Hoverdeck.ini"), LineEnding::kLf);
  }
  // The catalogue's entries as "text" + flag, separated by blanks.
  static std::string Entries(const Catalogue& catalogue) {
    std::string loaded;
    for (int p = 1; p <= catalogue.count(); ++p)
      loaded += (p > 1 ? " " : "") + catalogue.entry(p).text + catalogue.entry(p).checked;
    return loaded;
  }
  TempDir dir_;
  Catalogue catalogue_{kTopMostWindowsSection};
  SortedList list_;
};

TEST_F(CatalogueTest, LoadsTheCorpusAsListed) {
  const auto loads = LoadIniCorpus("catalogue-loads.txt").lines;
  ASSERT_GE(loads.size(), 7u);
  for (const auto& load : loads) {
    SCOPED_TRACE(load.verb);
    ASSERT_EQ(load.fields.size(), 3u);
    auto file = File("; kept\n" + load.fields[0] + "[Other]\nk=v\n");
    list_.SetListIndex(0);
    LoadCatalogue(file, catalogue_, list_);
    EXPECT_EQ(Entries(catalogue_), load.fields[1]);
    EXPECT_EQ(list_.Count(), catalogue_.count());
    EXPECT_EQ(list_.ListIndex(), SortedList::kNoSelection);
    const bool rewritten = ReadBytes(file.path()) != "; kept\n" + load.fields[0] + "[Other]\nk=v\n";
    EXPECT_EQ(rewritten, load.fields[2] == "rewritten");
    // Whatever the file held, it now lists the entries in the order of the list.
    Catalogue reloaded(kTopMostWindowsSection);
    SortedList reloaded_list;
    LoadCatalogue(file, reloaded, reloaded_list);
    EXPECT_EQ(Entries(reloaded), load.fields[1]);
    EXPECT_EQ(file.Read("Other", "k"), "v");
  }
}

// After a hand-edited order was sorted, a toggle by position lands on the right text.
TEST_F(CatalogueTest, CheckToggleWritesOnlyTheChangedPosition) {
  auto file = File("[TopMostWindows]\nWin1=c\nchkWin1=1\nWin2=b\nchkWin2=1\nWin3=a\nchkWin3=1\n");
  LoadCatalogue(file, catalogue_, list_);
  const std::string sorted = ReadBytes(file.path());
  list_.SetListIndex(2);
  ToggleCatalogueCheck(file, catalogue_, list_, true);  // check box unchanged
  list_.SetChecked(2, false);
  ToggleCatalogueCheck(file, catalogue_, list_, false);  // window hidden: nothing
  EXPECT_EQ(catalogue_.entry(3).checked, "1");
  EXPECT_EQ(ReadBytes(file.path()), sorted);
  ToggleCatalogueCheck(file, catalogue_, list_, true);
  EXPECT_EQ(Entries(catalogue_), "a1 b1 c0");
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

}  // namespace
}  // namespace hoverdeck
