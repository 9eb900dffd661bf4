// The yardstick for the program's cost per tick: a Qt program that sits in the tray with its
// window hidden and a timer firing once a second that does nothing. run-x11-bench.sh measures it
// the same way as hoverdeck itself.
//
//   hoverdeck_x11_idle_timer
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::blue);
  QSystemTrayIcon icon{QIcon(pixmap)};
  icon.setToolTip(QStringLiteral("idle"));
  icon.show();
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [] {});
  timer.start(1000);
  return QApplication::exec();
}
