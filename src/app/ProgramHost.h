// The port for what the start-up asks of the system about the program itself.
#pragma once

#include <filesystem>

#include "app/OsDescription.h"

namespace hoverdeck {

class ProgramHost {
 public:
  ProgramHost() = default;
  ProgramHost(const ProgramHost&) = delete;
  ProgramHost& operator=(const ProgramHost&) = delete;
  virtual ~ProgramHost() = default;

  // True when another instance of the program runs for this user and desktop.
  virtual bool AnotherInstanceRunning() = 0;
  // The directory that holds the program's executable.
  virtual std::filesystem::path ExecutableDirectory() = 0;
  // True when this user may create files in `directory`.
  virtual bool CanWriteIn(const std::filesystem::path& directory) = 0;
  // True for a folder of the system's installed programs, where no user's settings belong
  // (whoever may write there).
  virtual bool IsSystemFolder(const std::filesystem::path& directory) = 0;
  // The folder for this user's settings of this program (it may not exist yet); empty when the
  // system names none.
  virtual std::filesystem::path UserConfigDirectory() = 0;
  // The operating system's description for the caption.
  virtual OsFacts OperatingSystem() = 0;
};

}  // namespace hoverdeck
