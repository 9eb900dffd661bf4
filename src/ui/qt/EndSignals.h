// SIGTERM, SIGHUP and SIGINT (the session closing, the terminal going, Ctrl+C) end the program
// through its normal exit: the signal only wakes the event loop, which then calls `on_end`.
#pragma once

#include <csignal>
#include <functional>
#include <memory>

#include <QObject>

class QSocketNotifier;

namespace hoverdeck {

inline constexpr int kEndSignalCount = 3;

// Leaves the event loop, so that the program ends through its normal exit, without asking any
// window to close first: QCoreApplication::quit() may (from Qt 6.5), and the main window would
// then ask its quit question.
void EndEventLoop();

class EndSignals final : public QObject {
 public:
  // Nothing when the signals cannot be watched; they then end the program the system's way. A
  // signal the program was started with set to be ignored (nohup's SIGHUP) stays ignored.
  static std::unique_ptr<EndSignals> Watch(std::function<void()> on_end);
  // Gives each signal back what it had before Watch.
  ~EndSignals() override;

 private:
  EndSignals(int read_end, std::function<void()> on_end);

  int read_end_;
  struct sigaction before_[kEndSignalCount] {};  // each signal's action before Watch
  QSocketNotifier* notifier_;
  std::function<void()> on_end_;
};

}  // namespace hoverdeck
