#include "platform/kwin/ReportedWindowSystem.h"

namespace hoverdeck {

// How long the desktop may take to carry out a command.
constexpr std::chrono::milliseconds kCommandTimeout(500);

bool ReportedWindowSystem::ConfirmTopmost(WindowHandle window, bool topmost) {
  return AwaitReports(
      take_in_,
      [&]() -> std::optional<bool> {
        const KWinWindow* found = table_.Find(window);
        if (found == nullptr) return std::nullopt;
        return found->Has(kKWinKeepAbove) == topmost;
      },
      kCommandTimeout);
}

std::optional<ProcessId> ReportedWindowSystem::WindowPid(WindowHandle window) {
  const KWinWindow* found = table_.Find(window);
  if (found == nullptr || found->pid == 0) return std::nullopt;
  return found->pid;
}

std::string ReportedWindowSystem::DesktopId(WindowHandle window) {
  const KWinWindow* found = table_.Find(window);
  return found == nullptr ? std::string() : found->id;
}

}  // namespace hoverdeck
