// The tray port on QSystemTrayIcon. The icon's mouse events go to a handler the main window
// sets once the form exists.
#pragma once

#include <QIcon>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

#include "platform/Tray.h"
#include "ui/frmTop.h"

namespace hoverdeck {

// The core's tray event for Qt's activation reason.
TrayMouseEvent TrayEventFor(QSystemTrayIcon::ActivationReason reason);

// The program's icon, drawn so the edition needs no image file.
QIcon ProgramIcon();

class QtTray final : public Tray {
 public:
  QtTray();
  ~QtTray() override;

  void SetHandler(std::function<void(TrayMouseEvent)> handler) { handler_ = std::move(handler); }
  // Answers whether the desktop has a notification area; Qt is asked directly without one.
  void SetAvailabilityProbe(std::function<bool()> probe) { probe_ = std::move(probe); }

  // False when the desktop has no notification area (yet): the icon then appears with the
  // first tip change after one has come.
  bool Add(const std::string& tip) override;
  bool ModifyTip(const std::string& tip) override;
  bool Delete() override;
  // A balloon message of the icon (a desktop notification where the tray is a status notifier).
  bool Notify(const std::string& title, const std::string& text) override;

  bool Present() const { return icon_ && shown_in_tray_; }

 private:
  // Shows the icon with the current tip where a notification area is there to take it.
  bool Show();

  std::unique_ptr<QSystemTrayIcon> icon_;
  std::function<void(TrayMouseEvent)> handler_;
  std::function<bool()> probe_;
  QString tip_;
  bool wanted_ = false;
  bool shown_in_tray_ = false;
};

}  // namespace hoverdeck
