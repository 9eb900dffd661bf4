#include "ui/qt/TrayAvailability.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSystemTrayIcon>

namespace hoverdeck {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

}  // namespace

TrayAvailability::TrayAvailability()
    : watch_(kWatcher, QDBusConnection::sessionBus(), QDBusServiceWatcher::WatchForOwnerChange) {
  QObject::connect(&watch_, &QDBusServiceWatcher::serviceOwnerChanged, [this] { known_ = false; });
}

bool TrayAvailability::Available() {
  if (!known_) {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    over_dbus_ = bus != nullptr && bus->isServiceRegistered(kWatcher).value();
    available_ = QSystemTrayIcon::isSystemTrayAvailable();
    known_ = true;
  }
  return over_dbus_ ? available_ : QSystemTrayIcon::isSystemTrayAvailable();
}

}  // namespace hoverdeck
