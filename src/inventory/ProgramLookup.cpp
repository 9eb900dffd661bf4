#include "inventory/ProgramLookup.h"

namespace hoverdeck {

std::optional<std::string> GetProgramNameNT(ProcessLookup& processes, WindowHandle window) {
  const auto process = processes.WindowProcess(window);
  if (!process) return std::string();
  return processes.ProgramPath(*process);
}

std::optional<std::string> GetProgramName9x(ProcessLookup& processes, WindowHandle window) {
  const auto process = processes.WindowProcess(window);
  if (!process) return std::string();
  return processes.ListedProgramName(*process);
}

}  // namespace hoverdeck
