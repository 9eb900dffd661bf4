#include "OwnerProcess.h"

#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "platform/win32/Win32WindowSystem.h"

namespace hoverdeck::testing {
namespace {

using win32::UniqueHandle;

constexpr std::chrono::seconds kStartLimit{30};
constexpr std::chrono::seconds kAnswerLimit{10};

std::wstring Quoted(const std::wstring& argument) {
  // Test captions and paths hold neither quotes nor trailing backslashes, so plain quoting is
  // enough for CommandLineToArgvW.
  if (argument.find(L'"') != std::wstring::npos ||
      (!argument.empty() && argument.back() == L'\\')) {
    throw std::invalid_argument("argument needs escaping");
  }
  return L"\"" + argument + L"\"";
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring UnitsFromHex(const std::string& hex) {
  std::wstring text;
  if (hex == "-") return text;
  for (std::size_t i = 0; i + 4 <= hex.size(); i += 4) {
    text.push_back(static_cast<wchar_t>(std::strtoul(hex.substr(i, 4).c_str(), nullptr, 16)));
  }
  return text;
}

}  // namespace

std::wstring OwnerProgramPath() {
  std::wstring self(MAX_PATH, L'\0');
  DWORD length = 0;
  while ((length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()))) >=
         self.size()) {
    self.resize(self.size() * 2);
  }
  self.resize(length);
  return self.substr(0, self.find_last_of(L"\\/") + 1) + L"hoverdeck_win32_window_owner.exe";
}

OwnerProcess::OwnerProcess(const std::vector<OwnedWindow>& windows) : program_(OwnerProgramPath()) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE child_out_read = nullptr, child_out_write = nullptr;
  HANDLE child_in_read = nullptr, child_in_write = nullptr;
  if (!CreatePipe(&child_out_read, &child_out_write, &inheritable, 0)) {
    throw std::runtime_error("CreatePipe failed");
  }
  from_child_.Reset(child_out_read);
  UniqueHandle child_stdout(child_out_write);
  if (!CreatePipe(&child_in_read, &child_in_write, &inheritable, 0)) {
    throw std::runtime_error("CreatePipe failed");
  }
  UniqueHandle child_stdin(child_in_read);
  to_child_.Reset(child_in_write);
  // Only the child's ends are inherited.
  SetHandleInformation(from_child_.get(), HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(to_child_.get(), HANDLE_FLAG_INHERIT, 0);

  std::wstring command_line = Quoted(program_);
  for (const auto& window : windows) {
    command_line += L" --window " + Quoted(Wide(window.label)) + L" " + Quoted(Wide(window.flags)) +
                    L" " + Quoted(window.caption);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = child_stdin.get();
  startup.hStdOutput = child_stdout.get();
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program_.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
    throw std::runtime_error("cannot start the window owner (error " +
                             std::to_string(GetLastError()) + ")");
  }
  process_.Reset(info.hProcess);
  UniqueHandle thread(info.hThread);
  process_id_ = info.dwProcessId;
  // Our copies of the child's ends go, so that its exit ends our reads.
  child_stdout.Reset();
  child_stdin.Reset();

  const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const auto line = ReadLine(left);
    if (!line) {
      Stop();
      throw std::runtime_error("the window owner did not report its windows");
    }
    if (*line == "ready") break;
    const auto blank = line->find(' ');
    if (blank == std::string::npos) {
      Stop();
      throw std::runtime_error("the window owner said: " + *line);
    }
    const long long value = std::strtoll(line->c_str() + blank + 1, nullptr, 10);
    windows_[line->substr(0, blank)] =
        win32::FromHwnd(reinterpret_cast<HWND>(static_cast<INT_PTR>(value)));
  }
}

OwnerProcess::~OwnerProcess() { Stop(); }

std::optional<std::string> OwnerProcess::LabelOf(WindowHandle window) const {
  for (const auto& [label, handle] : windows_) {
    if (handle == window) return label;
  }
  return std::nullopt;
}

HWND OwnerProcess::Hwnd(const std::string& label) const { return win32::ToHwnd(Window(label)); }

void OwnerProcess::Stop() {
  if (!process_) return;
  WriteLine("exit");
  to_child_.Reset();
  if (WaitForSingleObject(process_.get(), 10'000) != WAIT_OBJECT_0) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 10'000);
  }
  process_.Reset();
  from_child_.Reset();
}

bool OwnerProcess::WriteLine(const std::string& line) {
  if (!to_child_) return false;
  const std::string text = line + "\n";
  DWORD written = 0;
  return WriteFile(to_child_.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                   nullptr) &&
         written == text.size();
}

// Polls the pipe so that a silent or dead helper can never block a test.
std::optional<std::string> OwnerProcess::ReadLine(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (const auto end = pending_.find('\n'); end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    DWORD available = 0;
    if (!from_child_ ||
        !PeekNamedPipe(from_child_.get(), nullptr, 0, nullptr, &available, nullptr)) {
      return std::nullopt;  // the helper has gone
    }
    if (available > 0) {
      std::string chunk(available, '\0');
      DWORD got = 0;
      if (!ReadFile(from_child_.get(), chunk.data(), available, &got, nullptr)) return std::nullopt;
      pending_.append(chunk, 0, got);
      continue;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::optional<std::wstring> OwnerProcess::OwnCaption(const std::string& label) {
  if (!WriteLine("caption " + label)) return std::nullopt;
  const std::string prefix = "caption " + label + " ";
  const auto line = ReadLine(kAnswerLimit);
  if (!line || line->rfind(prefix, 0) != 0) return std::nullopt;
  return UnitsFromHex(line->substr(prefix.size()));
}

std::vector<std::string> LabelsInWalkOrder(WindowSystem& windows, const OwnerProcess& owner) {
  std::vector<std::string> labels;
  int steps = 0;
  for (WindowHandle window = windows.FirstWindow(kNoWindow); window != kNoWindow && steps < 100000;
       window = windows.NextWindow(window), ++steps) {
    if (auto label = owner.LabelOf(window)) labels.push_back(*label);
  }
  return labels;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace hoverdeck::testing
