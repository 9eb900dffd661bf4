// Which events reach the main window's handlers while one of them waits on a box (a message,
// input or about box, a popup menu): Timer1's tick goes on, so the rules hold behind every box;
// every other event is dropped, since the waiting handler relies on what the user left as it was.
#pragma once

#include "ui/FlagScope.h"

namespace hoverdeck {

enum class FormEvent { kUser, kTick };

class HandlerGate {
 public:
  // True while a handler runs (and so, from the loop of a modal box, waits on it).
  bool Busy() const { return busy_; }
  bool Admits(FormEvent event) const {
    return !closed_ && (!busy_ || event == FormEvent::kTick);
  }
  // Marks a handler as running until the scope ends.
  [[nodiscard]] FlagScope Enter() { return FlagScope(busy_); }
  // Nothing reaches the form any more, not even a tick: it is going away.
  void Close() { closed_ = true; }

 private:
  bool busy_ = false;
  bool closed_ = false;
};

}  // namespace hoverdeck
