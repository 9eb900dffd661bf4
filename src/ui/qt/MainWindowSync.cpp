// The Qt main window's state drawn from the form's: redraws, the refresh timer, the window's
// caption and state (with the fallback for a desktop without a notification area), and the
// window's own events sent back to the form.
#include <QCloseEvent>
#include <algorithm>
#include <exception>
#include <iostream>

#include "app/ProgramConstants.h"
#include "ui/FlagScope.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtDialogs.h"

namespace hoverdeck {

void MainWindow::Sync() {
  {
    FlagScope syncing(syncing_);
    RedrawChanged(bindings_);
    for (ActionBinding& bound : actions_) {
      if (bound.drawn != bound.item->revision()) {
        bound.action->setText(ToQt(bound.item->Caption()));
        bound.drawn = bound.item->revision();
      }
      // A checkable action flips itself when triggered: the core's mark wins.
      bound.action->setCheckable(bound.item->Checked());
      bound.action->setChecked(bound.item->Checked());
    }
    SyncTimer();
    if (tray_probe_) {
      // A notification area that comes takes the hidden window; one that goes gives it back
      // as a minimised taskbar window.
      if (const bool available = tray_probe_(); available != fallback_.TrayAvailable()) {
        fallback_.SetTrayAvailable(available);
        form_revision_ = std::numeric_limits<std::uint64_t>::max();
      }
    }
    SyncWindow();
  }
  OfferNoTrayMessage();
}

void MainWindow::SyncTimer() {
  const Timer& timer = form_.Timer1;
  if (timer.revision() == timer_revision_ && timer.starts() == timer_starts_) return;
  const bool restart = timer.starts() != timer_starts_;
  timer_revision_ = timer.revision();
  timer_starts_ = timer.starts();
  timer_.setInterval(std::max(timer.Interval(), 0));
  if (!timer.Enabled() || timer.Interval() <= 0) {
    timer_.stop();
  } else if (restart || !timer_.isActive()) {
    timer_.start();
  }
}

void MainWindow::SyncWindow() {
  if (form_.revision() == form_revision_) return;
  form_revision_ = form_.revision();
  setWindowTitle(ToQt(form_.Caption()));
  const WindowPresentation look = fallback_.Present(form_.Visible(), form_.State());
  if (look.shown && look.minimized) {
    if (!isMinimized() || !isVisible()) RequestMinimized();
    return;
  }
  minimize_pending_ = false;
  minimize_settle_.stop();
  if (!look.shown) {
    hide();
  } else if (isMinimized() || !isVisible()) {
    showNormal();
  }
}

void MainWindow::RequestMinimized() {
  if (!isVisible()) {
    // On X11, Qt maps a window that was never shown in the normal state even when it is marked
    // minimised: its iconify request goes to the window manager before the window is managed,
    // and is lost. Mapped first (without taking the focus), the window is managed by the time
    // the request, sent right after, reaches the window manager.
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
  }
  // Qt marks the window minimised at once; the window manager iconifies it a moment later, and
  // until then X still reports the normal state. That is no restore by the user: reports of
  // the normal state wait until the window is iconic, or the settle time has run out.
  minimize_pending_ = true;
  minimize_settle_.start();
  showMinimized();
}

void MainWindow::OfferNoTrayMessage() {
  if (!fallback_.TakeMessage()) return;
  ShowNoTrayMessage();
}

void MainWindow::ShowNoTrayMessage() {
  // Later, from the event loop, once the window manager has done what it does with a minimise
  // request: the message tells what became of the window.
  QTimer::singleShot(minimize_pending_ ? 50 : 0, this, [this] {
    if (minimize_pending_) {
      ShowNoTrayMessage();
      return;
    }
    if (gate_.Busy()) return;
    {
      const FlagScope busy = gate_.Enter();
      try {
        dialogs_.MessageBox(NoTrayFallback::MessageText(isMinimized()), kMessageTitle,
                            MessageIcon::kInformation, MessageButtons::kOk);
      } catch (const std::exception& error) {
        std::cerr << "hoverdeck: " << error.what() << '\n';
      }
    }
    // A restore from the taskbar while the box was open reached no handler: catch up.
    if (isVisible()) FollowNativeState();
  });
}

void MainWindow::FollowNativeState() {
  if (minimize_pending_) return;
  const bool minimized = isMinimized();
  const bool core_minimized = form_.State() == WindowState::kMinimized;
  if (minimized && !core_minimized) {
    Dispatch([this] { form_.Form_Resize(WindowState::kMinimized); });
  } else if (!minimized && core_minimized) {
    if (fallback_.RestoreShows(form_.Visible())) {
      Dispatch([this] { form_.mnuSet_Click(); });
    } else {
      Dispatch([this] { form_.Form_Resize(WindowState::kNormal); });
    }
  }
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (syncing_) return;
  if (event->type() == QEvent::WindowStateChange) {
    if (minimize_pending_) {
      if (!isMinimized()) return;
      // The window manager has iconified the window: from now on a restore is the user's.
      minimize_pending_ = false;
      minimize_settle_.stop();
    }
    FollowNativeState();
  } else if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible()) {
    Dispatch([this] { form_.Form_LostFocus(); });
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (gate_.Busy()) {
    event->ignore();
    return;
  }
  bool cancel = true;
  Dispatch([this, &cancel] { cancel = form_.Form_QueryUnload(); });
  if (cancel) {
    event->ignore();
  } else {
    event->accept();
  }
}

}  // namespace hoverdeck
