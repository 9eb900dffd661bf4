#include "ui/qt/QtProgramHost.h"

#include <QCoreApplication>

namespace hoverdeck {

QtProgramHost::QtProgramHost(std::function<bool()> another_instance_running,
                             std::function<OsFacts()> os_facts)
    : another_instance_running_(std::move(another_instance_running)),
      os_facts_(std::move(os_facts)) {}

bool QtProgramHost::AnotherInstanceRunning() {
  return another_instance_running_ && another_instance_running_();
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
