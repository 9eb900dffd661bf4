// The window-system port over KWin on a Wayland desktop: every window, native or XWayland, as
// the program's script inside KWin reports it, kept up to date by the script's own calls, so
// that a scan of an unchanged desktop makes no call at all. Keep-above goes to the script as a
// command; the close function through KWin's window rules (the close-button list's as standing
// rules that KWin applies to windows as they come and change, a single window's as its own); the
// marker through the X window of XWayland windows only, since nothing may change a native window's
// caption from outside.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/GlobalHotkey.h"
#include "platform/kwin/ReportedWindowSystem.h"

namespace hoverdeck {

class KWinWindowSystem final : public ReportedWindowSystem {
 public:
  // Over the KWin that owns org.kde.KWin on the session bus, followed when it restarts or is
  // replaced; in a Plasma session also over a KWin still to come. nullptr when there is none,
  // its script does not start, or another copy of the program drives it. `x_display` names the
  // XWayland display where the captions of XWayland windows are written. Needs a Qt application
  // object; the program's rules in KWin go with the adapter (and with its start, after a crash).
  static std::unique_ptr<KWinWindowSystem> Connect(std::string x_display);
  ~KWinWindowSystem() override;

  bool SetCaption(WindowHandle window, const std::string& caption) override;
  std::optional<WindowRect> Rect(WindowHandle window) override;
  bool SetTopmost(WindowHandle window, bool topmost, const WindowRect& at) override;
  std::optional<std::uint32_t> CloseItemState(WindowHandle window) override;
  // A window that a close-button list rule covers is left to KWin's rule for it.
  bool SetCloseItemState(WindowHandle window, std::uint32_t state) override;
  // Kept as KWin rules, one per part (or one for every window), written when they change.
  void SetCloseRules(const std::vector<std::string>& parts, bool every_window) override;
  bool ConfirmCloseItemDisabled(WindowHandle window) override;

  // What the script did after each press of the program's key combination (KWinGlobalHotkey),
  // from the event loop or while the adapter awaits a change.
  void OnHotkeySwitched(std::function<void(const HotkeySwitch&)> switched);
  // The D-Bus messages exchanged with KWin and its script since the start.
  std::uint64_t Messages() const;

 private:
  struct State;
  explicit KWinWindowSystem(std::unique_ptr<State> state);

  std::unique_ptr<State> state_;
};

}  // namespace hoverdeck
