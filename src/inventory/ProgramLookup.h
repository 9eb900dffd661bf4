// Which program file owns a window, for the label above the window lists.
#pragma once

#include <optional>
#include <string>

#include "platform/ProcessLookup.h"

namespace hoverdeck {

// The full path of the owning process's program file; "" when the window or its process can't
// be reached; nullopt when the lookup itself failed.
std::optional<std::string> GetProgramNameNT(ProcessLookup& processes, WindowHandle window);

// The executable's name from the system's process list; "" and nullopt as above.
std::optional<std::string> GetProgramName9x(ProcessLookup& processes, WindowHandle window);

}  // namespace hoverdeck
