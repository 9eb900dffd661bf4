// A test window for the KWin suites: a Qt window with the caption given, native on Wayland or
// through XWayland as QT_QPA_PLATFORM says.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QString::fromUtf8(argc > 1 ? argv[1] : "Test window"));
  window.resize(240, 120);
  window.show();
  return QApplication::exec();
}
