// The program-host port of the Linux edition: one instance per user and display, held by a
// lock on a file in the user's runtime directory.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "platform/ProgramHost.h"

namespace hoverdeck {

class QtProgramHost final : public ProgramHost {
 public:
  // `lock_directory` holds the lock file, named after `display`; `os_facts` describes the system.
  QtProgramHost(std::filesystem::path lock_directory, std::string_view display,
                std::function<OsFacts()> os_facts);
  ~QtProgramHost() override;

  // The user's runtime directory ($XDG_RUNTIME_DIR or Qt's choice), else the temporary one.
  static std::filesystem::path DefaultLockDirectory();
  // "hoverdeck-<display>.lock" with everything but letters, digits, '.' and '-' made '_'.
  static std::string LockFileName(std::string_view display);

  // Takes the lock on the first call; true when another process (or host object) holds it.
  bool AnotherInstanceRunning() override;
  std::filesystem::path ExecutableDirectory() override;
  bool CanWriteIn(const std::filesystem::path& directory) override;
  // $XDG_CONFIG_HOME/hoverdeck, by default ~/.config/hoverdeck.
  std::filesystem::path UserConfigDirectory() override;
  OsFacts OperatingSystem() override;

  const std::filesystem::path& LockPath() const { return lock_path_; }

 private:
  std::filesystem::path lock_path_;
  std::function<OsFacts()> os_facts_;
  int fd_ = -1;
  bool locked_ = false;
};

}  // namespace hoverdeck
