// The port that tells which program owns a window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/WindowHandle.h"

namespace hoverdeck {

using ProcessId = std::uint32_t;

class ProcessLookup {
 public:
  ProcessLookup() = default;
  ProcessLookup(const ProcessLookup&) = delete;
  ProcessLookup& operator=(const ProcessLookup&) = delete;
  virtual ~ProcessLookup() = default;

  // The process that owns the window; nullopt when its thread or process id is 0 (window gone).
  virtual std::optional<ProcessId> WindowProcess(WindowHandle window) = 0;
  // Full path of the process's program file, "" when the process cannot be opened or queried.
  // nullopt when the lookup itself failed (its system library or entry point is missing).
  virtual std::optional<std::string> ProgramPath(ProcessId process) = 0;
  // The executable's name as the system's process list reports it, "" when the process is not
  // in the list. nullopt when the lookup itself failed.
  virtual std::optional<std::string> ListedProgramName(ProcessId process) = 0;
};

}  // namespace hoverdeck
