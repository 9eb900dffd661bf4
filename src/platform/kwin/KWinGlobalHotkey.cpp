#include "platform/kwin/KWinGlobalHotkey.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>
#include <cstdlib>

namespace hoverdeck {
namespace {

// The shortcut as the script registers it: KWin's component, the script's action.
const QStringList kActionId = {QStringLiteral("kwin"), QStringLiteral("hoverdeck-topmost"),
                               QStringLiteral("KWin"),
                               QStringLiteral("Hoverdeck: keep the active window above")};
constexpr int kCallTimeoutMs = 3000;

QDBusMessage CallShortcuts(const QString& method, const QVariantList& arguments) {
  QDBusMessage message = QDBusMessage::createMethodCall(
      QStringLiteral("org.kde.kglobalaccel"), QStringLiteral("/kglobalaccel"),
      QStringLiteral("org.kde.KGlobalAccel"), method);
  message.setArguments(arguments);
  message.setAutoStartService(false);
  return QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeoutMs);
}

bool SetKeys(const QList<int>& keys) {
  return CallShortcuts(QStringLiteral("setForeignShortcut"), {kActionId, QVariant::fromValue(keys)})
             .type() == QDBusMessage::ReplyMessage;
}

}  // namespace

KWinGlobalHotkey::KWinGlobalHotkey() { Release(); }
KWinGlobalHotkey::~KWinGlobalHotkey() { Release(); }

int KWinGlobalHotkey::KeyCode(const Hotkey& hotkey) {
  const std::string& key = hotkey.key;
  int code = 0;
  if (key.size() == 1 && ((key[0] >= 'A' && key[0] <= 'Z') || (key[0] >= '0' && key[0] <= '9'))) {
    code = key[0];  // Qt's codes of letters and digits are their ASCII ones
  } else if (key.size() >= 2 && key[0] == 'F') {
    code = Qt::Key_F1 + std::atoi(key.c_str() + 1) - 1;
  } else {
    struct Named {
      const char* name;
      Qt::Key code;
    };
    static constexpr Named kNamed[] = {
        {"Space", Qt::Key_Space}, {"Insert", Qt::Key_Insert},     {"Delete", Qt::Key_Delete},
        {"Home", Qt::Key_Home},   {"End", Qt::Key_End},           {"PageUp", Qt::Key_PageUp},
        {"Left", Qt::Key_Left},   {"PageDown", Qt::Key_PageDown}, {"Up", Qt::Key_Up},
        {"Right", Qt::Key_Right}, {"Down", Qt::Key_Down}};
    for (const Named& named : kNamed) {
      if (key == named.name) code = named.code;
    }
  }
  if (code == 0) return 0;
  if (hotkey.modifiers & Hotkey::kCtrl) code |= Qt::ControlModifier;
  if (hotkey.modifiers & Hotkey::kAlt) code |= Qt::AltModifier;
  if (hotkey.modifiers & Hotkey::kShift) code |= Qt::ShiftModifier;
  if (hotkey.modifiers & Hotkey::kLogo) code |= Qt::MetaModifier;
  return code;
}

HotkeyHold KWinGlobalHotkey::Hold(const Hotkey& hotkey) {
  Release();
  const int code = KeyCode(hotkey);
  if (code == 0) return HotkeyHold::kUnavailable;
  // The service answers for every component; one naming ours would count its own keys free.
  const QDBusReply<bool> free = CallShortcuts(QStringLiteral("isGlobalShortcutAvailable"),
                                              {code, QStringLiteral("hoverdeck")});
  if (!free.isValid()) return HotkeyHold::kUnavailable;
  if (!free.value()) return HotkeyHold::kTaken;
  // The service drops keys another shortcut has: what it holds now is the answer.
  SetKeys({code});
  const QDBusReply<QList<int>> held = CallShortcuts(QStringLiteral("shortcut"), {kActionId});
  if (held.isValid() && held.value().contains(code)) return HotkeyHold::kHeld;
  Release();
  return HotkeyHold::kUnavailable;
}

void KWinGlobalHotkey::Release() { SetKeys({}); }

}  // namespace hoverdeck
