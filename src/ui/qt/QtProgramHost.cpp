#include "ui/qt/QtProgramHost.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include <QCoreApplication>
#include <QStandardPaths>

namespace hoverdeck {

QtProgramHost::QtProgramHost(std::filesystem::path lock_directory, std::string_view display,
                             std::function<OsFacts()> os_facts)
    : lock_path_(std::move(lock_directory) / LockFileName(display)),
      os_facts_(std::move(os_facts)) {}

QtProgramHost::~QtProgramHost() {
  // Closing the descriptor releases the lock; the file stays, harmless and reused.
  if (fd_ >= 0) ::close(fd_);
}

std::filesystem::path QtProgramHost::DefaultLockDirectory() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) return runtime;
  const QString qt_runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (!qt_runtime.isEmpty()) return qt_runtime.toStdString();
  // Shared temporary directory: the user id in the name keeps users apart.
  return std::filesystem::temp_directory_path() / ("hoverdeck-" + std::to_string(::getuid()));
}

std::string QtProgramHost::LockFileName(std::string_view display) {
  std::string name = "hoverdeck-";
  for (const char c : display) {
    const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-';
    name += plain ? c : '_';
  }
  return name + ".lock";
}

bool QtProgramHost::AnotherInstanceRunning() {
  if (locked_) return false;
  std::error_code ignored;
  std::filesystem::create_directories(lock_path_.parent_path(), ignored);
  if (fd_ < 0) fd_ = ::open(lock_path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // Without a lock file there is no way to tell; running twice beats not running at all.
  if (fd_ < 0) return false;
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
    locked_ = true;
    return false;
  }
  return errno == EWOULDBLOCK;
}

std::filesystem::path QtProgramHost::ExecutableDirectory() {
  return QCoreApplication::applicationDirPath().toStdString();
}

bool QtProgramHost::CanWriteIn(const std::filesystem::path& directory) {
  // Also false on a read-only mount, where the folder's own rights would say yes.
  return ::access(directory.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path QtProgramHost::UserConfigDirectory() {
  // A relative XDG_CONFIG_HOME is to be ignored, as the base-directory rules say.
  std::filesystem::path base;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
    base = config;
  } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
    base = std::filesystem::path(home) / ".config";
  } else {
    return {};
  }
  return base / "hoverdeck";
}

OsFacts QtProgramHost::OperatingSystem() { return os_facts_ ? os_facts_() : OsFacts{}; }

}  // namespace hoverdeck
