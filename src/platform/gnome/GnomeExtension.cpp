#include "platform/gnome/GnomeExtension.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QProcess>
#include <QStandardPaths>
#include <charconv>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "GnomeExtensionText.h"
#include "app/FileStore.h"

namespace hoverdeck {
namespace {

const QString kShell = QStringLiteral("org.gnome.Shell");
const QString kShellPath = QStringLiteral("/org/gnome/Shell");
const QString kExtensions = QStringLiteral("org.gnome.Shell.Extensions");
// The shell answers at once; one that does not is not waited for.
constexpr int kCallTimeoutMs = 3000;
// What GetExtensionInfo says of an extension the shell runs.
constexpr int kStateRunning = 1;
constexpr int kStartChecks = 40;

int LeadingNumber(std::string_view text) {
  int number = -1;
  std::from_chars(text.data(), text.data() + text.size(), number);
  return number;
}

// The "version" of a metadata.json; -1 when it has none.
int MetadataVersion(std::string_view metadata) {
  const std::size_t key = metadata.find("\"version\"");
  if (key == std::string_view::npos) return -1;
  std::size_t at = metadata.find_first_of("0123456789", key);
  return at == std::string_view::npos ? -1 : LeadingNumber(metadata.substr(at));
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

QDBusMessage Call(const QString& interface, const QString& method, const QVariantList& args) {
  QDBusMessage message = QDBusMessage::createMethodCall(kShell, kShellPath, interface, method);
  message.setArguments(args);
  message.setAutoStartService(false);
  return QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeoutMs);
}

std::optional<QVariant> Property(const QString& interface, const QString& name) {
  const QDBusMessage reply = Call(QStringLiteral("org.freedesktop.DBus.Properties"),
                                  QStringLiteral("Get"), {interface, name});
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    return std::nullopt;
  }
  return reply.arguments().front().value<QDBusVariant>().variant();
}

// The shell's state of the extension; 0 when it does not know it.
int ExtensionState() {
  const QDBusMessage reply = Call(kExtensions, QStringLiteral("GetExtensionInfo"),
                                  {QString::fromLatin1(kGnomeExtensionUuid.data())});
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return 0;
  const QVariantMap info = qdbus_cast<QVariantMap>(reply.arguments().front());
  return info.value(QStringLiteral("state"), 0).toInt();
}

// gsettings, which every GNOME desktop has; nullopt when it fails.
std::optional<std::string> Gsettings(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral("gsettings"), arguments);
  if (!process.waitForFinished(kCallTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    process.kill();
    process.waitForFinished();
    return std::nullopt;
  }
  return process.readAllStandardOutput().trimmed().toStdString();
}

std::optional<std::string> ShellList(const char* key) {
  return Gsettings({QStringLiteral("get"), QStringLiteral("org.gnome.shell"), key});
}

}  // namespace

std::optional<GnomeExtensionFiles> GnomeExtensionFor(std::string_view shell_version) {
  const int major = LeadingNumber(shell_version);
  if (major < 42) return std::nullopt;
  if (major < 45) return GnomeExtensionFiles{kGnomeMetadataImports, kGnomeScriptImports};
  return GnomeExtensionFiles{kGnomeMetadataModule, kGnomeScriptModule};
}

bool InstallGnomeExtension(const std::filesystem::path& folder, const GnomeExtensionFiles& files,
                           bool& written) {
  written = false;
  const std::string metadata = ReadFile(folder / "metadata.json");
  const bool same =
      metadata == files.metadata && ReadFile(folder / "extension.js") == files.script;
  // A newer one, from a newer Hoverdeck, stays.
  if (same || MetadataVersion(metadata) > MetadataVersion(files.metadata)) return true;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  FileStore& store = SystemFileStore();
  // The script first: a shell that finds the metadata finds the script it belongs to.
  if (!store.Replace(folder / "extension.js", files.script) ||
      !store.Replace(folder / "metadata.json", files.metadata)) {
    return false;
  }
  written = true;
  return true;
}

std::optional<std::string> WithListItem(std::string_view list, std::string_view item) {
  std::vector<std::string> items;
  for (std::size_t open = list.find('\''); open != std::string_view::npos;) {
    const std::size_t close = list.find('\'', open + 1);
    if (close == std::string_view::npos) break;
    items.emplace_back(list.substr(open + 1, close - open - 1));
    open = list.find('\'', close + 1);
  }
  std::string out = "[";
  for (const std::string& existing : items) {
    if (existing == item) return std::nullopt;
    out += "'" + existing + "', ";
  }
  return out + "'" + std::string(item) + "']";
}

bool SetUpGnomeExtension(WaylandNotice& notice) {
  notice = WaylandNotice::kNone;
  const auto version = Property(kShell, QStringLiteral("ShellVersion"));
  if (!version) return false;
  const auto files = GnomeExtensionFor(version->toString().toStdString());
  if (!files) return false;
  const std::filesystem::path folder =
      std::filesystem::path(
          QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString()) /
      "gnome-shell" / "extensions" / kGnomeExtensionUuid;
  bool written = false;
  if (!InstallGnomeExtension(folder, *files, written)) return false;

  const auto user_extensions =
      Property(kExtensions, QStringLiteral("UserExtensionsEnabled"));
  if (user_extensions && !user_extensions->toBool()) {
    notice = WaylandNotice::kUserExtensionsOff;
    return false;
  }
  const std::string uuid(kGnomeExtensionUuid);
  // The Extensions app moves an extension the user turns off into disabled-extensions.
  const auto disabled = ShellList("disabled-extensions");
  if (disabled && !WithListItem(*disabled, uuid)) {
    notice = WaylandNotice::kExtensionOff;
    return false;
  }
  const auto enabled = ShellList("enabled-extensions");
  if (!enabled) return false;
  if (const auto more = WithListItem(*enabled, uuid)) {
    Gsettings({QStringLiteral("set"), QStringLiteral("org.gnome.shell"),
               QStringLiteral("enabled-extensions"), QString::fromStdString(*more)});
  }
  // GNOME on Wayland reads new and changed extensions only when it starts, at a login.
  if (written || ExtensionState() == 0) {
    notice = WaylandNotice::kLoginNeeded;
    return false;
  }
  // One it knows it starts as soon as it is turned on.
  for (int wait = 0; wait < kStartChecks; ++wait) {
    if (ExtensionState() == kStateRunning) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace hoverdeck
