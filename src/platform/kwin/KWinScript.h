// The program's script inside KWin, loaded and running for the life of this object, and the
// few calls the program makes to KWin itself.
#pragma once

#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <memory>

namespace hoverdeck {

class KWinScript {
 public:
  // The name KWin knows the script by; a copy left by a run that crashed has the same name.
  static constexpr const char* kPluginName = "hoverdeck-windows";

  // Unloads such a copy, then loads and runs the script with `service` (this program's unique
  // bus name) as the receiver of its reports. nullptr when KWin refuses or does not answer.
  static std::unique_ptr<KWinScript> Start(const QString& service);
  KWinScript(const KWinScript&) = delete;
  KWinScript& operator=(const KWinScript&) = delete;
  // Unloads the script.
  ~KWinScript();

  // Whether a script of that name is loaded in KWin.
  static bool Loaded();
  // KWin's facts of one window by its internal id; empty when it knows no such window.
  QVariantMap WindowInfo(const QString& id);
  // Asks KWin to read its configuration, the window rules among it, again.
  void Reconfigure();
  // The calls made to KWin since the start.
  std::uint64_t Calls() const { return calls_; }

 private:
  KWinScript() = default;

  std::uint64_t calls_ = 0;
};

}  // namespace hoverdeck
