// Started programs, the window-owner helper and probes of any process's windows.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"

namespace hoverdeck::testing {

using namespace std::chrono_literals;

// A process started by the test, terminated when it still runs at the end.
class Program {
 public:
  Program(const std::wstring& path, const std::wstring& arguments, const std::wstring& directory) {
    std::wstring command_line = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
      throw std::runtime_error("cannot start " + win32::Narrow(path));
    }
    process_.Reset(info.hProcess);
    CloseHandle(info.hThread);
  }
  ~Program() {
    if (Running()) TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 10'000);
  }
  DWORD id() const { return GetProcessId(process_.get()); }
  // True once it waits for input, its start-up done.
  bool WaitForIdle(std::chrono::milliseconds limit) {
    return WaitForInputIdle(process_.get(), static_cast<DWORD>(limit.count())) == 0;
  }
  // Its exit code, or nullopt when it still runs after `limit`.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds limit) {
    DWORD code = 0;
    const bool ended = WaitForSingleObject(process_.get(), DWORD(limit.count())) == WAIT_OBJECT_0;
    return ended && GetExitCodeProcess(process_.get(), &code) ? std::optional(code) : std::nullopt;
  }
  bool Running() { return !WaitForExit(0ms); }

 private:
  win32::UniqueHandle process_;
};

inline std::wstring BesideTest(const std::wstring& name) {
  std::wstring self(MAX_PATH, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
  return self.substr(0, self.find_last_of(L"\\/") + 1) + name;
}

// True once `holds` holds, asked every 20 ms with this thread's messages run in between.
inline bool WaitUntil(const std::function<bool()>& holds, std::chrono::milliseconds limit = 10s) {
  for (const auto deadline = std::chrono::steady_clock::now() + limit; !holds();) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

inline std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  return GetClassNameW(window, name, 256) ? name : L"";
}

// Plays the user in a modal box of this thread, from a timer the box's own loop runs.
class BoxPlayer {
 public:
  explicit BoxPlayer(std::function<void(HWND)> act) {
    act_ = std::move(act);
    played_ = false;
    timer_ = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR, DWORD) {
      HWND box = GetActiveWindow();
      if (played_ || !box || ClassOf(box) != L"#32770") return;
      played_ = true;
      act_(box);
    });
  }
  ~BoxPlayer() { KillTimer(nullptr, timer_); }

 private:
  static inline std::function<void(HWND)> act_;
  static inline bool played_ = false;
  UINT_PTR timer_ = 0;
};

// What the window's own procedure answers to WM_GETTEXT.
inline std::wstring ControlText(HWND window) {
  std::wstring text(4096, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  text.resize(std::min<std::size_t>(copied, text.size()));
  return text;
}

inline std::string WindowText(HWND window) { return win32::Narrow(ControlText(window)); }

inline bool IsTopmost(HWND window) { return GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST; }

inline std::vector<std::string> ListBoxTexts(HWND list) {
  std::vector<std::string> texts;
  for (LRESULT i = 0, count = SendMessageW(list, LB_GETCOUNT, 0, 0); i < count; ++i) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    texts.push_back(win32::Narrow(text));
  }
  return texts;
}

inline std::vector<HWND> TopLevelWindowsOf(DWORD process) {
  std::vector<HWND> found;
  for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == process) found.push_back(window);
  }
  return found;
}

// The process's first top-level window of that class (and title, when given).
inline HWND FindTopLevel(DWORD process, const wchar_t* class_name, const wchar_t* title = nullptr) {
  for (HWND window : TopLevelWindowsOf(process)) {
    if (lstrcmpiW(ClassOf(window).c_str(), class_name) == 0 &&
        (!title || ControlText(window) == title)) {
      return window;
    }
  }
  return nullptr;
}

// The window-owner helper with the windows asked for, each {label, flags (see window_owner.cpp),
// caption without quotes}; throws when they do not all come.
class OwnerProcess {
 public:
  struct Window {
    std::string label, flags;
    std::wstring caption;
  };
  explicit OwnerProcess(const std::vector<Window>& windows) {
    std::wstring arguments;
    std::set<std::wstring> labels = {L"ready"};
    for (const auto& [label, flags, caption] : windows) {
      arguments += win32::Widen(" " + label + " " + flags + " \"") + caption + L"\"";
      labels.insert(win32::Widen(label));
    }
    program_.emplace(BesideTest(L"hoverdeck_win32_window_owner.exe"), arguments, L"");
    for (int i = 0; i < 500 && !windows_.contains("ready"); ++i, Sleep(20)) {
      for (HWND window : TopLevelWindowsOf(program_->id())) {
        std::wstring name = ClassOf(window);
        if (name.starts_with(L"hvd_")) name.erase(0, 4);
        if (labels.contains(name)) windows_[win32::Narrow(name)] = window;
      }
    }
    if (windows_.erase("ready") == 0 || windows_.size() != windows.size()) {
      throw std::runtime_error("no windows from the owner");
    }
  }
  HWND Hwnd(const std::string& label) const { return windows_.at(label); }
  const std::map<std::string, HWND>& windows() const { return windows_; }
  DWORD process_id() const { return program_ ? program_->id() : 0; }
  void Stop() { program_.reset(); }  // its windows go with it
  // It stops answering its messages, as a hung program does, until Resume().
  void Hang() const { PostMessageW(windows_.begin()->second, WM_APP, 0, 0); }
  void Resume() const {
    const std::wstring name = L"Local\\hvd_resume_" + std::to_wstring(process_id());
    SetEvent(win32::UniqueHandle(OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str())).get());
  }

 private:
  std::optional<Program> program_;
  std::map<std::string, HWND> windows_;
};

}  // namespace hoverdeck::testing
