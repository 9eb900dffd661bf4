#include "platform/gnome/GnomeGlobalHotkey.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <cctype>

namespace hoverdeck {
namespace {

constexpr int kCallTimeoutMs = 3000;

QDBusMessage CallExtension(const QString& method, const QVariantList& arguments) {
  QDBusMessage message = QDBusMessage::createMethodCall(
      QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/example/Hoverdeck/Shell"),
      QStringLiteral("org.example.Hoverdeck.Shell"), method);
  message.setArguments(arguments);
  message.setAutoStartService(false);
  return QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeoutMs);
}

}  // namespace

GnomeGlobalHotkey::~GnomeGlobalHotkey() { Release(); }

std::string GnomeGlobalHotkey::Accelerator(const Hotkey& hotkey) {
  std::string text;
  if (hotkey.modifiers & Hotkey::kCtrl) text += "<Control>";
  if (hotkey.modifiers & Hotkey::kAlt) text += "<Alt>";
  if (hotkey.modifiers & Hotkey::kShift) text += "<Shift>";
  if (hotkey.modifiers & Hotkey::kLogo) text += "<Super>";
  const std::string& key = hotkey.key;
  if (key.size() == 1) {
    text += static_cast<char>(std::tolower(static_cast<unsigned char>(key[0])));
  } else if (key == "Space") {
    text += "space";
  } else if (key == "PageUp") {
    text += "Page_Up";
  } else if (key == "PageDown") {
    text += "Page_Down";
  } else {
    text += key;  // F1 to F24, Insert, Delete, Home, End and the arrows are spelt alike
  }
  return text;
}

HotkeyHold GnomeGlobalHotkey::Hold(const Hotkey& hotkey) {
  held_ = false;
  const QDBusReply<QString> answer =
      CallExtension(QStringLiteral("Hold"), {QString::fromStdString(Accelerator(hotkey))});
  if (answer.isValid() && answer.value() == QLatin1String("taken")) return HotkeyHold::kTaken;
  if (!answer.isValid() || answer.value() != QLatin1String("held")) {
    return HotkeyHold::kUnavailable;
  }
  held_ = true;
  return HotkeyHold::kHeld;
}

void GnomeGlobalHotkey::Release() {
  if (held_) CallExtension(QStringLiteral("Release"), {});
  held_ = false;
}

}  // namespace hoverdeck
