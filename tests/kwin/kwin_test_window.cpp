// A test window for the KWin suites: a Qt window with the caption given, native on Wayland or
// through XWayland as QT_QPA_PLATFORM says; with a second caption, a dialog of it too.
#include <QApplication>
#include <QDialog>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QString::fromUtf8(argc > 1 ? argv[1] : "Test window"));
  window.resize(240, 120);
  window.show();
  QDialog dialog(&window);
  if (argc > 2) {
    dialog.setWindowTitle(QString::fromUtf8(argv[2]));
    dialog.show();
  }
  return QApplication::exec();
}
