#include "ui/qt/QtTray.h"

#include <QPainter>
#include <QPixmap>
#include <QString>

namespace hoverdeck {
namespace {

constexpr int kNoticeMs = 5000;

}  // namespace

TrayMouseEvent TrayEventFor(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::DoubleClick:
      return TrayMouseEvent::kLeftDoubleClick;
    case QSystemTrayIcon::Context:
      return TrayMouseEvent::kRightDown;
    case QSystemTrayIcon::Trigger:
      return TrayMouseEvent::kLeftDown;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
      break;
  }
  return TrayMouseEvent::kOther;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 22, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    // Two stacked cards, the upper one in the banner blue: a window above another.
    painter.setPen(QPen(Qt::black, unit));
    painter.setBrush(QColor(0xE0, 0xE0, 0xE0));
    painter.drawRect(QRectF(1 * unit, 5 * unit, 10 * unit, 9 * unit));
    painter.setBrush(QColor(0x80, 0x80, 0xFF));
    painter.drawRect(QRectF(5 * unit, 1 * unit, 10 * unit, 9 * unit));
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

QtTray::QtTray() = default;
QtTray::~QtTray() = default;

bool QtTray::Add(const std::string& tip) {
  wanted_ = true;
  tip_ = QString::fromStdString(tip);
  return Show();
}

bool QtTray::Show() {
  if (!(probe_ ? probe_() : QSystemTrayIcon::isSystemTrayAvailable())) {
    shown_in_tray_ = false;
    return false;
  }
  if (!icon_) {
    icon_ = std::make_unique<QSystemTrayIcon>(ProgramIcon());
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                       if (handler_) handler_(TrayEventFor(reason));
                     });
  }
  // The same tip again, as at most ticks, is no news to the icon.
  if (icon_->toolTip() != tip_) icon_->setToolTip(tip_);
  if (!shown_in_tray_) {
    // A notification area that came (again) since the icon was last shown: show it afresh.
    icon_->hide();
    icon_->show();
    shown_in_tray_ = true;
  }
  return true;
}

bool QtTray::ModifyTip(const std::string& tip) {
  tip_ = QString::fromStdString(tip);
  if (wanted_) return Show();
  return false;
}

bool QtTray::Delete() {
  wanted_ = false;
  shown_in_tray_ = false;
  if (!icon_) return false;
  // Deferred: Exit in the icon's own menu runs inside the icon's mouse handler. The event loop
  // deletes it at once, or on its way out when the program ends.
  icon_.release()->deleteLater();
  return true;
}

bool QtTray::Notify(const std::string& title, const std::string& text) {
  if (!icon_ || !shown_in_tray_) return false;
  icon_->showMessage(QString::fromStdString(title), QString::fromStdString(text),
                     QSystemTrayIcon::Information, kNoticeMs);
  return true;
}

}  // namespace hoverdeck
