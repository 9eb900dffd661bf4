// The controls of the forms as plain state. Every control counts its changes in revision(), so
// a frontend redraws only what changed since it last looked.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hoverdeck {

enum class WindowState { kNormal = 0, kMinimized = 1 };

class Label {
 public:
  explicit Label(std::string_view caption = {}) : caption_(caption) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Off for a label that shows other programs' text, such as a path: every "&" is shown.
  void SetUseMnemonic(bool use) { use_mnemonic_ = use; }
  // The caption as shown (see LabelDisplayText).
  std::string Shown() const;
  std::uint64_t revision() const { return revision_; }

 private:
  std::string caption_;
  bool enabled_ = true;
  bool use_mnemonic_ = true;
  std::uint64_t revision_ = 0;
};

// A label's caption as shown: "&&" stands for "&", a single "&" marks the access key.
std::string LabelDisplayText(std::string_view caption);
// A text to be shown as it is where "&" marks an access key: every "&" doubled.
std::string EscapeMnemonics(std::string_view text);

class CheckBox {
 public:
  explicit CheckBox(std::string_view caption) : caption_(caption) {}
  const std::string& Caption() const { return caption_; }
  bool Value() const { return value_; }
  void SetValue(bool value);
  std::uint64_t revision() const { return revision_; }

 private:
  std::string caption_;
  bool value_ = false;
  std::uint64_t revision_ = 0;
};

class MenuItem {
 public:
  MenuItem(std::string_view name, std::string_view caption, std::string_view shortcut = {})
      : name_(name), caption_(caption), shortcut_(shortcut) {}
  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  const std::string& Shortcut() const { return shortcut_; }
  bool IsSeparator() const { return caption_ == "-"; }
  std::uint64_t revision() const { return revision_; }

 private:
  std::string name_;
  std::string caption_;
  std::string shortcut_;
  bool checked_ = false;
  std::uint64_t revision_ = 0;
};

class Menu {
 public:
  Menu(std::string_view name, std::string_view caption, bool in_menu_bar,
       std::vector<MenuItem*> items)
      : name_(name), caption_(caption), in_menu_bar_(in_menu_bar), items_(std::move(items)) {}
  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  // The context menus are top-level menus that never show in the menu bar.
  bool InMenuBar() const { return in_menu_bar_; }
  const std::vector<MenuItem*>& Items() const { return items_; }

 private:
  std::string name_;
  std::string caption_;
  bool in_menu_bar_;
  std::vector<MenuItem*> items_;
};

class Timer {
 public:
  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);
  bool Enabled() const { return enabled_; }
  // Enabling restarts the period, also when the timer was running already.
  void SetEnabled(bool enabled);
  // Counts the (re)starts, so a frontend knows when to restart its own timer.
  std::uint64_t starts() const { return starts_; }
  std::uint64_t revision() const { return revision_; }

 private:
  int interval_ = 0;
  bool enabled_ = false;
  std::uint64_t starts_ = 0;
  std::uint64_t revision_ = 0;
};

}  // namespace hoverdeck
