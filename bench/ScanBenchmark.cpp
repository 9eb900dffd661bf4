// Time of one scan per window on simulated desktops, and the writes a steady-state scan makes.
#include <benchmark/benchmark.h>

#include "inventory/WindowScan.h"
#include "support/ScriptedDialogs.h"
#include "support/SimulatedDesktop.h"

namespace hoverdeck {
namespace {

enum class Mode { kPlain, kMarker, kAllTopmostMinimised };

void BM_ScanWindows(benchmark::State& state, Mode mode) {
  const int window_count = static_cast<int>(state.range(0));
  testing::SimulatedDesktop desktop;
  for (int i = 0; i < window_count; ++i) {
    // One window in ten is topmost; a few are of the kinds the filter drops.
    testing::SimWindow window;
    window.caption = "Document " + std::to_string(i) + " - Editor";
    window.topmost = i % 10 == 0;
    window.visible = i % 17 != 0;
    desktop.Open(window);
  }
  testing::FakeTray tray;
  tray.Add("Hoverdeck 1.1h");

  Settings settings;
  Catalogue topmost_rules(kTopMostWindowsSection);
  Catalogue close_rules(kDisableXSection);
  SortedList rules;
  rules.Add("Mail", true);
  close_rules.RebuildFrom(rules);
  if (mode == Mode::kMarker) settings.SetTopMostCaption = true;
  if (mode == Mode::kAllTopmostMinimised) {
    settings.SetAllTopMost = true;
    topmost_rules.RebuildFrom(rules);
  }
  const bool minimised = mode == Mode::kAllTopmostMinimised;
  ScanInputs inputs{kNoWindow, &settings, &topmost_rules, &close_rules,
                    [minimised] { return minimised; }};
  WindowTables tables;

  // The first scans bring the desktop into line with the rules (a scan that lifts windows into
  // the topmost band walks them again, so a huge first change may take a few scans); the timed
  // scans then find it so.
  int settling_scans = 0;
  do {
    desktop.ResetWrites();
    ScanWindows(desktop, tray, inputs, tables);
    ++settling_scans;
  } while (desktop.writes().total() != 0 && settling_scans < 20);
  desktop.ResetWrites();
  for (auto _ : state) {
    ScanWindows(desktop, tray, inputs, tables);
    benchmark::DoNotOptimize(tables.NonTopmostCount());
  }
  state.counters["windows"] = window_count;
  state.counters["settling_scans"] = settling_scans;
  state.counters["ns_per_window"] = benchmark::Counter(
      static_cast<double>(window_count),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert,
      benchmark::Counter::kIs1000);
  state.counters["steady_writes"] =
      static_cast<double>(desktop.writes().total()) / static_cast<double>(state.iterations());
}

BENCHMARK_CAPTURE(BM_ScanWindows, plain, Mode::kPlain)->Arg(100)->Arg(1000)->Arg(3000);
BENCHMARK_CAPTURE(BM_ScanWindows, marker_on, Mode::kMarker)->Arg(100)->Arg(1000)->Arg(3000);
BENCHMARK_CAPTURE(BM_ScanWindows, all_topmost_minimised, Mode::kAllTopmostMinimised)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(3000);

}  // namespace
}  // namespace hoverdeck

BENCHMARK_MAIN();
