// The rule catalogues as loaded, with the file sorted at once.
#include <gtest/gtest.h>

#include "rules/Catalogue.h"
#include "support/IniCorpus.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

using namespace hoverdeck::testing;

// The catalogue's entries as "text" + flag, separated by blanks.
std::string Entries(const Catalogue& catalogue) {
  std::string loaded;
  for (int p = 1; p <= catalogue.count(); ++p)
    loaded += (p > 1 ? " " : "") + catalogue.entry(p).text + catalogue.entry(p).checked;
  return loaded;
}

// Whatever the file held, it then lists the entries in the order of the list, the rest kept.
TEST(CatalogueTest, LoadsTheCorpusAsListed) {
  const auto loads = LoadIniCorpus("catalogue-loads.txt").lines;
  ASSERT_GE(loads.size(), 7u);
  for (const auto& load : loads) {
    SCOPED_TRACE(load.verb);
    ASSERT_EQ(load.fields.size(), 3u);
    TempDir dir;
    const std::string content = "; kept\n" + load.fields[0] + "[Other]\nk=v\n";
    WriteBytes(dir.File("a.ini"), content);
    ConfigFile file(dir.File("a.ini"), LineEnding::kLf);
    for (const bool again : {false, true}) {
      Catalogue catalogue(kTopMostWindowsSection);
      SortedList list;
      list.Add("stale");
      list.SetListIndex(0);
      LoadCatalogue(file, catalogue, list);
      EXPECT_EQ(Entries(catalogue) + "/" + std::to_string(list.Count() - catalogue.count()) +
                    std::to_string(list.ListIndex()) + file.Read("Other", "k"),
                load.fields[1] + "/0-1v");
      EXPECT_TRUE(again || (ReadBytes(file.path()) != content) == (load.fields[2] == "rewritten"));
    }
  }
}

}  // namespace
}  // namespace hoverdeck
