#include "ui/qt/QtTray.h"

#include <QPainter>
#include <QPixmap>
#include <QString>

namespace hoverdeck {

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
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
  if (!icon_) {
    icon_ = std::make_unique<QSystemTrayIcon>(ProgramIcon());
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                       if (handler_) handler_(TrayEventFor(reason));
                     });
  }
  icon_->setToolTip(QString::fromStdString(tip));
  icon_->show();
  return true;
}

bool QtTray::ModifyTip(const std::string& tip) {
  if (!icon_) return false;
  icon_->setToolTip(QString::fromStdString(tip));
  return true;
}

bool QtTray::Delete() {
  if (!icon_) return false;
  // Gone from the notification area at once; the object itself later, since Exit in the
  // icon's own menu runs inside the icon's mouse handler.
  icon_->hide();
  icon_.release()->deleteLater();
  return true;
}

}  // namespace hoverdeck
