// The process lookups over the process-status API and the Tool Help process list.
#pragma once

#include "platform/ProcessLookup.h"

namespace hoverdeck {

// Both lookups are linked in statically (psapi, kernel32), so neither can be missing at run time:
// they never answer nullopt.
class Win32ProcessLookup final : public ProcessLookup {
 public:
  std::optional<ProcessId> WindowProcess(WindowHandle window) override;
  std::optional<std::string> ProgramPath(ProcessId process) override;
  std::optional<std::string> ListedProgramName(ProcessId process) override;
};

}  // namespace hoverdeck
