// Whether the desktop has a notification area now, asked often (every tick) and cheaply.
#pragma once

#include <QDBusServiceWatcher>

namespace hoverdeck {

class TrayAvailability {
 public:
  TrayAvailability();
  // Qt's answer. Where the area is reached over D-Bus, Qt opens a new bus connection for every
  // answer, so that one is kept until the area's owner on the bus changes.
  bool Available();

 private:
  QDBusServiceWatcher watch_;
  bool known_ = false;
  bool over_dbus_ = false;
  bool available_ = false;
};

}  // namespace hoverdeck
