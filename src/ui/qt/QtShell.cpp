#include "ui/qt/QtShell.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace hoverdeck {

std::int32_t QtShell::Open(const std::string& address) {
  const QUrl url(QString::fromStdString(address));
  if (!url.isValid()) return 0;
  // Above 32 stands for success, as the core expects of every shell.
  return QDesktopServices::openUrl(url) ? 33 : 0;
}

}  // namespace hoverdeck
