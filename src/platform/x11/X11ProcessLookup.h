// The process port of the Linux edition: the owner's process id from the window, the program
// from the process table in /proc.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/ProcessLookup.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck {

class X11ProcessLookup final : public ProcessLookup {
 public:
  // `windows` answers the process ids and must outlive the lookup. `proc_root` is where the
  // process table is mounted.
  explicit X11ProcessLookup(X11WindowSystem& windows, std::string proc_root = "/proc");
  // The same table, with the process ids from another window system (KWin's).
  using PidOfWindow = std::function<std::optional<ProcessId>(WindowHandle)>;
  explicit X11ProcessLookup(PidOfWindow pid_of_window, std::string proc_root = "/proc");

  std::optional<ProcessId> WindowProcess(WindowHandle window) override;
  // The target of PROC/PID/exe.
  std::optional<std::string> ProgramPath(ProcessId process) override;
  // The file name of the program, or the kernel's command name when the program cannot be read
  // (another user's process, a kernel thread).
  std::optional<std::string> ListedProgramName(ProcessId process) override;

 private:
  // Whether the process table can be read at all.
  bool TableAvailable() const;
  std::string ProcessDir(ProcessId process) const;

  PidOfWindow pid_of_window_;
  std::string proc_root_;
};

}  // namespace hoverdeck
