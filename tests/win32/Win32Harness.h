// What every Windows test on real windows shares: programs started by the test, the
// window-owner helper process, and probes that look at any process's windows from outside.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/WindowHandle.h"
#include "platform/win32/UniqueHandle.h"

namespace hoverdeck::testing {

using namespace std::chrono_literals;

// A process started by the test (its stdout to `out` when given), terminated when it still runs
// at the end. Throws std::runtime_error when it cannot be started.
class Program {
 public:
  Program(const std::wstring& path, const std::wstring& arguments,
          const std::wstring& directory = L"", HANDLE out = nullptr);
  ~Program();
  DWORD id() const { return id_; }
  // Its exit code, or nullopt when it still runs after `limit`.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds limit);
  bool Running() { return !WaitForExit(0ms); }

 private:
  win32::UniqueHandle process_;
  DWORD id_ = 0;
};

// The window-owner helper beside the test executable with the windows asked for, each given as
// {label, flags (see window_owner.cpp), caption}. Throws std::runtime_error when it fails.
class OwnerProcess {
 public:
  struct Window {
    std::string label, flags;
    std::wstring caption;
  };
  explicit OwnerProcess(const std::vector<Window>& windows);
  HWND Hwnd(const std::string& label) const { return windows_.at(label); }
  const std::map<std::string, HWND>& windows() const { return windows_; }
  DWORD process_id() const { return program_ ? program_->id() : 0; }
  void Stop() { program_.reset(); }  // its windows go with it

 private:
  std::optional<Program> program_;
  std::map<std::string, HWND> windows_;
};

// The full path of a program beside the running test executable.
std::wstring BesideTest(const std::wstring& name);

// Asks `holds` every 20 ms, running this thread's messages in between, until it holds or
// `limit` has passed; true when it held.
bool WaitUntil(const std::function<bool()>& holds, std::chrono::milliseconds limit = 10s);

// Plays the user in a modal box of this thread: calls `act` once with the box, from a thread
// timer that the box's own message loop runs.
class BoxPlayer {
 public:
  explicit BoxPlayer(std::function<void(HWND)> act);
  ~BoxPlayer() { KillTimer(nullptr, timer_); }
  static inline bool played = false;

 private:
  static inline std::function<void(HWND)> act_;
  UINT_PTR timer_ = 0;
};

// The caption the system keeps (GetWindowText), as UTF-8.
std::string WindowText(HWND window);
// What the window's own procedure answers to WM_GETTEXT, in its own process.
std::wstring ControlText(HWND window);
std::wstring ClassOf(HWND window);
bool IsTopmost(HWND window);
std::vector<std::string> ListBoxTexts(HWND list);
// The top-level windows of a process, in Z-order.
std::vector<HWND> TopLevelWindowsOf(DWORD process);
// The first top-level window of the process with that class and, when given, that title.
HWND FindTopLevel(DWORD process, const wchar_t* class_name, const wchar_t* title = nullptr);

}  // namespace hoverdeck::testing
