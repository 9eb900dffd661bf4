#include "ui/qt/QtProgramHost.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

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

bool QtProgramHost::IsSystemFolder(const std::filesystem::path& directory) {
  static constexpr std::string_view kTops[] = {"usr",   "bin",    "sbin", "lib",  "lib32",
                                               "lib64", "libx32", "opt",  "snap", "nix"};
  std::error_code error;
  std::filesystem::path real = std::filesystem::weakly_canonical(directory, error);
  if (error) real = directory.lexically_normal();
  if (!real.is_absolute()) return false;
  auto part = real.begin();
  if (++part == real.end()) return false;  // the root itself
  return std::find(std::begin(kTops), std::end(kTops), part->native()) != std::end(kTops);
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
