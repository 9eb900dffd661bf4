// The tests' side of the window-owner helper: starts it with the windows a test asks for, reads
// their handles, asks for their captions as the owning process sees them, and ends it.
#pragma once

#include <windows.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/WindowHandle.h"
#include "platform/WindowSystem.h"
#include "platform/win32/UniqueHandle.h"

namespace hoverdeck::testing {

struct OwnedWindow {
  std::string label;  // plain ASCII, no blanks
  std::string flags;  // see window_owner.cpp: "-" or letters of t d h p o
  std::wstring caption;
};

class OwnerProcess {
 public:
  // Starts the helper beside the test executable; throws std::runtime_error when it cannot be
  // started or does not report its windows in time.
  explicit OwnerProcess(const std::vector<OwnedWindow>& windows);
  ~OwnerProcess();
  OwnerProcess(const OwnerProcess&) = delete;
  OwnerProcess& operator=(const OwnerProcess&) = delete;

  WindowHandle Window(const std::string& label) const { return windows_.at(label); }
  // The label of one of its windows; nullopt for any other window.
  std::optional<std::string> LabelOf(WindowHandle window) const;
  HWND Hwnd(const std::string& label) const;
  DWORD process_id() const { return process_id_; }
  // The full path it was started from.
  const std::wstring& program() const { return program_; }

  // The caption of one of its windows as read inside the helper; nullopt when it does not answer.
  std::optional<std::wstring> OwnCaption(const std::string& label);

  // Asks the helper to exit and waits for it; it is terminated when it does not exit in time.
  void Stop();

 private:
  std::optional<std::string> ReadLine(std::chrono::milliseconds limit);
  bool WriteLine(const std::string& line);

  std::wstring program_;
  win32::UniqueHandle process_;
  win32::UniqueHandle to_child_;
  win32::UniqueHandle from_child_;
  DWORD process_id_ = 0;
  std::string pending_;
  std::map<std::string, WindowHandle> windows_;
};

// The helper program beside the running test executable.
std::wstring OwnerProgramPath();

// The labels of the helper's windows in the order a raw walk of the adapter meets them (every
// top-level window, filtered or not).
std::vector<std::string> LabelsInWalkOrder(WindowSystem& windows, const OwnerProcess& owner);

// ASCII lower case, for comparing file names the way the file system does.
std::string Lower(std::string text);

}  // namespace hoverdeck::testing
