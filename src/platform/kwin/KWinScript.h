// The program's script inside KWin, loaded and running for the life of this object, and the
// few calls the program makes to KWin itself.
#pragma once

#include <QString>
#include <QVariantMap>
#include <memory>

namespace hoverdeck {

class KWinScript {
 public:
  // The name KWin knows the script by; a copy left by a run that crashed has the same name.
  static constexpr const char* kPluginName = "hoverdeck-windows";

  // Unloads such a copy (the caller makes sure that no running copy of the program reports to
  // it), then loads and runs the script with `service` (this program's unique bus name) as the
  // receiver of its reports. nullptr when KWin refuses or does not answer.
  static std::unique_ptr<KWinScript> Start(const QString& service);
  KWinScript(const KWinScript&) = delete;
  KWinScript& operator=(const KWinScript&) = delete;
  // Unloads the script.
  ~KWinScript();

  // Whether a script of that name is loaded in KWin.
  static bool Loaded();
  // KWin's facts of one window by its internal id; empty when it knows no such window.
  static QVariantMap WindowInfo(const QString& id);
  // Asks KWin to read its configuration, the window rules among it, again.
  static void Reconfigure();

 private:
  KWinScript() = default;
};

}  // namespace hoverdeck
