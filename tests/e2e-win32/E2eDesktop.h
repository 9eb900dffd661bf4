// What the end-to-end driver needs to work another program's windows from outside: finding
// windows by process, class and caption, reading their state, starting and ending programs, and
// reading INI files the way a person would look at them.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/UniqueHandle.h"

namespace hoverdeck::e2e {

using namespace std::chrono_literals;

// ---- Windows of other processes ----

// The caption as the system keeps it (what GetWindowText gives for another process's window).
std::wstring WindowText(HWND window);
// The text the control itself answers to WM_GETTEXT: an edit control keeps its text to itself.
std::wstring ControlText(HWND window);
std::wstring ClassOf(HWND window);
DWORD ProcessOf(HWND window);
bool IsTopmost(HWND window);

// Class names compare without regard to case, as the system's do.

// The top-level windows of a process, in Z-order.
std::vector<HWND> TopLevelWindowsOf(DWORD process);
// A top-level window of the process with that class and, when given, that caption.
HWND FindTopLevel(DWORD process, const std::wstring& class_name,
                  const std::optional<std::wstring>& caption = std::nullopt);
// A descendant of `parent` with that class and, when given, that text (its ControlText).
HWND FindDescendant(HWND parent, const std::wstring& class_name,
                    const std::optional<std::wstring>& text = std::nullopt);
// The direct children of `parent` with that class.
std::vector<HWND> ChildrenOfClass(HWND parent, const std::wstring& class_name);

// Texts of a list box of another process.
std::vector<std::wstring> ListBoxTexts(HWND list);

// Posts a left double click on an entry of a list box, as the mouse sends it: down, up, double
// click, up. Posted, since the click may open a modal box in the other program.
bool PostDoubleClickOnEntry(HWND list, int index);
// Posts a press of a button (it may open a modal box).
void PostClick(HWND button);

// Asks `pred` every 50 ms until it holds or `limit` has passed; true when it held.
bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit);

// ---- Programs ----

// A program started by the driver; terminated when still running at the end.
class Program {
 public:
  Program(const std::wstring& path, const std::wstring& arguments, const std::wstring& directory);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  DWORD id() const { return id_; }
  // Waits until the program first waits for input (it has started up); false on timeout.
  bool WaitForIdle(std::chrono::milliseconds limit);
  // Waits for the end of the process; its exit code, or nullopt when it still runs.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds limit);
  bool Running();

 private:
  win32::UniqueHandle process_;
  DWORD id_ = 0;
};

// ---- INI text ----

// The "key=value" lines of one section of INI text, in file order, blanks around both taken
// away; empty when the section is missing.
using IniLines = std::vector<std::pair<std::string, std::string>>;
IniLines IniSection(const std::string& text, const std::string& section);
// One value, nullopt when the key or section is missing.
std::optional<std::string> IniValue(const std::string& text, const std::string& section,
                                    const std::string& key);

// INI text from lines, each ended with CR LF as Windows editors write them.
std::string CrLfLines(const std::vector<std::string>& lines);

// Plain ASCII to UTF-16 and back, for messages.
std::wstring Wide(const std::string& ascii);
std::string Narrow(const std::wstring& text);

}  // namespace hoverdeck::e2e
