// What the KWin and GNOME adapters of the window-system port answer alike: from the table of the
// windows that their script or extension inside the desktop reports, kept up to date by its own
// calls, so that these answers make no call at all.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "platform/ProcessLookup.h"
#include "platform/WindowSystem.h"
#include "platform/kwin/KWinWindowTable.h"

namespace hoverdeck {

// Takes in the reports (`take_in`, which runs no other event of the program) until `reached`
// answers true, for at most `timeout`; false when the window is gone (nullopt) or the time is up.
template <typename Question>
bool AwaitReports(const std::function<void()>& take_in, const Question& reached,
                  std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    take_in();
    const std::optional<bool> answer = reached();
    if (!answer) return false;
    if (*answer) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

class ReportedWindowSystem : public WindowSystem {
 public:
  std::optional<std::uint64_t> DesktopRevision() override { return table_.Revision(); }
  WindowHandle FirstWindow(WindowHandle /*from*/) override { return table_.First(); }
  WindowHandle NextWindow(WindowHandle window) override { return table_.Next(window); }
  bool HasParent(WindowHandle window) override { return table_.Has(window, kKWinHasParent); }
  bool IsVisible(WindowHandle window) override { return table_.Has(window, kKWinShown); }
  // Wayland has no disabled windows: every existing one takes input.
  bool IsEnabled(WindowHandle window) override { return table_.Find(window) != nullptr; }
  std::string Caption(WindowHandle window) override { return table_.Caption(window); }
  bool IsTopmost(WindowHandle window) override { return table_.Has(window, kKWinKeepAbove); }
  // Waits for the report of the change, for as long as the desktop may take to make it.
  bool ConfirmTopmost(WindowHandle window, bool topmost) override;

  // The window's process as the desktop knows it; nullopt when the window is gone or it knows none.
  std::optional<ProcessId> WindowPid(WindowHandle window);
  // The desktop's own id of the window; "" when it is gone.
  std::string DesktopId(WindowHandle window);

 protected:
  // Over `table`, which `take_in` brings the reports into.
  ReportedWindowSystem(KWinWindowTable& table, std::function<void()> take_in)
      : table_(table), take_in_(std::move(take_in)) {}

 private:
  KWinWindowTable& table_;
  std::function<void()> take_in_;
};

}  // namespace hoverdeck
