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

OsFacts QtProgramHost::OperatingSystem() { return os_facts_ ? os_facts_() : OsFacts{}; }

}  // namespace hoverdeck
