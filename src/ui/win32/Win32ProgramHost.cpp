#include "ui/win32/Win32ProgramHost.h"

#include <shlobj.h>

#include <string>

#include "app/ProgramConstants.h"
#include "platform/win32/Win32OsFacts.h"
#include "ui/win32/Win32Api.h"

namespace hoverdeck {

bool Win32ProgramHost::AnotherInstanceRunning() {
  if (mutex_) return another_;
  mutex_.Reset(CreateMutexW(nullptr, FALSE, mutex_name_.c_str()));
  another_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
  return another_;
}

std::filesystem::path Win32ProgramHost::ExecutableDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A full buffer may mean a cut path: try again with more room.
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  return std::filesystem::path(path).parent_path();
}

bool Win32ProgramHost::CanWriteIn(const std::filesystem::path& directory) {
  const std::filesystem::path probe =
      directory / (L"Hoverdeck-write-test-" + std::to_wstring(GetCurrentProcessId()) + L".tmp");
  win32::UniqueHandle file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                       nullptr));
  return static_cast<bool>(file) || GetLastError() == ERROR_FILE_EXISTS;
}

bool Win32ProgramHost::IsSystemFolder(const std::filesystem::path& directory) {
  // Compared without regard to case, whole folder names only.
  const auto folded = [](std::wstring text) {
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    if (!text.empty() && text.back() != L'\\') text += L'\\';
    return text;
  };
  const std::wstring folder = folded(directory.lexically_normal().wstring());
  for (const int id : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_WINDOWS}) {
    wchar_t system[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, system)) &&
        system[0] != L'\0' && folder.starts_with(folded(system))) {
      return true;
    }
  }
  return false;
}

std::filesystem::path Win32ProgramHost::UserConfigDirectory() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return {};
  }
  return std::filesystem::path(folder) / std::filesystem::path(kProgramName);
}

OsFacts Win32ProgramHost::OperatingSystem() { return Win32OsFacts(); }

std::wstring_view CommandTail(std::wstring_view command_line) {
  std::size_t at = 0;
  if (!command_line.empty() && command_line[0] == L'"') {
    const std::size_t closing = command_line.find(L'"', 1);
    at = closing == std::wstring_view::npos ? command_line.size() : closing + 1;
  } else {
    while (at < command_line.size() && command_line[at] != L' ' && command_line[at] != L'\t') {
      ++at;
    }
  }
  while (at < command_line.size() && (command_line[at] == L' ' || command_line[at] == L'\t')) {
    ++at;
  }
  return command_line.substr(at);
}

}  // namespace hoverdeck
