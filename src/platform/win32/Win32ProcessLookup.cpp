#include "platform/win32/Win32ProcessLookup.h"

#include <windows.h>
// After <windows.h>, which they need.
#include <psapi.h>
#include <tlhelp32.h>

#include <cwchar>
#include <string>

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32WindowSystem.h"

namespace hoverdeck {

using win32::Narrow;
using win32::ToHwnd;
using win32::UniqueHandle;

namespace {

constexpr DWORD kQueryAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
static_assert(kQueryAccess == 0x410);

// The class of a store app's own window inside its frame.
constexpr wchar_t kAppWindowClass[] = L"Windows.UI.Core.CoreWindow";

// Longest path the wide entry points can hand back.
constexpr DWORD kLongestPath = 32768;

}  // namespace

std::optional<ProcessId> Win32ProcessLookup::WindowProcess(WindowHandle window) {
  const HWND hwnd = ToHwnd(window);
  DWORD process = 0;
  const DWORD thread = GetWindowThreadProcessId(hwnd, &process);
  if (thread == 0 || process == 0) return std::nullopt;
  // A store app's frame belongs to the frame host; the app's own program owns the window that
  // the frame holds.
  if (win32::ClassName(hwnd) == L"ApplicationFrameWindow") {
    for (HWND inner = FindWindowExW(hwnd, nullptr, kAppWindowClass, nullptr); inner != nullptr;
         inner = FindWindowExW(hwnd, inner, kAppWindowClass, nullptr)) {
      DWORD app = 0;
      if (GetWindowThreadProcessId(inner, &app) != 0 && app != 0 && app != process) return app;
    }
  }
  return static_cast<ProcessId>(process);
}

std::optional<std::string> Win32ProcessLookup::ProgramPath(ProcessId process) {
  const UniqueHandle handle(OpenProcess(kQueryAccess, FALSE, process));
  if (!handle) return std::string();
  // MAX_PATH first; a longer path fills the buffer exactly and is asked again with more room.
  for (DWORD size = MAX_PATH; size <= kLongestPath; size *= 2) {
    std::wstring path(size, L'\0');
    const DWORD copied = GetModuleFileNameExW(handle.get(), nullptr, path.data(), size);
    if (copied == 0) return std::string();
    if (copied < size - 1) {
      path.resize(copied);
      return Narrow(path);
    }
  }
  return std::string();
}

std::optional<std::string> Win32ProcessLookup::ListedProgramName(ProcessId process) {
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return std::string();
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == process) {
      return Narrow({entry.szExeFile, wcsnlen(entry.szExeFile, MAX_PATH)});
    }
  }
  return std::string();
}

}  // namespace hoverdeck
