// Dialogs, tray, shell and host that answer from a script and remember what they were asked.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/ProgramHost.h"
#include "platform/GlobalHotkey.h"
#include "platform/Tray.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Shell.h"
#include "ui/frmAbout.h"
#include "ui/frmHotkey.h"

namespace hoverdeck::testing {

struct ShownMessage {
  std::string text, title;
  MessageIcon icon;
  MessageButtons buttons;
};

struct ShownInput {
  std::string prompt, title, default_text;
};

class ScriptedDialogs final : public Dialogs {
 public:
  MessageAnswer MessageBox(const std::string& text, std::string_view title, MessageIcon icon,
                           MessageButtons buttons) override {
    messages.push_back({text, std::string(title), icon, buttons});
    if (while_open) while_open();
    return buttons == MessageButtons::kOk ? MessageAnswer::kOk : Next(answers_yes_no, text);
  }
  std::string InputBox(const std::string& prompt, std::string_view title,
                       const std::string& default_text) override {
    inputs.push_back({prompt, std::string(title), default_text});
    if (while_open) while_open();
    const std::string answer = Next(input_answers, prompt);
    return answer == kAcceptDefault ? default_text : answer;  // a scripted "accept as offered"
  }
  std::optional<std::string> PopupMenu(const Menu& menu) override {
    popups.push_back(menu.Name());
    if (while_open) while_open();
    return popup_choices.empty() ? std::nullopt : Next(popup_choices, menu.Name());
  }
  void ShowAbout(frmAbout& about) override {
    abouts.push_back(about.lblCredit.Caption());
    if (while_open) while_open();
  }
  // The user's doings in the hotkey box; nothing done leaves it open, as closed by its frame.
  void ShowHotkey(frmHotkey& box) override {
    if (in_hotkey_box) in_hotkey_box(box);
  }

  // The next scripted answer; a box nobody scripted an answer for ends the test.
  template <typename Answer>
  static Answer Next(std::deque<Answer>& answers, const std::string& box) {
    if (answers.empty()) throw std::logic_error("unexpected box: " + box);
    Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  static constexpr const char* kAcceptDefault = "<accept the default>";

  std::deque<MessageAnswer> answers_yes_no;
  std::deque<std::string> input_answers;
  std::deque<std::optional<std::string>> popup_choices;
  // Runs while any box is open, as the events a real box lets through would.
  std::function<void()> while_open;
  std::function<void(frmHotkey&)> in_hotkey_box;

  std::vector<ShownMessage> messages;
  std::vector<ShownInput> inputs;
  std::vector<std::string> popups;
  std::vector<std::string> abouts;
};

class FakeTray final : public Tray {
 public:
  bool Add(const std::string& tip) override {
    present = true;
    ++adds;
    return ModifyTip(tip);
  }
  bool ModifyTip(const std::string& tip) override {
    if (!present) return false;
    tips.push_back(tip);
    return true;
  }
  bool Delete() override {
    ++deletes;
    return std::exchange(present, false);
  }
  bool Notify(const std::string& title, const std::string& text) override {
    if (!present) return false;
    notices.push_back(title + ": " + text);
    return true;
  }
  std::string tip() const { return tips.empty() ? std::string() : tips.back(); }

  bool present = false;
  int adds = 0;
  int deletes = 0;
  std::vector<std::string> tips;
  std::vector<std::string> notices;
};

// Holds any combination but `taken`, which another program holds, unless none is available; the
// active window is set.
class FakeHotkey final : public GlobalHotkey {
 public:
  HotkeyHold Hold(const Hotkey& hotkey) override {
    held.reset();
    if (unavailable) return HotkeyHold::kUnavailable;
    if (hotkey == taken) return HotkeyHold::kTaken;
    held = hotkey;
    return HotkeyHold::kHeld;
  }
  void Release() override { held.reset(); }
  WindowHandle ActiveWindow() override { return active; }

  std::optional<Hotkey> held;
  Hotkey taken{Hotkey::kAlt, "F24"};
  WindowHandle active = kNoWindow;
  bool unavailable = false;  // a desktop where no combination can be held
};

class FakeShell final : public Shell {
 public:
  std::int32_t Open(const std::string& address) override {
    opened.push_back(address);
    return 42;  // success, as the system reports it
  }
  std::vector<std::string> opened;
};

class FakeHost final : public ProgramHost {
 public:
  explicit FakeHost(std::filesystem::path dir) : directory(std::move(dir)) {}
  bool AnotherInstanceRunning() override { return false; }
  std::filesystem::path ExecutableDirectory() override { return directory; }
  bool CanWriteIn(const std::filesystem::path& dir) override { return dir != read_only; }
  bool IsSystemFolder(const std::filesystem::path& dir) override { return dir == system_folder; }
  std::filesystem::path UserConfigDirectory() override { return user_config; }
  OsFacts OperatingSystem() override { return os; }

  std::filesystem::path directory, read_only, user_config, system_folder;
  OsFacts os{"Windows 2000 v.5.0, Build 2195", false};
};

}  // namespace hoverdeck::testing
