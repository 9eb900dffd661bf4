// The program's D-Bus object that its GNOME Shell extension calls: the reports of the windows go
// into a table; the extension says when it is ready and when it is turned off.
#pragma once

#include <QDBusVirtualObject>
#include <QString>
#include <cstdint>
#include <functional>

#include "platform/GlobalHotkey.h"
#include "platform/kwin/KWinWindowTable.h"

namespace hoverdeck {

// The extension's flags are those of KWin's script (kKWin...), and these.
inline constexpr std::uint32_t kGnomeMinimized = 32;
inline constexpr std::uint32_t kGnomeXWayland = 64;

class GnomeReports final : public QDBusVirtualObject {
 public:
  static constexpr const char* kPath = "/GnomeWindows";
  static constexpr const char* kInterface = "org.example.Hoverdeck.GnomeWindows";

  // Takes calls only from `sender`, the unique bus name of GNOME Shell.
  GnomeReports(KWinWindowTable& table, QString sender);

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
  QString introspect(const QString& path) const override;

  // What the extension did after a press of the program's key combination goes to `switched`.
  void OnSwitched(std::function<void(const HotkeySwitch&)> switched) {
    switched_ = std::move(switched);
  }
  // Delivers the calls that have come in since the event loop last ran, and no other event.
  void TakeIn();
  // Whether the extension has reported every window and has not been turned off since.
  bool Running() const { return running_; }
  // The messages taken in since the start: none while nothing changes.
  std::uint64_t Messages() const { return messages_; }

 private:
  KWinWindowTable& table_;
  QString sender_;
  std::function<void(const HotkeySwitch&)> switched_;
  bool running_ = false;
  std::uint64_t messages_ = 0;
};

}  // namespace hoverdeck
