// The program-host port of the Linux edition: the program's folder and system description from
// Qt and the platform, and the single-instance test of the display it runs on.
#pragma once

#include <filesystem>
#include <functional>

#include "app/ProgramHost.h"

namespace hoverdeck {

class QtProgramHost final : public ProgramHost {
 public:
  // `another_instance_running` answers the single-instance test (and takes the display for this
  // instance when it is free); `os_facts` describes the system.
  QtProgramHost(std::function<bool()> another_instance_running, std::function<OsFacts()> os_facts);

  bool AnotherInstanceRunning() override;
  std::filesystem::path ExecutableDirectory() override;
  bool CanWriteIn(const std::filesystem::path& directory) override;
  // Anything under the top folders the file-system hierarchy gives to installed software:
  // /usr (with /usr/local), /bin, /sbin, /lib*, /opt, /snap, /nix; links followed first.
  bool IsSystemFolder(const std::filesystem::path& directory) override;
  // $XDG_CONFIG_HOME/hoverdeck, by default ~/.config/hoverdeck.
  std::filesystem::path UserConfigDirectory() override;
  OsFacts OperatingSystem() override;

 private:
  std::function<bool()> another_instance_running_;
  std::function<OsFacts()> os_facts_;
};

}  // namespace hoverdeck
