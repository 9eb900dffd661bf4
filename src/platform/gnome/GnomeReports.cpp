#include "platform/gnome/GnomeReports.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

namespace hoverdeck {
namespace {

std::optional<std::string> Text(const QVariantList& arguments, int index) {
  if (index >= arguments.size() || arguments[index].typeId() != QMetaType::QString) {
    return std::nullopt;
  }
  return arguments[index].toString().toStdString();
}
std::optional<std::uint32_t> Number(const QVariantList& arguments, int index) {
  if (index >= arguments.size() || arguments[index].typeId() != QMetaType::UInt) {
    return std::nullopt;
  }
  return arguments[index].toUInt();
}

}  // namespace

GnomeReports::GnomeReports(KWinWindowTable& table, QString sender)
    : table_(table), sender_(std::move(sender)) {}

QString GnomeReports::introspect(const QString& /*path*/) const {
  return QStringLiteral(
             "<interface name=\"%1\">"
             "<method name=\"Window\"><arg name=\"id\" type=\"s\" direction=\"in\"/>"
             "<arg name=\"caption\" type=\"s\" direction=\"in\"/>"
             "<arg name=\"flags\" type=\"u\" direction=\"in\"/>"
             "<arg name=\"pid\" type=\"u\" direction=\"in\"/>"
             "<arg name=\"xid\" type=\"u\" direction=\"in\"/></method>"
             "<method name=\"Gone\"><arg name=\"id\" type=\"s\" direction=\"in\"/></method>"
             "<method name=\"Stacking\"><arg name=\"bottom_up\" type=\"s\" direction=\"in\"/>"
             "</method><method name=\"Ready\"/><method name=\"Stopped\"/>"
             "<method name=\"Switched\"><arg name=\"id\" type=\"s\" direction=\"in\"/>"
             "<arg name=\"caption\" type=\"s\" direction=\"in\"/>"
             "<arg name=\"topmost\" type=\"b\" direction=\"in\"/>"
             "<arg name=\"changed\" type=\"b\" direction=\"in\"/></method></interface>")
      .arg(QLatin1String(kInterface));
}

bool GnomeReports::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  ++messages_;
  if (message.type() != QDBusMessage::MethodCallMessage) return false;
  // Only GNOME Shell, where the extension runs, may tell us about windows.
  if (message.service() != sender_ || message.interface() != QLatin1String(kInterface)) {
    connection.send(message.createErrorReply(QDBusError::AccessDenied, QString()));
    return true;
  }
  const QVariantList arguments = message.arguments();
  const QString member = message.member();
  if (member == QLatin1String("Window")) {
    const auto id = Text(arguments, 0);
    const auto caption = Text(arguments, 1);
    const auto flags = Number(arguments, 2);
    const auto pid = Number(arguments, 3);
    const auto xid = Number(arguments, 4);
    if (id && caption && flags && pid && xid) {
      table_.Update({*id, *caption, *flags, *pid, *xid, {}});
    }
  } else if (member == QLatin1String("Gone")) {
    if (const auto id = Text(arguments, 0)) table_.Remove(*id);
  } else if (member == QLatin1String("Stacking")) {
    if (const auto ids = Text(arguments, 0)) table_.Restack(*ids);
  } else if (member == QLatin1String("Ready")) {
    running_ = true;
  } else if (member == QLatin1String("Switched")) {
    const auto id = Text(arguments, 0);
    const auto caption = Text(arguments, 1);
    if (id && caption && arguments.size() == 4 && switched_) {
      switched_({table_.HandleOf(*id), *caption, arguments[2].toBool(), arguments[3].toBool()});
    }
  } else if (member == QLatin1String("Stopped")) {
    // Turned off (the screen locked, or by the user): nothing is known until it reports again.
    running_ = false;
    table_.Clear();
    table_.Restack("");
  } else {
    connection.send(message.createErrorReply(QDBusError::UnknownMethod, member));
    return true;
  }
  connection.send(message.createReply());
  return true;
}

void GnomeReports::TakeIn() { QCoreApplication::sendPostedEvents(this, 0); }

}  // namespace hoverdeck
