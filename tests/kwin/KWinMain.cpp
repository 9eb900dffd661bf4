// The KWin suites' main: one Qt application object; with --connect-and-crash, a run of the
// program that starts the KWin adapter and dies without cleaning up.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>
#include <cstring>

#include "platform/kwin/KWinWindowSystem.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc > 1 && std::strcmp(argv[1], "--connect-and-crash") == 0) {
    auto windows = hoverdeck::KWinWindowSystem::Connect("");
    std::abort();
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
