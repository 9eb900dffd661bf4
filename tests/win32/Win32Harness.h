// What every Windows test on real windows shares: programs started and ended by the test, the
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

// A process started by the test, terminated when it still runs at the end. Throws
// std::runtime_error when it cannot be started.
class Program {
 public:
  Program(const std::wstring& path, const std::wstring& arguments,
          const std::wstring& directory = L"", HANDLE out = nullptr);
  ~Program();
  DWORD id() const { return id_; }
  bool WaitForIdle(std::chrono::milliseconds limit);
  // Its exit code, or nullopt when it still runs after `limit`.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds limit);
  bool Running() { return !WaitForExit(0ms); }

 private:
  win32::UniqueHandle process_;
  DWORD id_ = 0;
};

struct OwnedWindow {
  std::string label;  // plain ASCII, no blanks
  std::string flags;  // see window_owner.cpp: "-" or letters of t d h p o
  std::wstring caption;
};

// The window-owner helper beside the test executable, with the windows a test asks for. Throws
// std::runtime_error when it does not report them.
class OwnerProcess {
 public:
  explicit OwnerProcess(const std::vector<OwnedWindow>& windows);
  WindowHandle Window(const std::string& label) const { return windows_.at(label); }
  HWND Hwnd(const std::string& label) const;
  // The label of one of its windows; nullopt for any other window.
  std::optional<std::string> LabelOf(WindowHandle window) const;
  DWORD process_id() const { return program_ ? program_->id() : 0; }
  // Ends it, its windows with it.
  void Stop() { program_.reset(); }

 private:
  std::optional<Program> program_;
  std::map<std::string, WindowHandle> windows_;
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
  static bool played() { return played_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  static inline std::function<void(HWND)> act_;
  static inline bool played_ = false;
  UINT_PTR timer_ = 0;
};

// The caption the system keeps (GetWindowText), as UTF-8.
std::string WindowText(HWND window);
// What the window's own procedure answers to WM_GETTEXT, in its process.
std::wstring ControlText(HWND window);
std::wstring ClassOf(HWND window);
bool IsTopmost(HWND window);
std::vector<std::string> ListBoxTexts(HWND list);
// The top-level windows of a process in Z-order; the direct children of a window.
std::vector<HWND> TopLevelWindowsOf(DWORD process);
std::vector<HWND> ChildrenOf(HWND parent);
// The first of `windows` with that class (any case) and, when given, that ControlText.
HWND FindIn(const std::vector<HWND>& windows, const std::wstring& class_name,
            const std::optional<std::wstring>& text = std::nullopt);

}  // namespace hoverdeck::testing
