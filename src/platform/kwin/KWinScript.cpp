#include "platform/kwin/KWinScript.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QTemporaryFile>

#include "KWinScriptText.h"
#include "platform/kwin/KWinReports.h"

namespace hoverdeck {
namespace {

const QString kService = QStringLiteral("org.kde.KWin");
// KWin answers at once; a KWin that does not is not waited for.
constexpr int kCallTimeoutMs = 3000;

QDBusMessage Call(const QString& path, const QString& interface, const QString& method,
                  const QVariantList& arguments = {}) {
  QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
  message.setArguments(arguments);
  return QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeoutMs);
}

QDBusMessage Scripting(const QString& method, const QVariantList& arguments) {
  return Call(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"), method,
              arguments);
}

bool Succeeded(const QDBusMessage& reply) { return reply.type() == QDBusMessage::ReplyMessage; }

// Where KWin put the loaded script: Plasma 6 under /Scripting, Plasma 5 at the root. KWin
// answers a ping on any path, so only the interfaces an object offers tell.
QString ScriptPath(int id) {
  for (const QString& path :
       {QStringLiteral("/Scripting/Script%1").arg(id), QStringLiteral("/%1").arg(id)}) {
    const QDBusMessage reply = Call(path, QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                    QStringLiteral("Introspect"));
    if (Succeeded(reply) && !reply.arguments().isEmpty() &&
        reply.arguments().front().toString().contains(
            QStringLiteral("<interface name=\"org.kde.kwin.Script\""))) {
      return path;
    }
  }
  return {};
}

void Unload() {
  Scripting(QStringLiteral("unloadScript"), {QString::fromLatin1(KWinScript::kPluginName)});
}

}  // namespace

bool KWinScript::Loaded() {
  const QDBusMessage reply =
      Scripting(QStringLiteral("isScriptLoaded"), {QString::fromLatin1(kPluginName)});
  return Succeeded(reply) && !reply.arguments().isEmpty() && reply.arguments().front().toBool();
}

std::unique_ptr<KWinScript> KWinScript::Start(const QString& service) {
  if (Loaded()) Unload();

  QString text = QString::fromUtf8(kKWinScriptText);
  text.replace(QStringLiteral("@SERVICE@"), service)
      .replace(QStringLiteral("@PATH@"), QLatin1String(KWinReports::kPath))
      .replace(QStringLiteral("@INTERFACE@"), QLatin1String(KWinReports::kInterface))
      .replace(QStringLiteral("@PID@"), QString::number(QCoreApplication::applicationPid()));
  // KWin reads the file while it runs the script; then it is not needed any more.
  QTemporaryFile file(QDir::tempPath() + QStringLiteral("/hoverdeck-kwin-XXXXXX.js"));
  if (!file.open() || file.write(text.toUtf8()) < 0 || !file.flush()) return nullptr;

  const QDBusMessage loaded =
      Scripting(QStringLiteral("loadScript"), {file.fileName(), QString::fromLatin1(kPluginName)});
  if (!Succeeded(loaded) || loaded.arguments().isEmpty()) return nullptr;
  const int id = loaded.arguments().front().toInt();
  if (id < 0) return nullptr;
  std::unique_ptr<KWinScript> script(new KWinScript);
  const QString path = ScriptPath(id);
  if (path.isEmpty() ||
      !Succeeded(Call(path, QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run")))) {
    return nullptr;  // the script is unloaded again
  }
  return script;
}

KWinScript::~KWinScript() { Unload(); }

QVariantMap KWinScript::WindowInfo(const QString& id) {
  const QDBusReply<QVariantMap> reply =
      Call(QStringLiteral("/KWin"), QStringLiteral("org.kde.KWin"), QStringLiteral("getWindowInfo"),
           {id});
  return reply.isValid() ? reply.value() : QVariantMap();
}

void KWinScript::Reconfigure() {
  QDBusMessage message =
      QDBusMessage::createMethodCall(kService, QStringLiteral("/KWin"),
                                     QStringLiteral("org.kde.KWin"), QStringLiteral("reconfigure"));
  message.setAutoStartService(false);
  QDBusConnection::sessionBus().send(message);  // KWin sends no answer to this one
}

}  // namespace hoverdeck
