#include "platform/gnome/GnomeWindowSystem.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include "platform/gnome/GnomeReports.h"
#include "platform/kwin/KWinWindowTable.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck {
namespace {

using std::chrono::milliseconds;

// The name the extension watches for; whoever owns it is the Hoverdeck it serves.
const QString kBusName = QStringLiteral("org.example.Hoverdeck");
const QString kShell = QStringLiteral("org.gnome.Shell");
const QString kCommandsPath = QStringLiteral("/org/example/Hoverdeck/Shell");
const QString kCommands = QStringLiteral("org.example.Hoverdeck.Shell");
// How long the extension may take to report the windows it starts with, and to answer a
// question: at once, unless the shell is busy putting up new windows (seen taking over 250 ms
// under load).
constexpr milliseconds kStartTimeout(5000);
constexpr int kQuestionTimeoutMs = 1000;

}  // namespace

struct GnomeWindowSystem::State {
  KWinWindowTable table;
  std::unique_ptr<GnomeReports> reports;
  bool registered = false;
  bool named = false;
  std::string x_display;
  std::unique_ptr<X11WindowSystem> x11;
  std::uint64_t calls = 0;

  ~State() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (named) bus.unregisterService(kBusName);
    if (registered) bus.unregisterObject(GnomeReports::kPath);
  }

  QDBusMessage Command(const QString& method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(kShell, kCommandsPath, kCommands, method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    ++calls;
    return message;
  }

  // The X window of an XWayland window, found by its process and caption when the shell did not
  // name it; 0 for a native window or when none is found.
  WindowHandle XWindow(const KWinWindow& window) {
    if (!(window.flags & kGnomeXWayland) || x_display.empty()) return kNoWindow;
    if (!x11) x11 = X11WindowSystem::Connect(x_display.c_str());
    if (!x11) return kNoWindow;
    if (window.xid != 0) return window.xid;
    for (WindowHandle w = x11->FirstWindow(kNoWindow); w != kNoWindow; w = x11->NextWindow(w)) {
      if (x11->WindowPid(w) == window.pid && x11->Caption(w) == window.caption) return w;
    }
    return kNoWindow;
  }
};

GnomeWindowSystem::GnomeWindowSystem(std::unique_ptr<State> state)
    : ReportedWindowSystem(state->table, [s = state.get()] { s->reports->TakeIn(); }),
      state_(std::move(state)) {}
GnomeWindowSystem::~GnomeWindowSystem() = default;

std::unique_ptr<GnomeWindowSystem> GnomeWindowSystem::Connect(std::string x_display) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || bus.interface() == nullptr) return nullptr;
  QCoreApplication::sendPostedEvents();
  const auto owner = bus.interface()->serviceOwner(kShell);
  if (!owner.isValid() || owner.value().isEmpty()) return nullptr;

  auto state = std::make_unique<State>();
  state->x_display = std::move(x_display);
  state->reports = std::make_unique<GnomeReports>(state->table, owner.value());
  state->registered =
      bus.registerVirtualObject(QLatin1String(GnomeReports::kPath), state->reports.get());
  if (!state->registered) return nullptr;
  // Another Hoverdeck holding the name is served by the extension instead of this one.
  const auto named =
      bus.interface()->registerService(kBusName, QDBusConnectionInterface::DontQueueService,
                                       QDBusConnectionInterface::DontAllowReplacement);
  state->named = named.isValid() && named.value() == QDBusConnectionInterface::ServiceRegistered;
  if (!state->named) return nullptr;
  GnomeReports& reports = *state->reports;
  if (!AwaitReports([&] { reports.TakeIn(); },
                    [&]() -> std::optional<bool> { return reports.Running(); }, kStartTimeout)) {
    return nullptr;
  }
  return std::unique_ptr<GnomeWindowSystem>(new GnomeWindowSystem(std::move(state)));
}

bool GnomeWindowSystem::SetCaption(WindowHandle window, const std::string& caption) {
  const KWinWindow* found = state_->table.Find(window);
  // A native window's caption is its program's alone.
  const WindowHandle x = found == nullptr ? kNoWindow : state_->XWindow(*found);
  return x != kNoWindow && state_->x11->SetCaption(x, caption);
}

std::optional<WindowRect> GnomeWindowSystem::Rect(WindowHandle window) {
  const KWinWindow* found = state_->table.Find(window);
  if (found == nullptr) return std::nullopt;
  const QDBusMessage reply = QDBusConnection::sessionBus().call(
      state_->Command(QStringLiteral("Rect"), {QString::fromStdString(found->id)}), QDBus::Block,
      kQuestionTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    return std::nullopt;
  }
  const QDBusArgument rect = reply.arguments().front().value<QDBusArgument>();
  int x = 0, y = 0, width = 0, height = 0;
  rect.beginStructure();
  rect >> x >> y >> width >> height;
  rect.endStructure();
  return WindowRect{x, y, x + width, y + height};
}

bool GnomeWindowSystem::SetTopmost(WindowHandle window, bool topmost, const WindowRect& /*at*/) {
  const KWinWindow* found = state_->table.Find(window);
  if (found == nullptr) return false;
  // The shell keeps the window's place and size itself; its answer is not waited for.
  return QDBusConnection::sessionBus().send(
      state_->Command(QStringLiteral("SetAbove"), {QString::fromStdString(found->id), topmost}));
}

std::optional<std::uint32_t> GnomeWindowSystem::CloseItemState(WindowHandle window) {
  const KWinWindow* found = state_->table.Find(window);
  if (found == nullptr) return std::nullopt;
  const WindowHandle x = state_->XWindow(*found);
  if (x != kNoWindow) return state_->x11->CloseItemState(x);
  return found->Has(kKWinCloseable) ? 0 : kCloseItemDisabledBits;
}

bool GnomeWindowSystem::SetCloseItemState(WindowHandle window, std::uint32_t state) {
  const KWinWindow* found = state_->table.Find(window);
  // A native window draws its own title bar: nothing from outside takes its close button away.
  const WindowHandle x = found == nullptr ? kNoWindow : state_->XWindow(*found);
  return x != kNoWindow && state_->x11->SetCloseItemState(x, state);
}

bool GnomeWindowSystem::ConfirmCloseItemDisabled(WindowHandle window) {
  const KWinWindow* found = state_->table.Find(window);
  const WindowHandle x = found == nullptr ? kNoWindow : state_->XWindow(*found);
  return x != kNoWindow && state_->x11->ConfirmCloseItemDisabled(x);
}

bool GnomeWindowSystem::Reporting() {
  state_->reports->TakeIn();
  return state_->reports->Running();
}

void GnomeWindowSystem::OnHotkeySwitched(std::function<void(const HotkeySwitch&)> switched) {
  state_->reports->OnSwitched(std::move(switched));
}

std::uint64_t GnomeWindowSystem::Messages() const {
  return state_->reports->Messages() + state_->calls;
}

}  // namespace hoverdeck
