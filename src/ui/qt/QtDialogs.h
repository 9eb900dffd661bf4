// The dialogs port on Qt's modal boxes and menus.
#pragma once

#include <QString>
#include <memory>

#include "ui/Dialogs.h"

class QDialog;
class QMenu;
class QWidget;

namespace hoverdeck {

// A core text for Qt: "\r\n" line breaks become "\n".
QString ToQt(std::string_view text);

// The popup for a core menu: one action per item (the item's name in its data), separators,
// check marks; the caption's '&' marks the access key.
std::unique_ptr<QMenu> BuildPopupMenu(const Menu& menu, QWidget* parent = nullptr);

// The about box drawn from the core's form; its events go to the form's handlers.
std::unique_ptr<QDialog> BuildAboutDialog(frmAbout& about, QWidget* parent = nullptr);

// The hotkey box drawn from the core's form; its events go to the form's handlers, and it
// closes itself once the form unloads.
std::unique_ptr<QDialog> BuildHotkeyDialog(frmHotkey& box, QWidget* parent = nullptr);

class QtDialogs final : public Dialogs {
 public:
  // `parent` owns the boxes on screen (the main window), may be null.
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  MessageAnswer MessageBox(const std::string& text, std::string_view title, MessageIcon icon,
                           MessageButtons buttons) override;
  std::string InputBox(const std::string& prompt, std::string_view title,
                       const std::string& default_text) override;
  std::optional<std::string> PopupMenu(const Menu& menu) override;
  void ShowAbout(frmAbout& about) override;
  void ShowHotkey(frmHotkey& box) override;

 private:
  QWidget* parent_;
};

}  // namespace hoverdeck
