#include "Win32Harness.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32WindowSystem.h"

namespace hoverdeck::testing {

using win32::Narrow;
using win32::UniqueHandle;
using win32::Widen;

Program::Program(const std::wstring& path, const std::wstring& arguments,
                 const std::wstring& directory, HANDLE in, HANDLE out) {
  std::wstring command_line = L"\"" + path + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (in) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr, in != nullptr,
                      in ? CREATE_NO_WINDOW : 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    throw std::runtime_error("cannot start " + Narrow(path) + " (error " +
                             std::to_string(GetLastError()) + ")");
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
  if (WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

std::wstring BesideTest(const std::wstring& name) {
  std::wstring self(MAX_PATH, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  return self.substr(0, self.find_last_of(L"\\/") + 1) + name;
}

// Starts the helper with pipes for its stdin and stdout, then reads "LABEL HANDLE" lines up to
// "ready". Test captions hold no quotes, so plain quoting is enough for its command line.
OwnerProcess::OwnerProcess(const std::vector<OwnedWindow>& windows) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE out_read = nullptr, out_write = nullptr, in_read = nullptr, in_write = nullptr;
  if (!CreatePipe(&out_read, &out_write, &inheritable, 0) ||
      !CreatePipe(&in_read, &in_write, &inheritable, 0)) {
    throw std::runtime_error("CreatePipe failed");
  }
  from_child_.Reset(out_read);
  to_child_.Reset(in_write);
  SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(in_write, HANDLE_FLAG_INHERIT, 0);
  std::wstring arguments;
  for (const auto& window : windows) {
    arguments += L" --window \"" + Widen(window.label) + L"\" \"" + Widen(window.flags) +
                 L"\" \"" + window.caption + L"\"";
  }
  {
    // Our copies of the child's ends go at once, so that its exit ends our reads.
    const UniqueHandle child_out(out_write), child_in(in_read);
    program_.emplace(BesideTest(L"hoverdeck_win32_window_owner.exe"), arguments, L"",
                     child_in.get(), child_out.get());
  }
  for (;;) {
    const auto line = ReadLine(30s);
    if (line == "ready") break;
    const auto blank = line ? line->find(' ') : std::string::npos;
    if (blank == std::string::npos) {
      Stop();
      throw std::runtime_error("the window owner did not report its windows: " +
                               line.value_or("(nothing)"));
    }
    windows_[line->substr(0, blank)] = win32::FromHwnd(
        reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtoll(line->c_str() + blank, 0, 10))));
  }
}

HWND OwnerProcess::Hwnd(const std::string& label) const { return win32::ToHwnd(Window(label)); }

std::optional<std::string> OwnerProcess::LabelOf(WindowHandle window) const {
  for (const auto& [label, handle] : windows_) {
    if (handle == window) return label;
  }
  return std::nullopt;
}

void OwnerProcess::Stop() {
  to_child_.Reset();  // the end of its input ends the helper
  if (program_) program_->WaitForExit(10s);
  program_.reset();  // terminates it when it is still there
  from_child_.Reset();
}

// Polls the pipe, so that a silent or dead helper never blocks a test.
std::optional<std::string> OwnerProcess::ReadLine(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (const auto end = pending_.find('\n'); end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (line.ends_with('\r')) line.pop_back();
      return line;
    }
    DWORD available = 0;
    if (!from_child_ ||
        !PeekNamedPipe(from_child_.get(), nullptr, 0, nullptr, &available, nullptr)) {
      return std::nullopt;
    }
    if (available > 0) {
      std::string chunk(available, '\0');
      DWORD got = 0;
      if (!ReadFile(from_child_.get(), chunk.data(), available, &got, nullptr)) return std::nullopt;
      pending_.append(chunk, 0, got);
    } else if (std::chrono::steady_clock::now() >= deadline) {
      return std::nullopt;
    } else {
      std::this_thread::sleep_for(5ms);
    }
  }
}

std::optional<std::wstring> OwnerProcess::OwnCaption(const std::string& label) {
  const std::string request = "caption " + label + "\n";
  DWORD written = 0;
  if (!to_child_ || !WriteFile(to_child_.get(), request.data(), static_cast<DWORD>(request.size()),
                               &written, nullptr)) {
    return std::nullopt;
  }
  const std::string prefix = "caption " + label + " ";
  const auto line = ReadLine(10s);
  if (!line || !line->starts_with(prefix)) return std::nullopt;
  std::wstring text;
  const std::string hex = line->substr(prefix.size());
  for (std::size_t i = 0; hex != "-" && i + 4 <= hex.size(); i += 4) {
    text.push_back(static_cast<wchar_t>(std::strtoul(hex.substr(i, 4).c_str(), nullptr, 16)));
  }
  return text;
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

BoxPlayer::~BoxPlayer() { KillTimer(nullptr, timer_); }

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

std::string ControlText(HWND window) {
  std::wstring text(4096, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, 5000, &copied)) {
    return {};
  }
  text.resize(std::min<std::size_t>(copied, text.size()));
  return Narrow(text);
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

HWND FindTopLevel(DWORD process, const std::wstring& class_name,
                  const std::optional<std::string>& caption) {
  for (HWND window : TopLevelWindowsOf(process)) {
    if (lstrcmpiW(ClassOf(window).c_str(), class_name.c_str()) == 0 &&
        (!caption || WindowText(window) == *caption)) {
      return window;
    }
  }
  return nullptr;
}

HWND FindDescendant(HWND parent, const std::wstring& class_name,
                    const std::optional<std::string>& text) {
  struct Search {
    const std::wstring& class_name;
    const std::optional<std::string>& text;
    HWND found;
  } search{class_name, text, nullptr};
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM data) -> BOOL {
        auto* search = reinterpret_cast<Search*>(data);
        if (lstrcmpiW(ClassOf(window).c_str(), search->class_name.c_str()) != 0 ||
            (search->text && ControlText(window) != *search->text)) {
          return TRUE;
        }
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> ChildrenOfClass(HWND parent, const std::wstring& class_name) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (lstrcmpiW(ClassOf(child).c_str(), class_name.c_str()) == 0) children.push_back(child);
  }
  return children;
}

}  // namespace hoverdeck::testing
