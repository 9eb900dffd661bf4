#include "platform/kwin/KWinReports.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QVariant>

namespace hoverdeck {
namespace {

// Below the 25 s after which KWin gives up on a call left unanswered.
constexpr int kPollLimitMs = 20000;
// The script calls again at once; a pause this long means it no longer runs.
constexpr int kNextPollMs = 3000;

// The argument at `index` when it has the wanted kind.
std::optional<QString> Text(const QVariantList& arguments, int index) {
  if (index >= arguments.size() || arguments[index].typeId() != QMetaType::QString) {
    return std::nullopt;
  }
  return arguments[index].toString();
}
// The script's numbers may arrive as integers or as doubles.
std::optional<std::uint32_t> Number(const QVariantList& arguments, int index) {
  if (index >= arguments.size()) return std::nullopt;
  bool ok = false;
  const double value = arguments[index].toDouble(&ok);
  if (!ok || value < 0 || value > 4294967295.0) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

}  // namespace

KWinReports::KWinReports(KWinWindowTable& table, QString sender, std::function<void()> lost)
    : table_(table), sender_(std::move(sender)) {
  poll_limit_.setSingleShot(true);
  poll_limit_.setInterval(kPollLimitMs);
  QObject::connect(&poll_limit_, &QTimer::timeout, [this] {
    if (poll_) AnswerPoll(QVariantList{QString(), QString(), false});
  });
  next_poll_.setSingleShot(true);
  next_poll_.setInterval(kNextPollMs);
  QObject::connect(&next_poll_, &QTimer::timeout, std::move(lost));
}

QString KWinReports::introspect(const QString& /*path*/) const {
  return QStringLiteral(
             "<interface name=\"%1\">"
             "<method name=\"Window\"><arg name=\"id\" type=\"s\" direction=\"in\"/>"
             "<arg name=\"caption\" type=\"s\" direction=\"in\"/>"
             "<arg name=\"flags\" type=\"d\" direction=\"in\"/>"
             "<arg name=\"pid\" type=\"d\" direction=\"in\"/>"
             "<arg name=\"xid\" type=\"d\" direction=\"in\"/>"
             "<arg name=\"app\" type=\"s\" direction=\"in\"/></method>"
             "<method name=\"Gone\"><arg name=\"id\" type=\"s\" direction=\"in\"/></method>"
             "<method name=\"Stacking\"><arg name=\"bottom_up\" type=\"s\" direction=\"in\"/>"
             "</method><method name=\"Ready\"/>"
             "<method name=\"Switched\"><arg name=\"id\" type=\"s\" direction=\"in\"/>"
             "<arg name=\"caption\" type=\"s\" direction=\"in\"/>"
             "<arg name=\"topmost\" type=\"b\" direction=\"in\"/>"
             "<arg name=\"changed\" type=\"b\" direction=\"in\"/></method>"
             "<method name=\"Poll\"><arg name=\"command\" type=\"s\" direction=\"out\"/>"
             "<arg name=\"id\" type=\"s\" direction=\"out\"/>"
             "<arg name=\"value\" type=\"b\" direction=\"out\"/></method></interface>")
      .arg(QLatin1String(kInterface));
}

bool KWinReports::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  ++messages_;
  if (message.type() != QDBusMessage::MethodCallMessage) return false;
  // Only KWin's script may tell us about windows.
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
    const auto app = Text(arguments, 5);
    if (id && caption && flags && pid && xid && app) {
      table_.Update(
          {id->toStdString(), caption->toStdString(), *flags, *pid, *xid, app->toStdString()});
    }
  } else if (member == QLatin1String("Gone")) {
    if (const auto id = Text(arguments, 0)) table_.Remove(id->toStdString());
  } else if (member == QLatin1String("Stacking")) {
    if (const auto ids = Text(arguments, 0)) table_.Restack(ids->toStdString());
  } else if (member == QLatin1String("Ready")) {
    ready_ = true;
  } else if (member == QLatin1String("Switched")) {
    const auto id = Text(arguments, 0);
    const auto caption = Text(arguments, 1);
    if (id && caption && arguments.size() == 4 && switched_) {
      switched_({table_.HandleOf(id->toStdString()), caption->toStdString(), arguments[2].toBool(),
                 arguments[3].toBool()});
    }
  } else if (member == QLatin1String("Poll")) {
    // A newer call takes the place of one the script has given up on.
    if (poll_) Answer(poll_->createReply(QVariantList{QString(), QString(), false}));
    next_poll_.stop();
    poll_ = message;
    AnswerPoll();
    return true;
  } else {
    Answer(message.createErrorReply(QDBusError::UnknownMethod, member));
    return true;
  }
  Answer(message.createReply());
  return true;
}

bool KWinReports::Answer(QDBusMessage reply) {
  ++messages_;
  return QDBusConnection::sessionBus().send(reply);
}

void KWinReports::Send(KWinCommand command) {
  commands_.push_back(std::move(command));
  AnswerPoll();
}

void KWinReports::AnswerPoll() {
  if (!poll_) return;
  if (commands_.empty()) {
    poll_limit_.start();
    return;
  }
  const KWinCommand command = std::move(commands_.front());
  commands_.pop_front();
  AnswerPoll(QVariantList{command.name, command.id, command.value});
}

void KWinReports::AnswerPoll(const QVariantList& command) {
  poll_limit_.stop();
  Answer(std::exchange(poll_, std::nullopt)->createReply(command));
  next_poll_.start();
}

void KWinReports::TakeIn() { QCoreApplication::sendPostedEvents(this, 0); }

}  // namespace hoverdeck
