// A stand-in for the notification area of a Plasma session, which headless KWin lacks: owns
// org.kde.StatusNotifierWatcher on the session bus, says a host is there and takes every item's
// registration, so that Qt programs can sit in the tray. run-kwin-bench.sh uses it.
//
//   hoverdeck_sni_watcher
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QStringList>

namespace {

const QString kInterface = QStringLiteral("org.kde.StatusNotifierWatcher");

class Watcher final : public QDBusVirtualObject {
 public:
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
    const QString member = message.member();
    QVariantMap properties{{"IsStatusNotifierHostRegistered", true},
                           {"ProtocolVersion", 0},
                           {"RegisteredStatusNotifierItems", items_}};
    if (member == "RegisterStatusNotifierItem" || member == "RegisterStatusNotifierHost") {
      if (member == "RegisterStatusNotifierItem") items_ << message.arguments().value(0).toString();
      bus.send(message.createReply());
    } else if (member == "Get") {
      const QVariant value = properties.value(message.arguments().value(1).toString());
      bus.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
    } else if (member == "GetAll") {
      bus.send(message.createReply(properties));
    } else if (member == "Introspect") {
      bus.send(message.createReply(
          "<node><interface name=\"org.freedesktop.DBus.Properties\"><method name=\"Get\">"
          "<arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/><arg type=\"v\" "
          "direction=\"out\"/></method></interface>" +
          introspect({}) + "</node>"));
    } else {
      bus.send(message.createErrorReply(QDBusError::UnknownMethod, member));
    }
    return true;
  }
  QString introspect(const QString&) const override {
    return "<interface name=\"" + kInterface +
           "\"><method name=\"RegisterStatusNotifierItem\"><arg type=\"s\" direction=\"in\"/>"
           "</method><method name=\"RegisterStatusNotifierHost\"><arg type=\"s\" "
           "direction=\"in\"/></method><property name=\"IsStatusNotifierHostRegistered\" "
           "type=\"b\" access=\"read\"/><property name=\"ProtocolVersion\" type=\"i\" "
           "access=\"read\"/><property name=\"RegisteredStatusNotifierItems\" type=\"as\" "
           "access=\"read\"/></interface>";
  }

 private:
  QStringList items_;
};

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  Watcher watcher;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerVirtualObject("/StatusNotifierWatcher", &watcher) ||
      !bus.registerService(kInterface)) {
    return 1;
  }
  return QCoreApplication::exec();
}
