// The X11 window-system adapter's waits for the window manager to take in a change it was asked
// for: a window kept above the others, a Close item withheld.
#include <chrono>
#include <thread>

#include "platform/x11/X11WindowState.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck {
namespace {

// How long the adapter waits for the window manager to take in a change, and how often it looks.
constexpr auto kConfirmTimeout = std::chrono::milliseconds(500);
constexpr auto kConfirmPoll = std::chrono::milliseconds(5);

// Asks `reached` until it answers true, for at most kConfirmTimeout: the window manager
// handles requests and property changes in its own time. False when the window is gone
// (nullopt) or the time is up.
template <typename Question>
bool AwaitWindowManager(const Question& reached) {
  const auto deadline = std::chrono::steady_clock::now() + kConfirmTimeout;
  for (;;) {
    const std::optional<bool> answer = reached();
    if (!answer) return false;
    if (*answer) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kConfirmPoll);
  }
}

}  // namespace

bool X11WindowSystem::ConfirmTopmost(WindowHandle window, bool topmost) {
  x11::WindowSystemState& s = *state_;
  return AwaitWindowManager([&]() -> std::optional<bool> {
    const auto above = s.AboveNow(window);
    if (!above) return std::nullopt;
    return *above == topmost;
  });
}

bool X11WindowSystem::ConfirmCloseItemDisabled(WindowHandle window) {
  // The window manager republishes the allowed actions in its own time after the hints change;
  // until then the actions it published before still offer close.
  return AwaitWindowManager([&]() -> std::optional<bool> {
    const auto state = CloseItemState(window);
    if (!state) return std::nullopt;
    return IsCloseItemDisabled(*state);
  });
}

}  // namespace hoverdeck
