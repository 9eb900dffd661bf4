// The small dialog that picks the hotkey for the active window: the user presses a combination,
// or clears it to turn the hotkey off; OK takes it into use at once.
#pragma once

#include <functional>
#include <string>

#include "app/Hotkey.h"
#include "platform/GlobalHotkey.h"
#include "ui/Controls.h"

namespace hoverdeck {

class frmHotkey {
 public:
  // Takes a choice into use (holding it, writing the setting); kHeld keeps it.
  using Apply = std::function<HotkeyHold(const Hotkey&)>;

  frmHotkey();
  bool Loaded() const { return loaded_; }
  const std::string& Caption() const { return caption_; }
  const Hotkey& Chosen() const { return chosen_; }
  std::uint64_t revision() const { return revision_; }

  // Opens on the combination in use (none when off).
  void Form_Load(const Hotkey& current, Apply apply);
  // A key pressed in the field with the modifiers held then; a key that no adapter maps comes
  // with an empty name. Presses of modifiers alone are not reported.
  void txtHotkey_KeyDown(const Hotkey& pressed);
  void cmdClear_Click();
  // Applies the choice and unloads; a choice that cannot be held is told and the box stays.
  void cmdOK_Click();
  void cmdCancel_Click();

  Label lblPrompt;
  Label txtHotkey;  // the choice as text
  Label lblStatus;  // why the last press or OK was not taken; "" otherwise
  Label cmdOK, cmdClear, cmdCancel;

 private:
  void Choose(const Hotkey& hotkey);
  void SetLoaded(bool loaded);

  Apply apply_;
  Hotkey chosen_;
  std::string caption_;
  bool loaded_ = false;
  std::uint64_t revision_ = 0;
};

}  // namespace hoverdeck
