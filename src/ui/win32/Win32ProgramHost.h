// What the start-up asks of Windows about the program itself: another running instance, the
// executable's directory, where settings can be written and the version of the system.
#pragma once

#include <string>
#include <string_view>

#include "ui/win32/Win32Api.h"
// After the Win32 headers, which the handle's header also brings.
#include "app/ProgramHost.h"
#include "platform/win32/UniqueHandle.h"

namespace hoverdeck {

// One instance per user session: the mutex lives in the session's namespace.
inline constexpr wchar_t kSingleInstanceMutex[] = L"Local\\Hoverdeck-single-instance";

class Win32ProgramHost final : public ProgramHost {
 public:
  explicit Win32ProgramHost(std::wstring mutex_name = kSingleInstanceMutex)
      : mutex_name_(std::move(mutex_name)) {}

  // Creates the named mutex on the first call and holds it for the life of the host.
  bool AnotherInstanceRunning() override;
  std::filesystem::path ExecutableDirectory() override;
  // Tries to create a file there (deleted when closed): access rights on Windows are too
  // involved to read from the folder's attributes.
  bool CanWriteIn(const std::filesystem::path& directory) override;
  // Within Program Files (either of them) or the Windows folder: an installer's place.
  bool IsSystemFolder(const std::filesystem::path& directory) override;
  // %APPDATA%\Hoverdeck: the roaming application-data folder of the user.
  std::filesystem::path UserConfigDirectory() override;
  OsFacts OperatingSystem() override;

 private:
  std::wstring mutex_name_;
  win32::UniqueHandle mutex_;
  bool another_ = false;
};

// The arguments of a command line: what follows the program's name (quoted or not) and the
// blanks after it.
std::wstring_view CommandTail(std::wstring_view command_line);

}  // namespace hoverdeck
