// The window-system port over GNOME Shell on a Wayland desktop: every window, native or
// XWayland, as the program's extension inside the shell reports it, kept up to date by the
// extension's own calls, so that a scan of an unchanged desktop makes no call at all. "Above"
// goes to the extension as a command; the marker and the close button reach XWayland windows
// only, through their X windows: nothing may change a native window's caption or title bar.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/GlobalHotkey.h"
#include "platform/kwin/ReportedWindowSystem.h"

namespace hoverdeck {

class GnomeWindowSystem final : public ReportedWindowSystem {
 public:
  // Over the GNOME Shell that owns org.gnome.Shell on the session bus, once its extension runs
  // and has reported; nullptr when it does not, or when another Hoverdeck holds the program's bus
  // name. `x_display` names XWayland's display. Needs a Qt application object.
  static std::unique_ptr<GnomeWindowSystem> Connect(std::string x_display);
  ~GnomeWindowSystem() override;

  bool SetCaption(WindowHandle window, const std::string& caption) override;
  std::optional<WindowRect> Rect(WindowHandle window) override;
  bool SetTopmost(WindowHandle window, bool topmost, const WindowRect& at) override;
  std::optional<std::uint32_t> CloseItemState(WindowHandle window) override;
  bool SetCloseItemState(WindowHandle window, std::uint32_t state) override;
  bool ConfirmCloseItemDisabled(WindowHandle window) override;

  // Whether the extension runs and reports (it stops while the screen is locked).
  bool Reporting();
  // What the extension did after each press of the program's key combination
  // (GnomeGlobalHotkey), from the event loop or while the adapter awaits a change.
  void OnHotkeySwitched(std::function<void(const HotkeySwitch&)> switched);
  // The D-Bus messages exchanged with the shell since the start.
  std::uint64_t Messages() const;

 private:
  struct State;
  explicit GnomeWindowSystem(std::unique_ptr<State> state);

  std::unique_ptr<State> state_;
};

}  // namespace hoverdeck
