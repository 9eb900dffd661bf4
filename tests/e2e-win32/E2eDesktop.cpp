#include "E2eDesktop.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace hoverdeck::e2e {
namespace {

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// Calls `line` for each line of the text, without its CR LF or LF.
template <typename Fn>
void ForEachLine(const std::string& text, Fn&& line) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string_view current(text.data() + at, end - at);
    if (!current.empty() && current.back() == '\r') current.remove_suffix(1);
    line(current);
    at = end + 1;
  }
}

}  // namespace

std::wstring WindowText(HWND window) {
  std::wstring text(1024, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ControlText(HWND window) {
  std::wstring text(4096, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, 5000, &copied)) {
    return {};
  }
  text.resize(std::min<std::size_t>(copied, text.size()));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

bool IsTopmost(HWND window) {
  return (static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)) & WS_EX_TOPMOST) != 0;
}

std::vector<HWND> TopLevelWindowsOf(DWORD process) {
  struct Search {
    DWORD process;
    std::vector<HWND> found;
  } search{process, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* search = reinterpret_cast<Search*>(data);
        if (ProcessOf(window) == search->process) search->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindTopLevel(DWORD process, const std::wstring& class_name,
                  const std::optional<std::wstring>& caption) {
  for (HWND window : TopLevelWindowsOf(process)) {
    if (lstrcmpiW(ClassOf(window).c_str(), class_name.c_str()) != 0) continue;
    if (caption && WindowText(window) != *caption) continue;
    return window;
  }
  return nullptr;
}

HWND FindDescendant(HWND parent, const std::wstring& class_name,
                    const std::optional<std::wstring>& text) {
  struct Search {
    const std::wstring& class_name;
    const std::optional<std::wstring>& text;
    HWND found;
  } search{class_name, text, nullptr};
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM data) -> BOOL {
        auto* search = reinterpret_cast<Search*>(data);
        if (lstrcmpiW(ClassOf(window).c_str(), search->class_name.c_str()) != 0) return TRUE;
        if (search->text && ControlText(window) != *search->text) return TRUE;
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

std::vector<std::wstring> ListBoxTexts(HWND list) {
  std::vector<std::wstring> texts;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length == LB_ERR) break;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    texts.push_back(text);
  }
  return texts;
}

bool PostDoubleClickOnEntry(HWND list, int index) {
  // The entry's place from its height and the first entry shown: no pointer crosses processes.
  const LRESULT height = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
  const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
  RECT client{};
  if (height == LB_ERR || height <= 0 || top == LB_ERR || !GetClientRect(list, &client)) {
    return false;
  }
  const LONG y = static_cast<LONG>((index - top) * height + height / 2);
  if (index < top || y >= client.bottom) return false;  // not in view
  const LPARAM at = MAKELPARAM(8, y);
  return PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at) &&
         PostMessageW(list, WM_LBUTTONUP, 0, at) &&
         PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at) &&
         PostMessageW(list, WM_LBUTTONUP, 0, at);
}

void PostClick(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(50ms);
  }
}

Program::Program(const std::wstring& path, const std::wstring& arguments,
                 const std::wstring& directory) {
  std::wstring command_line = L"\"" + path + L"\"";
  if (!arguments.empty()) command_line += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.c_str(), &startup, &info)) {
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

bool Program::Running() {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

IniLines IniSection(const std::string& text, const std::string& section) {
  IniLines lines;
  bool inside = false;
  ForEachLine(text, [&](std::string_view line) {
    line = Trim(line);
    if (!line.empty() && line.front() == '[') {
      const std::size_t close = line.find(']');
      inside = close != std::string_view::npos && Trim(line.substr(1, close - 1)) == section;
      return;
    }
    const std::size_t equals = line.find('=');
    if (!inside || equals == std::string_view::npos) return;
    lines.emplace_back(std::string(Trim(line.substr(0, equals))),
                       std::string(Trim(line.substr(equals + 1))));
  });
  return lines;
}

std::optional<std::string> IniValue(const std::string& text, const std::string& section,
                                    const std::string& key) {
  for (const auto& [name, value] : IniSection(text, section)) {
    if (name == key) return value;
  }
  return std::nullopt;
}

std::string CrLfLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return narrow;
}

}  // namespace hoverdeck::e2e
