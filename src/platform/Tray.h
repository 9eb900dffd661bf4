// The port for the program's icon in the notification area.
#pragma once

#include <string>

namespace hoverdeck {

// Results are reported for the adapter's own tests; the program goes on either way.
class Tray {
 public:
  Tray() = default;
  Tray(const Tray&) = delete;
  Tray& operator=(const Tray&) = delete;
  virtual ~Tray() = default;

  // Puts the icon into the notification area with the given tip.
  virtual bool Add(const std::string& tip) = 0;
  // Replaces the tip of the icon; without an icon it has no effect.
  virtual bool ModifyTip(const std::string& tip) = 0;
  // Takes the icon away.
  virtual bool Delete() = 0;
  // Shows a short notice from the icon that takes no focus and goes away on its own; false
  // without an icon or where the desktop shows none.
  virtual bool Notify(const std::string& title, const std::string& text) = 0;
};

}  // namespace hoverdeck
