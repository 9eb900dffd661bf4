// The port for everything modal that the forms ask of the user: message boxes, input boxes,
// popup menus, the about box and the hotkey box.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hoverdeck {

class Menu;
class frmAbout;
class frmHotkey;

enum class MessageIcon { kInformation, kExclamation, kQuestion };
enum class MessageButtons { kOk, kYesNo };
enum class MessageAnswer { kOk, kYes, kNo };

class Dialogs {
 public:
  Dialogs() = default;
  Dialogs(const Dialogs&) = delete;
  Dialogs& operator=(const Dialogs&) = delete;
  virtual ~Dialogs() = default;

  // Shows a message box and waits for the answer; a box closed without a button answers kNo
  // for Yes/No and kOk otherwise.
  virtual MessageAnswer MessageBox(const std::string& text, std::string_view title,
                                   MessageIcon icon, MessageButtons buttons) = 0;
  // Shows an input box; Cancel gives the empty answer.
  virtual std::string InputBox(const std::string& prompt, std::string_view title,
                               const std::string& default_text) = 0;
  // Shows the menu as a popup at the mouse pointer; the name of the chosen item, or nullopt.
  virtual std::optional<std::string> PopupMenu(const Menu& menu) = 0;
  // Shows the about box modally and returns once it is unloaded; the box's own events go to
  // its handlers in the meantime.
  virtual void ShowAbout(frmAbout& about) = 0;
  // Shows the hotkey box modally and returns once it is unloaded (or closed by its frame); its
  // own events go to its handlers in the meantime.
  virtual void ShowHotkey(frmHotkey& box) = 0;
};

}  // namespace hoverdeck
