#include "platform/x11/X11ProcessLookup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace hoverdeck {
namespace {

// The target of a symbolic link; "" when it cannot be read.
std::string LinkTarget(const std::string& path) {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t length = readlink(path.c_str(), target.data(), target.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      return target;
    }
    target.resize(target.size() * 2);  // possibly cut short: try again with more room
  }
}

bool IsDirectory(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

X11ProcessLookup::X11ProcessLookup(X11WindowSystem& windows, std::string proc_root)
    : X11ProcessLookup([&windows](WindowHandle window) { return windows.WindowPid(window); },
                       std::move(proc_root)) {}

X11ProcessLookup::X11ProcessLookup(PidOfWindow pid_of_window, std::string proc_root)
    : pid_of_window_(std::move(pid_of_window)), proc_root_(std::move(proc_root)) {}

bool X11ProcessLookup::TableAvailable() const { return IsDirectory(proc_root_ + "/self"); }

std::string X11ProcessLookup::ProcessDir(ProcessId process) const {
  return proc_root_ + "/" + std::to_string(process);
}

std::optional<ProcessId> X11ProcessLookup::WindowProcess(WindowHandle window) {
  return pid_of_window_(window);
}

std::optional<std::string> X11ProcessLookup::ProgramPath(ProcessId process) {
  if (!TableAvailable()) return std::nullopt;
  if (process == 0) return std::string();
  return LinkTarget(ProcessDir(process) + "/exe");
}

std::optional<std::string> X11ProcessLookup::ListedProgramName(ProcessId process) {
  if (!TableAvailable()) return std::nullopt;
  const std::string dir = ProcessDir(process);
  if (process == 0 || !IsDirectory(dir)) return std::string();
  const std::string path = LinkTarget(dir + "/exe");
  if (!path.empty()) return path.substr(path.rfind('/') + 1);
  std::ifstream comm(dir + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

}  // namespace hoverdeck
