// A desktop of top-level windows held in memory, standing in for the window system in the
// core's tests: Z-order with a topmost band, captions, styles, parents, system menus, processes,
// windows that vanish between two calls, and a count of every write it receives.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ProcessLookup.h"
#include "platform/WindowSystem.h"

namespace hoverdeck::testing {

struct SimWindow {
  std::string caption;
  bool visible = true, enabled = true, topmost = false;
  WindowHandle parent = kNoWindow;
  WindowRect rect{10, 20, 410, 320};
  // The Close item's state word; nullopt for a window whose system menu cannot be reached.
  std::optional<std::uint32_t> close_state = 0;
  ProcessId process = 0;
  // Refusals of a protected window: the write is answered false and changes nothing.
  bool refuses_topmost = false, refuses_close_item = false, refuses_caption = false;
  // False for a shown window a person cannot see (cloaked) and for the shell's own windows.
  bool seen = true;
  // A program that does not answer takes writes without acting on them (a caption times out, a
  // topmost switch is kept and made once it answers again); one with higher rights refuses all.
  WindowAccess access = WindowAccess::kOpen;
  std::optional<bool> pending_topmost = std::nullopt;
};

struct WriteCounts {
  int caption = 0, topmost = 0, close_item = 0;
  int total() const { return caption + topmost + close_item; }
};

struct SimProcess {
  std::string path;         // what the process-status lookup gives
  std::string listed_name;  // what the process list gives
};

class SimulatedDesktop final : public WindowSystem, public ProcessLookup {
 public:
  // Opens a window at the top of its band (topmost or not) and returns its handle.
  WindowHandle Open(SimWindow window);
  WindowHandle Open(const std::string& caption, bool topmost = false) {
    return Open(SimWindow{.caption = caption, .topmost = topmost});
  }
  void Close(WindowHandle window);
  // The window closes once it has been named in `calls` more calls of the window system.
  void VanishAfter(WindowHandle window, int calls) { vanish_after_[window] = calls; }

  bool Exists(WindowHandle window) const { return windows_.count(window) != 0; }
  SimWindow& Window(WindowHandle window) { return windows_.at(window); }
  const SimWindow& Window(WindowHandle window) const { return windows_.at(window); }

  void AddProcess(ProcessId id, SimProcess process) { processes_[id] = std::move(process); }
  // Both lookups fail as a whole, as when their system library is missing.
  void BreakProcessLookups() { lookups_broken_ = true; }

  const WriteCounts& writes() const { return writes_; }
  void ResetWrites() { writes_ = {}; }
  // Every call of the window-system port, reads included.
  int calls() const { return calls_; }
  // Once set, the desktop tells when it is unchanged, as the X11 adapter does; tests move it on.
  std::optional<std::uint64_t> revision;

  std::optional<std::uint64_t> DesktopRevision() override { return revision; }
  WindowHandle FirstWindow(WindowHandle from) override;
  WindowHandle NextWindow(WindowHandle window) override;
  bool HasParent(WindowHandle w) override { return Get(w, &SimWindow::parent) != kNoWindow; }
  bool IsVisible(WindowHandle w) override { return Get(w, &SimWindow::visible); }
  bool IsEnabled(WindowHandle w) override { return Get(w, &SimWindow::enabled); }
  bool IsSeen(WindowHandle w) override { return Get(w, &SimWindow::seen); }
  WindowAccess Access(WindowHandle w) override { return Get(w, &SimWindow::access); }
  std::string Caption(WindowHandle w) override { return Get(w, &SimWindow::caption); }
  bool SetCaption(WindowHandle window, const std::string& caption) override;
  bool IsTopmost(WindowHandle w) override { return Get(w, &SimWindow::topmost); }
  std::optional<WindowRect> Rect(WindowHandle w) override {
    return Get(w, &SimWindow::rect, std::optional<WindowRect>());
  }
  bool SetTopmost(WindowHandle window, bool topmost, const WindowRect& at) override;
  std::optional<std::uint32_t> CloseItemState(WindowHandle w) override {
    return Get(w, &SimWindow::close_state);
  }
  bool SetCloseItemState(WindowHandle window, std::uint32_t state) override;

  std::optional<ProcessId> WindowProcess(WindowHandle window) override;
  std::optional<std::string> ProgramPath(ProcessId p) override {
    return Lookup(p, &SimProcess::path);
  }
  std::optional<std::string> ListedProgramName(ProcessId p) override {
    return Lookup(p, &SimProcess::listed_name);
  }

 private:
  // Counts the call and lets a vanishing window go; the window, or nullptr when it is gone.
  SimWindow* Touch(WindowHandle window);
  // A field of the window, or `missing` (its zero value unless told) once it is gone.
  template <typename Field, typename T = Field>
  T Get(WindowHandle window, Field SimWindow::*field, T missing = {}) {
    const SimWindow* w = Touch(window);
    return w == nullptr ? missing : w->*field;
  }
  std::optional<std::string> Lookup(ProcessId process, std::string SimProcess::*field) const;
  // Moves the window to the top of its band.
  void Place(WindowHandle window, bool topmost);
  // A topmost switch as the window's program makes it.
  void Switch(WindowHandle window, bool topmost);

  std::map<WindowHandle, SimWindow> windows_;
  std::vector<WindowHandle> z_order_;
  std::map<WindowHandle, int> vanish_after_;
  std::map<ProcessId, SimProcess> processes_;
  WindowHandle next_handle_ = 0x10010;
  WriteCounts writes_;
  int calls_ = 0;
  bool lookups_broken_ = false;
};

}  // namespace hoverdeck::testing
