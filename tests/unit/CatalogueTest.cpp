// The rule catalogues as loaded, with the file sorted at once.
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

}  // namespace
}  // namespace hoverdeck
