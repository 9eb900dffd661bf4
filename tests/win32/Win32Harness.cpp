#include "Win32Harness.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32WindowSystem.h"

namespace hoverdeck::testing {

using win32::Narrow;

Program::Program(const std::wstring& path, const std::wstring& arguments,
                 const std::wstring& directory, HANDLE out) {
  std::wstring command_line = L"\"" + path + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (out) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr, out != nullptr,
                      out ? CREATE_NO_WINDOW : 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    throw std::runtime_error("cannot start " + Narrow(path));
  }
  process_.Reset(info.hProcess);
  CloseHandle(info.hThread);
  id_ = info.dwProcessId;
}

Program::~Program() {
  if (Running()) {
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 10'000);
  }
}

bool Program::WaitForIdle(std::chrono::milliseconds limit) {
  return WaitForInputIdle(process_.get(), static_cast<DWORD>(limit.count())) == 0;
}

std::optional<DWORD> Program::WaitForExit(std::chrono::milliseconds limit) {
  DWORD code = 0;
  if (WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process_.get(), &code)) {
    return std::nullopt;
  }
  return code;
}

std::wstring BesideTest(const std::wstring& name) {
  std::wstring self(MAX_PATH, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  return self.substr(0, self.find_last_of(L"\\/") + 1) + name;
}

// Reads the helper's "LABEL HANDLE" lines up to "ready"; a helper that dies ends the read.
// Test captions hold no quotes, so plain quoting is enough for its command line.
OwnerProcess::OwnerProcess(const std::vector<OwnedWindow>& windows) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inheritable, 0)) throw std::runtime_error("no pipe");
  const win32::UniqueHandle from_child(read_end);
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  std::wstring arguments;
  for (const auto& window : windows) {
    arguments += L" " + win32::Widen(window.label) + L" " + win32::Widen(window.flags) + L" \"" +
                 window.caption + L"\"";
  }
  {
    // Our copy of the child's end goes at once, so that its exit ends our reads.
    const win32::UniqueHandle child_out(write_end);
    program_.emplace(BesideTest(L"hoverdeck_win32_window_owner.exe"), arguments, L"",
                     child_out.get());
  }
  std::string output;
  char chunk[512];
  DWORD got = 0;
  while (output.find("ready") == std::string::npos) {
    if (!ReadFile(read_end, chunk, sizeof(chunk), &got, nullptr) || got == 0) {
      throw std::runtime_error("the window owner did not report its windows: " + output);
    }
    output.append(chunk, got);
  }
  for (std::size_t at = 0, end; (end = output.find('\n', at)) != std::string::npos; at = end + 1) {
    const std::string line = output.substr(at, end - at);
    const auto blank = line.find(' ');
    if (blank == std::string::npos) continue;
    windows_[line.substr(0, blank)] = win32::FromHwnd(
        reinterpret_cast<HWND>(static_cast<INT_PTR>(std::stoll(line.substr(blank + 1)))));
  }
}

HWND OwnerProcess::Hwnd(const std::string& label) const { return win32::ToHwnd(Window(label)); }

std::optional<std::string> OwnerProcess::LabelOf(WindowHandle window) const {
  for (const auto& [label, handle] : windows_) {
    if (handle == window) return label;
  }
  return std::nullopt;
}

bool WaitUntil(const std::function<bool()>& holds, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!holds()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

BoxPlayer::BoxPlayer(std::function<void(HWND)> act) {
  act_ = std::move(act);
  played_ = false;
  timer_ = SetTimer(nullptr, 0, 30, &BoxPlayer::Tick);
}

void CALLBACK BoxPlayer::Tick(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = GetActiveWindow();
  if (played_ || !box || ClassOf(box) != L"#32770") return;
  played_ = true;
  act_(box);
}

std::string WindowText(HWND window) {
  std::wstring text(4096, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

std::wstring ControlText(HWND window) {
  std::wstring text(4096, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, 5000, &copied)) {
    return L"(no answer)";
  }
  text.resize(std::min<std::size_t>(copied, text.size()));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  return std::wstring(name, static_cast<std::size_t>(std::max(0, GetClassNameW(window, name, 256))));
}

bool IsTopmost(HWND window) { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

std::vector<std::string> ListBoxTexts(HWND list) {
  std::vector<std::string> texts;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    texts.push_back(Narrow(text));
  }
  return texts;
}

std::vector<HWND> TopLevelWindowsOf(DWORD process) {
  std::pair<DWORD, std::vector<HWND>> search{process, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* search = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == search->first) search->second.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

HWND FindIn(const std::vector<HWND>& windows, const std::wstring& class_name,
            const std::optional<std::wstring>& text) {
  for (HWND window : windows) {
    if (lstrcmpiW(ClassOf(window).c_str(), class_name.c_str()) == 0 &&
        (!text || ControlText(window) == *text)) {
      return window;
    }
  }
  return nullptr;
}

}  // namespace hoverdeck::testing
