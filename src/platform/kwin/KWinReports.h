// The program's D-Bus object that KWin's script calls: the reports of the windows go into a
// table, and the script's standing call for a command is held until there is one.
#pragma once

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

#include "platform/GlobalHotkey.h"
#include "platform/kwin/KWinWindowTable.h"

namespace hoverdeck {

// A command for the script: a name it knows, a window by KWin's id, and a value.
struct KWinCommand {
  QString name;
  QString id;
  bool value = false;
};

class KWinReports final : public QDBusVirtualObject {
 public:
  static constexpr const char* kPath = "/Windows";
  static constexpr const char* kInterface = "org.example.Hoverdeck.KWinWindows";

  // Takes calls only from `sender`, the unique bus name of KWin. `lost` is called (from the
  // event loop) when the script's next call for a command does not come: it is not running.
  KWinReports(KWinWindowTable& table, QString sender, std::function<void()> lost);

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
  QString introspect(const QString& path) const override;

  // What the script did after a press of the program's key combination goes to `switched`.
  void OnSwitched(std::function<void(const HotkeySwitch&)> switched) {
    switched_ = std::move(switched);
  }
  // Hands the command to the script now when it is waiting for one, or with its next call.
  void Send(KWinCommand command);
  // Delivers the calls that have come in since the event loop last ran, and no other event.
  void TakeIn();
  // Whether the script has reported every window it started with.
  bool Ready() const { return ready_; }
  // The messages taken in and sent since the start: none while nothing changes.
  std::uint64_t Messages() const { return messages_; }

 private:
  bool Answer(QDBusMessage reply);
  void AnswerPoll();
  void AnswerPoll(const QVariantList& command);

  KWinWindowTable& table_;
  QString sender_;
  std::optional<QDBusMessage> poll_;
  std::deque<KWinCommand> commands_;
  std::function<void(const HotkeySwitch&)> switched_;
  // A held call is answered with no command before the caller's bus gives up on it.
  QTimer poll_limit_;
  // Runs from an answer to the script's next call; the script is gone when it runs out.
  QTimer next_poll_;
  bool ready_ = false;
  std::uint64_t messages_ = 0;
};

}  // namespace hoverdeck
