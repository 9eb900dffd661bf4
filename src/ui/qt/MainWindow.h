// The main window of the Linux edition: draws the core form's state with Qt widgets and sends
// the user's events to the form's handlers. It decides nothing on its own, beyond keeping the
// window reachable when the desktop has no tray (see NoTrayFallback).
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ui/ControlBindings.h"
#include "ui/FormLayout.h"
#include "ui/HandlerGate.h"
#include "ui/Redraw.h"
#include "ui/frmTop.h"
#include "ui/qt/NoTrayFallback.h"

class QAction;
class QFont;
class QListWidget;
class QMenu;

namespace hoverdeck {

// Logical pixels for twips; Qt scales logical pixels for high-density screens itself.
int LogicalPixels(int twips);

// The face the controls are drawn with: the layout's sizes were made for a compact 8-point
// sans-serif face, so Liberation Sans (Arial's metrics) at 8 points, slightly narrowed, where it
// is installed; the desktop's own face at the same size otherwise.
QFont FormFont(const QFont& desktop_font);

// How many lines of text in `font` a control `height` pixels tall holds; at least one.
int TextLines(const QFont& font, int height);

class MainWindow final : public QMainWindow {
 public:
  MainWindow(frmTop& form, Dialogs& dialogs, bool tray_available);
  ~MainWindow() override;

  // Runs a handler of the form, then redraws what changed and ends the program when the form
  // asks for it. While a handler waits on a modal box only ticks get through (HandlerGate).
  // No exception leaves.
  void Dispatch(const std::function<void()>& handler, FormEvent event = FormEvent::kUser);
  // Redraws every control whose revision changed, the timer, the caption and the window state.
  void Sync();

  // Asked at every redraw whether the desktop has a notification area now; without a probe the
  // answer given at construction holds.
  void SetTrayProbe(std::function<bool()> probe) { tray_probe_ = std::move(probe); }

  // What ends the program; EndEventLoop by default.
  void SetEndHandler(std::function<void()> on_end) { on_end_ = std::move(on_end); }

  // The widget of a control of the layout by its name; nullptr when there is none.
  QWidget* Control(std::string_view name) const;
  QListWidget* List(std::string_view name) const;
  QTimer& RefreshTimer() { return timer_; }
  // Runs out when the window manager has had time to iconify the window after a request.
  QTimer& MinimizeSettleTimer() { return minimize_settle_; }
  // The menu-bar menu of a core menu, by the core menu's name.
  QMenu* BarMenu(std::string_view name) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  using Binding = RedrawBinding;
  struct ActionBinding {
    const MenuItem* item;
    QAction* action;
    std::uint64_t drawn = std::numeric_limits<std::uint64_t>::max();  // the caption's revision
  };
  void BuildControls();
  // Binds the widget to the form's state it shows, and its events to the form's handlers.
  void BindControl(QWidget* widget, const std::string& name, const ControlBinding& binding);
  // Sends a button's click, a banner's pointer or a frame's press to `handler`.
  void WireAction(QWidget* widget, ControlType type, void (frmTop::*handler)());
  void BuildMenus();
  void SetTabOrder();
  void BindLabel(const std::string& name, const Label& label);
  void BindList(QListWidget* widget, const SortedList& list, bool checkable);
  void WireWindowList(QListWidget* widget, ListBinding events);
  void WireCatalogue(QListWidget* widget, ListBinding events);
  void WireCheckBox(QWidget* widget, void (frmTop::*mouse_down)());
  void SyncTimer();
  void SyncWindow();
  void RequestMinimized();
  void FollowNativeState();
  void OfferNoTrayMessage();
  void ShowNoTrayMessage();
  void Filter(QObject* watched, std::function<bool(QEvent*)> filter);

  frmTop& form_;
  Dialogs& dialogs_;
  NoTrayFallback fallback_;
  QWidget* central_ = nullptr;
  std::map<std::string, QWidget*, std::less<>> controls_;
  std::map<std::string, QMenu*, std::less<>> bar_menus_;
  std::map<QObject*, std::function<bool(QEvent*)>> filters_;
  std::vector<Binding> bindings_;
  std::vector<ActionBinding> actions_;
  QTimer timer_;
  QTimer minimize_settle_;
  bool minimize_pending_ = false;
  std::uint64_t timer_revision_ = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t timer_starts_ = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t form_revision_ = std::numeric_limits<std::uint64_t>::max();
  HandlerGate gate_;
  bool syncing_ = false;
  std::function<void()> on_end_;
  std::function<bool()> tray_probe_;
};

}  // namespace hoverdeck
