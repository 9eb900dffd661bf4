// Time of the settings file's two heavy moments: the start-up load of a large INI and the save
// of a full catalogue.
#include <benchmark/benchmark.h>

#include "app/Settings.h"
#include "rules/Catalogue.h"
#include "support/TempDir.h"

namespace hoverdeck {
namespace {

std::string CatalogueText(int entries) {
  std::string text = "[TopMostWindows]\n";
  for (int i = 1; i <= entries; ++i) {
    // Zero-padded so that the file order is the sorted order (no re-save at load).
    char name[32];
    std::snprintf(name, sizeof name, "Rule %03d", i);
    text += "Win" + std::to_string(i) + "=" + name + "\nchkWin" + std::to_string(i) + "=1\n";
  }
  return text;
}

// A file of about `bytes`: the settings, a full catalogue, and a section of other keys.
std::string LargeIni(std::size_t bytes) {
  std::string text = "[Configuration]\nSetAllTopMost=1\nConstTopMost=[TOP]\nMinimized=0\n";
  text += CatalogueText(Catalogue::kCapacity);
  text += "[Notes]\n";
  for (int i = 0; text.size() < bytes; ++i) {
    text += "Note" + std::to_string(i) + "=some text the user keeps beside the settings\n";
  }
  return text;
}

void BM_StartupLoad1MB(benchmark::State& state) {
  testing::TempDir dir;
  const auto path = dir.File("Hoverdeck.ini");
  testing::WriteBytes(path, LargeIni(1 << 20));
  for (auto _ : state) {
    // As the program starts: one reading of the file for everything.
    ConfigFile file(path);
    ConfigFile::Batch batch(file);
    Settings settings = LoadSettings(file);
    Catalogue topmost(kTopMostWindowsSection), close(kDisableXSection);
    SortedList topmost_list, close_list;
    LoadCatalogue(file, topmost, topmost_list);
    LoadCatalogue(file, close, close_list);
    batch.Commit();
    benchmark::DoNotOptimize(settings.SetAllTopMost);
    benchmark::DoNotOptimize(topmost.count());
  }
}

void BM_CatalogueSave100(benchmark::State& state) {
  testing::TempDir dir;
  const auto path = dir.File("Hoverdeck.ini");
  testing::WriteBytes(path, "[Configuration]\nSetAllTopMost=1\n" + CatalogueText(100));
  ConfigFile file(path);
  Catalogue catalogue(kTopMostWindowsSection);
  SortedList list;
  for (int i = 1; i <= Catalogue::kCapacity; ++i) list.Add("Saved rule " + std::to_string(i), true);
  bool checked = true;
  for (auto _ : state) {
    // A change each time, so that each save really writes.
    checked = !checked;
    list.SetChecked(0, checked);
    SaveCatalogue(file, catalogue, list);
  }
}

BENCHMARK(BM_StartupLoad1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CatalogueSave100)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace hoverdeck

BENCHMARK_MAIN();
