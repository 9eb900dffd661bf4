// What every Windows test on real windows shares: the window-owner helper process, programs
// started and ended by the test, and probes that look at other processes' windows from outside.
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

// A process started by the test; terminated when it still runs at the end.
class Program {
 public:
  // Throws std::runtime_error when it cannot be started.
  Program(const std::wstring& path, const std::wstring& arguments,
          const std::wstring& directory = L"", HANDLE in = nullptr, HANDLE out = nullptr);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

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

// The window-owner helper beside the test executable, with the windows a test asks for.
class OwnerProcess {
 public:
  // Throws std::runtime_error when it does not report its windows in time.
  explicit OwnerProcess(const std::vector<OwnedWindow>& windows);
  ~OwnerProcess() { Stop(); }

  WindowHandle Window(const std::string& label) const { return windows_.at(label); }
  HWND Hwnd(const std::string& label) const;
  // The label of one of its windows; nullopt for any other window.
  std::optional<std::string> LabelOf(WindowHandle window) const;
  DWORD process_id() const { return program_ ? program_->id() : 0; }
  // The caption of one of its windows as read inside the helper; nullopt when it does not answer.
  std::optional<std::wstring> OwnCaption(const std::string& label);
  // Ends it (its windows go with it) and waits for that.
  void Stop();

 private:
  std::optional<std::string> ReadLine(std::chrono::milliseconds limit);
  win32::UniqueHandle to_child_;
  win32::UniqueHandle from_child_;
  std::optional<Program> program_;
  std::string pending_;
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
  ~BoxPlayer();
  BoxPlayer(const BoxPlayer&) = delete;
  BoxPlayer& operator=(const BoxPlayer&) = delete;
  static bool played() { return played_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  static inline std::function<void(HWND)> act_;
  static inline bool played_ = false;
  UINT_PTR timer_ = 0;
};

// ---- Probes of windows, of this process or another ----

// The caption the system keeps (GetWindowText), as UTF-8.
std::string WindowText(HWND window);
// What the control itself answers to WM_GETTEXT (an edit control keeps its text to itself).
std::string ControlText(HWND window);
std::wstring ClassOf(HWND window);
bool IsTopmost(HWND window);
std::vector<std::string> ListBoxTexts(HWND list);
// The top-level windows of a process, in Z-order.
std::vector<HWND> TopLevelWindowsOf(DWORD process);
// A top-level window of the process with that class (any case) and, when given, that caption.
HWND FindTopLevel(DWORD process, const std::wstring& class_name,
                  const std::optional<std::string>& caption = std::nullopt);
// A descendant of `parent` with that class and, when given, that ControlText.
HWND FindDescendant(HWND parent, const std::wstring& class_name,
                    const std::optional<std::string>& text = std::nullopt);
// The direct children of `parent` with that class.
std::vector<HWND> ChildrenOfClass(HWND parent, const std::wstring& class_name);

}  // namespace hoverdeck::testing
