#include "ui/qt/EndSignals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

#include <QCoreApplication>
#include <QSocketNotifier>

namespace hoverdeck {
namespace {

constexpr int kSignals[kEndSignalCount] = {SIGTERM, SIGHUP, SIGINT};

// The write end of the pipe to the event loop; a signal handler may only write to it.
int g_write_end = -1;

void OnSignal(int /*signal*/) {
  // The code the signal interrupted may be about to read errno.
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(g_write_end, &byte, 1);
  errno = saved;
}

}  // namespace

void EndEventLoop() { QCoreApplication::exit(0); }

std::unique_ptr<EndSignals> EndSignals::Watch(std::function<void()> on_end) {
  if (g_write_end >= 0) return nullptr;  // one watcher per process
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) {
    return nullptr;
  }
  g_write_end = ends[1];
  std::unique_ptr<EndSignals> watcher(new EndSignals(ends[0], std::move(on_end)));
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    sigaction(kSignals[i], nullptr, &watcher->before_[i]);
    if (watcher->before_[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &action, nullptr);
  }
  return watcher;
}

EndSignals::EndSignals(int read_end, std::function<void()> on_end)
    : read_end_(read_end),
      notifier_(new QSocketNotifier(read_end, QSocketNotifier::Read, this)),
      on_end_(std::move(on_end)) {
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char bytes[16];
    while (::read(read_end_, bytes, sizeof(bytes)) > 0) {
    }
    if (on_end_) on_end_();
  });
}

EndSignals::~EndSignals() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    sigaction(kSignals[i], &before_[i], nullptr);
  }
  delete notifier_;
  ::close(read_end_);
  ::close(g_write_end);
  g_write_end = -1;
}

}  // namespace hoverdeck
