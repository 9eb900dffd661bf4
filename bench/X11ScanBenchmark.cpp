// The scan against a real X server: wall time and round trips of ScanWindows over the windows on
// the display, and beside it the wall time of `wmctrl -l` listing the same windows. Prints one
// table row; run-x11-bench.sh prepares the display and prints the table around it.
//
//   hoverdeck_x11_scan_bench [--scans K] [--wmctrl-runs R]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "actions/WindowWalk.h"
#include "inventory/WindowScan.h"
#include "platform/x11/X11WindowSystem.h"
#include "support/ScriptedDialogs.h"

extern char** environ;

namespace hoverdeck {
namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration elapsed) {
  return std::chrono::duration<double, std::milli>(elapsed).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Listing {
  double milliseconds = 0;
  int lines = 0;
};

// One run of `wmctrl -l`, from start to exit, its output read through a pipe; nullopt when it
// cannot be run or fails.
std::optional<Listing> RunWmctrl() {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  char program[] = "wmctrl";
  char option[] = "-l";
  char* argv[] = {program, option, nullptr};
  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    return std::nullopt;
  }
  Listing listing;
  char buffer[65536];
  for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;) {
    listing.lines += static_cast<int>(std::count(buffer, buffer + got, '\n'));
  }
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  listing.milliseconds = Milliseconds(Clock::now() - start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return listing;
}

int Run(int scans, int wmctrl_runs) {
  auto x = X11WindowSystem::Connect();
  if (!x) {
    std::cerr << "hoverdeck_x11_scan_bench: no X display\n";
    return 1;
  }
  // No rule and no switch on: a scan that finds nothing to change, as on most seconds.
  Settings settings;
  Catalogue topmost_rules{kTopMostWindowsSection};
  Catalogue close_rules{kDisableXSection};
  testing::FakeTray tray;
  tray.Add("Hoverdeck");
  ScanInputs inputs{kNoWindow, &settings, &topmost_rules, &close_rules, [] { return false; }};
  WindowTables tables;

  // The first scan of a new connection learns the frames of every window.
  std::uint64_t before = x->RoundTrips();
  auto start = Clock::now();
  ScanWindows(*x, tray, inputs, tables);
  const double first_ms = Milliseconds(Clock::now() - start);
  const std::uint64_t first_trips = x->RoundTrips() - before;

  std::vector<double> times;
  before = x->RoundTrips();
  const std::clock_t cpu_start = std::clock();
  for (int i = 0; i < scans; ++i) {
    // Emptied tables make the scan walk every window again.
    tables.Clear();
    start = Clock::now();
    ScanWindows(*x, tray, inputs, tables);
    times.push_back(Milliseconds(Clock::now() - start));
  }
  const double cpu_ms = 1000.0 * static_cast<double>(std::clock() - cpu_start) /
                        CLOCKS_PER_SEC / static_cast<double>(scans);
  const double trips_per_scan =
      static_cast<double>(x->RoundTrips() - before) / static_cast<double>(scans);
  // As the program scans a desktop that stays as it is: the last scan's tables are kept.
  std::vector<double> unchanged_times;
  for (int i = 0; i < scans; ++i) {
    start = Clock::now();
    ScanWindows(*x, tray, inputs, tables);
    unchanged_times.push_back(Milliseconds(Clock::now() - start));
  }
  const int listed = tables.TopmostCount() + tables.NonTopmostCount();
  int kept = 0;
  WalkKeptWindows(*x, kNoWindow, [&kept](WindowHandle, std::string&) { ++kept; });

  std::vector<double> wmctrl_times;
  int wmctrl_lines = -1;
  for (int i = 0; i < wmctrl_runs; ++i) {
    const auto listing = RunWmctrl();
    if (!listing) break;
    wmctrl_times.push_back(listing->milliseconds);
    wmctrl_lines = listing->lines;
  }

  const double scan_ms = Median(times);
  const double unchanged_ms = Median(unchanged_times);
  char row[512];
  if (wmctrl_times.empty()) {
    std::snprintf(row, sizeof row,
                  "| %5d | %6d | %8.2f (%llu) | %9.3f | %8.3f | %7.3f | %7.2f | %9.4f | %12s | "
                  "%6s | %7s |",
                  kept, listed, first_ms, static_cast<unsigned long long>(first_trips), scan_ms,
                  *std::min_element(times.begin(), times.end()), cpu_ms, trips_per_scan,
                  unchanged_ms, "n/a", "n/a", "n/a");
  } else {
    const double wmctrl_ms = Median(wmctrl_times);
    std::snprintf(row, sizeof row,
                  "| %5d | %6d | %8.2f (%llu) | %9.3f | %8.3f | %7.3f | %7.2f | %9.4f | %12.2f | "
                  "%6d | %6.1fx |",
                  kept, listed, first_ms, static_cast<unsigned long long>(first_trips), scan_ms,
                  *std::min_element(times.begin(), times.end()), cpu_ms, trips_per_scan,
                  unchanged_ms, wmctrl_ms, wmctrl_lines, wmctrl_ms / scan_ms);
  }
  std::cout << row << std::endl;
  return 0;
}

}  // namespace
}  // namespace hoverdeck

int main(int argc, char** argv) {
  int scans = 50;
  int wmctrl_runs = 7;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (option == "--scans" && value > 0) {
      scans = value;
    } else if (option == "--wmctrl-runs" && value > 0) {
      wmctrl_runs = value;
    } else {
      std::cerr << "usage: hoverdeck_x11_scan_bench [--scans K] [--wmctrl-runs R]\n";
      return 2;
    }
  }
  return hoverdeck::Run(scans, wmctrl_runs);
}
