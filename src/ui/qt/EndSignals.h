// SIGTERM, SIGHUP and SIGINT (the session closing, the terminal going, Ctrl+C) end the program
// through its normal exit: the signal only wakes the event loop, which then calls `on_end`.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace hoverdeck {

class EndSignals final : public QObject {
 public:
  // Nothing when the signals cannot be watched; they then end the program the system's way.
  static std::unique_ptr<EndSignals> Watch(std::function<void()> on_end);
  ~EndSignals() override;

 private:
  EndSignals(int read_end, std::function<void()> on_end);

  int read_end_;
  QSocketNotifier* notifier_;
  std::function<void()> on_end_;
};

}  // namespace hoverdeck
