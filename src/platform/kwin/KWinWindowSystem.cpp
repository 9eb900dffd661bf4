#include "platform/kwin/KWinWindowSystem.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

#include "app/FileStore.h"
#include "platform/kwin/KWinReports.h"
#include "platform/kwin/KWinRules.h"
#include "platform/kwin/KWinScript.h"
#include "platform/kwin/KWinWindowTable.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck {
namespace {

using std::chrono::milliseconds;

const QString kKWinService = QStringLiteral("org.kde.KWin");
// Held on the bus by the copy of the program that drives KWin's script, for as long as it runs:
// a script loaded while nobody holds it is a crashed run's.
const QString kHolderName = QLatin1String(KWinReports::kInterface);

// How long the script may take to report the windows it starts with.
constexpr milliseconds kStartTimeout(5000);
// How long KWin may take to read its rules again after being asked to (it waits a moment before
// it does).
constexpr milliseconds kRulesTimeout(2000);
// When KWin 6.3 has applied its rules after being asked to read them (about 230 ms, seen).
constexpr int kRulesReadAfter = 600;
// How often the script reads a window's facts again while a change is awaited.
constexpr milliseconds kReadAgainPause(100);
// How often a KWin that does not take the script yet (still starting) is asked again.
constexpr int kRetryMs = 1000;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A Plasma session, whose KWin may come up after the programs started with it.
bool PlasmaSession() {
  return QString::fromLocal8Bit(qgetenv("XDG_CURRENT_DESKTOP"))
      .split(QLatin1Char(':'))
      .contains(QStringLiteral("KDE"), Qt::CaseInsensitive);
}

// The X window of an XWayland window whose X id KWin does not tell (KWin 6 scripts give none):
// the one window of the same process with the same caption; 0 when there is none, or several.
std::uint32_t XWaylandWindow(X11WindowSystem& x11, const KWinWindow& window) {
  if (window.pid == 0) return 0;
  const std::string title = KWinRuleTitle(window.caption);
  std::uint32_t found = 0;
  for (WindowHandle w = x11.FirstWindow(kNoWindow); w != kNoWindow; w = x11.NextWindow(w)) {
    if (x11.WindowPid(w) != window.pid || x11.Caption(w) != title) continue;
    if (found != 0) return 0;
    found = w;
  }
  return found;
}

}  // namespace

struct KWinWindowSystem::State {
  KWinWindowTable table;
  std::unique_ptr<KWinReports> reports;
  std::unique_ptr<KWinScript> script;
  std::string x_display;
  std::filesystem::path rules_path;
  bool holder = false;
  QString kwin;  // KWin's unique bus name; "" while there is none
  // KWin going, coming back or replaced by another.
  std::unique_ptr<QDBusServiceWatcher> kwin_watch;
  // Starts over with the KWin there is, from the event loop.
  QTimer restart;
  // Has the script read every window again a while after KWin was told to read its rules.
  QTimer read_again;
  std::function<void(const HotkeySwitch&)> switched;
  std::uint64_t calls = 0;  // those of the scripts and reports gone before
  // The close-button list's rules as written to KWin: the parts, or every window.
  std::optional<std::pair<std::vector<std::string>, bool>> close_list;

  State() {
    restart.setSingleShot(true);
    QObject::connect(&restart, &QTimer::timeout, [this] { Restart(); });
    read_again.setSingleShot(true);
    read_again.setInterval(kRulesReadAfter);
    QObject::connect(&read_again, &QTimer::timeout, [this] {
      if (reports) reports->Send({QStringLiteral("reportAll"), QString(), false});
    });
  }

  ~State() {
    Stop();
    // The program's rules end with it.
    if (holder) {
      WriteRules(WithoutOwnRules(ReadFile(rules_path)));
      QDBusConnection::sessionBus().interface()->unregisterService(kHolderName);
    }
  }

  // Unloads the script and stops taking its reports.
  void Stop() {
    // The script goes first, so that nothing calls an object that is gone.
    script.reset();
    if (!reports) return;
    calls += reports->Messages();
    QDBusConnection::sessionBus().unregisterObject(KWinReports::kPath);
    reports.reset();
  }

  // Loads the script into KWin `kwin`; false when KWin does not take it.
  bool Start() {
    Stop();
    QDBusConnection bus = QDBusConnection::sessionBus();
    reports = std::make_unique<KWinReports>(table, kwin, [this] { restart.start(0); });
    reports->OnSwitched(switched);
    if (!bus.registerVirtualObject(QLatin1String(KWinReports::kPath), reports.get())) {
      reports.reset();
      return false;
    }
    script = KWinScript::Start(bus.baseService());
    return script != nullptr;
  }

  // After KWin restarted or went, or the script stopped running (unloaded by someone else):
  // what the old script reported is forgotten and the script loaded again, or once KWin is back.
  void Restart() {
    table.Clear();
    if (kwin.isEmpty()) {
      Stop();
    } else if (!Start()) {
      restart.start(kRetryMs);
    }
  }

  // Takes in the script's reports, and no other event of the program.
  void TakeIn() {
    if (reports) reports->TakeIn();
  }
  template <typename Question>
  bool Await(const Question& reached, milliseconds timeout) {
    return AwaitReports([this] { TakeIn(); }, reached, timeout);
  }

  // Writes the rules file when `text` differs from it and has KWin read it again; false when the
  // file cannot be written.
  bool WriteRules(const std::string& text) {
    if (text == ReadFile(rules_path)) return true;
    std::error_code error;
    std::filesystem::create_directories(rules_path.parent_path(), error);
    if (!SystemFileStore().Replace(rules_path, text)) return false;
    ++calls;
    KWinScript::Reconfigure();
    read_again.start();
    return true;
  }

  // Whether the close-button list's rules in KWin cover the caption.
  bool ListCovers(const std::string& caption) const {
    if (!close_list) return false;
    const auto& [parts, every_window] = *close_list;
    return every_window || std::any_of(parts.begin(), parts.end(), [&](const std::string& part) {
             return caption.find(part) != std::string::npos;
           });
  }

  // Adds or removes the program's rule for the window's title and program.
  bool WriteRule(const KWinWindow& window, bool close_disabled) {
    return WriteRules(WithCloseRule(ReadFile(rules_path),
                                    {KWinRuleTitle(window.caption), window.app}, close_disabled,
                                    table.RuleTitles()));
  }
};

KWinWindowSystem::KWinWindowSystem(std::unique_ptr<State> state)
    : ReportedWindowSystem(state->table, [s = state.get()] { s->TakeIn(); }),
      state_(std::move(state)) {}
KWinWindowSystem::~KWinWindowSystem() = default;

std::unique_ptr<KWinWindowSystem> KWinWindowSystem::Connect(std::string x_display) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || bus.interface() == nullptr) return nullptr;
  // The bus hands in calls only once the event loop has run, which it has not at start-up; what
  // is waiting for it now is what makes it begin.
  QCoreApplication::sendPostedEvents();
  const auto owner = bus.interface()->serviceOwner(kKWinService);
  const bool kwin_there = owner.isValid() && !owner.value().isEmpty();
  if (!kwin_there && !PlasmaSession()) return nullptr;

  auto state = std::make_unique<State>();
  // Another copy of the program is driving KWin: its script stays as it is.
  if (bus.interface()->registerService(kHolderName, QDBusConnectionInterface::DontQueueService,
                                       QDBusConnectionInterface::DontAllowReplacement) !=
      QDBusConnectionInterface::ServiceRegistered) {
    return nullptr;
  }
  state->holder = true;
  state->x_display = std::move(x_display);
  state->rules_path =
      std::filesystem::path(
          QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString()) /
      "kwinrulesrc";
  // Rules left by a run that crashed.
  if (!state->WriteRules(WithoutOwnRules(ReadFile(state->rules_path)))) return nullptr;
  State& s = *state;
  s.kwin_watch = std::make_unique<QDBusServiceWatcher>(kKWinService, bus,
                                                       QDBusServiceWatcher::WatchForOwnerChange);
  QObject::connect(s.kwin_watch.get(), &QDBusServiceWatcher::serviceOwnerChanged,
                   [&s](const QString&, const QString&, const QString& now) {
                     s.kwin = now;
                     s.restart.start(0);
                   });
  if (kwin_there) {
    s.kwin = owner.value();
    if (s.Start()) {
      s.Await([&]() -> std::optional<bool> { return s.reports->Ready(); }, kStartTimeout);
    } else if (!PlasmaSession()) {
      return nullptr;
    } else {
      s.restart.start(kRetryMs);  // a KWin still starting takes the script later
    }
  }
  return std::unique_ptr<KWinWindowSystem>(new KWinWindowSystem(std::move(state)));
}

bool KWinWindowSystem::SetCaption(WindowHandle window, const std::string& caption) {
  const KWinWindow* found = state_->table.Find(window);
  // A native window's caption is its program's alone.
  if (found == nullptr || state_->x_display.empty()) return false;
  const auto x11 = X11WindowSystem::Connect(state_->x_display.c_str());
  if (!x11) return false;
  // KWin may show more than the client's own caption (" <2>" after a second window of the same
  // caption): the change is made to the client's caption, at its front.
  const std::string& shown = found->caption;
  const std::uint32_t xid = found->xid != 0 ? found->xid : XWaylandWindow(*x11, *found);
  if (xid == 0) return false;
  const std::string own = x11->Caption(xid);
  std::string wanted = caption;
  if (caption.size() > shown.size() && caption.ends_with(shown)) {
    wanted = caption.substr(0, caption.size() - shown.size()) + own;
  } else if (shown.size() > caption.size() && shown.ends_with(caption)) {
    const std::string prefix = shown.substr(0, shown.size() - caption.size());
    if (own.starts_with(prefix)) wanted = own.substr(prefix.size());
  }
  return x11->SetCaption(xid, wanted);
}

std::optional<WindowRect> KWinWindowSystem::Rect(WindowHandle window) {
  const KWinWindow* found = state_->table.Find(window);
  if (found == nullptr) return std::nullopt;
  ++state_->calls;
  const QVariantMap info = KWinScript::WindowInfo(QString::fromStdString(found->id));
  if (info.isEmpty()) return std::nullopt;
  const int x = info.value(QStringLiteral("x")).toInt();
  const int y = info.value(QStringLiteral("y")).toInt();
  return WindowRect{x, y, x + info.value(QStringLiteral("width")).toInt(),
                    y + info.value(QStringLiteral("height")).toInt()};
}

bool KWinWindowSystem::SetTopmost(WindowHandle window, bool topmost, const WindowRect& /*at*/) {
  const KWinWindow* found = state_->table.Find(window);
  if (found == nullptr) return false;
  // KWin keeps the window's place and size itself.
  if (!state_->reports) return false;
  state_->reports->Send({QStringLiteral("keepAbove"), QString::fromStdString(found->id), topmost});
  return true;
}

std::optional<std::uint32_t> KWinWindowSystem::CloseItemState(WindowHandle window) {
  const KWinWindow* found = state_->table.Find(window);
  if (found == nullptr) return std::nullopt;
  return found->Has(kKWinCloseable) ? 0 : kCloseItemDisabledBits;
}

bool KWinWindowSystem::SetCloseItemState(WindowHandle window, std::uint32_t state) {
  const KWinWindow* found = state_->table.Find(window);
  if (found == nullptr) return false;
  const bool disabled = (state & kCloseItemDisabledBits) == kCloseItemDisabledBits;
  // KWin holds the list's rule for it already and applies it as far as it does for the window.
  if (disabled && state_->ListCovers(found->caption)) return true;
  return state_->WriteRule(*found, disabled);
}

void KWinWindowSystem::SetCloseRules(const std::vector<std::string>& parts, bool every_window) {
  State& s = *state_;
  if (s.close_list && s.close_list->first == parts && s.close_list->second == every_window) return;
  if (s.WriteRules(WithListRules(ReadFile(s.rules_path), parts, every_window))) {
    s.close_list.emplace(parts, every_window);
  }
}

bool KWinWindowSystem::ConfirmCloseItemDisabled(WindowHandle window) {
  State& s = *state_;
  auto asked = std::chrono::steady_clock::time_point();
  const bool disabled = s.Await(
      [&]() -> std::optional<bool> {
        const KWinWindow* found = s.table.Find(window);
        if (found == nullptr) return std::nullopt;
        if (!found->Has(kKWinCloseable)) return true;
        // KWin 6.3 tells of a native window's change by no signal: the script reads it again.
        if (s.reports && std::chrono::steady_clock::now() - asked > kReadAgainPause) {
          asked = std::chrono::steady_clock::now();
          s.reports->Send({QStringLiteral("report"), QString::fromStdString(found->id), false});
        }
        return false;
      },
      kRulesTimeout);
  // A rule KWin does not apply to the window (a native one on KWin 5.27) is taken back rather
  // than left to act later behind the user's back.
  const KWinWindow* found = s.table.Find(window);
  if (!disabled && found != nullptr) s.WriteRule(*found, false);
  return disabled;
}

void KWinWindowSystem::OnHotkeySwitched(std::function<void(const HotkeySwitch&)> switched) {
  state_->switched = std::move(switched);
  if (state_->reports) state_->reports->OnSwitched(state_->switched);
}

std::uint64_t KWinWindowSystem::Messages() const {
  return state_->calls + (state_->reports ? state_->reports->Messages() : 0);
}

}  // namespace hoverdeck
