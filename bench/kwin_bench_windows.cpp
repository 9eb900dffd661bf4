// Opens N Qt windows captioned "Bench window 1" to N, native on Wayland or through XWayland as
// QT_QPA_PLATFORM says, and prints "ready" once they are up. run-kwin-bench.sh uses it.
//
//   hoverdeck_kwin_bench_windows N
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const int count = argc > 1 ? std::atoi(argv[1]) : 100;
  std::vector<std::unique_ptr<QWidget>> windows;
  for (int i = 1; i <= count; ++i) {
    auto& window = windows.emplace_back(std::make_unique<QWidget>());
    window->setWindowTitle(QStringLiteral("Bench window %1").arg(i));
    window->resize(160, 90);
    window->show();
  }
  QTimer::singleShot(1000, [] {
    std::puts("ready");
    std::fflush(stdout);
  });
  return QApplication::exec();
}
