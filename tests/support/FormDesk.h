// The main window on the simulated desktop, with scripted boxes, a fake tray and its own folder
// for Hoverdeck.ini, and the few helpers the core's flows through the handlers share.
#pragma once

#include <gtest/gtest.h>

#include "support/ScriptedDialogs.h"
#include "support/SimulatedDesktop.h"
#include "support/TempDir.h"
#include "ui/frmTop.h"

namespace hoverdeck::testing {

// Truths as "1"/"0" in a row, so that a failed check shows which one differs.
inline std::string Bits(std::initializer_list<bool> truths) {
  std::string bits;
  for (const bool truth : truths) bits += truth ? "1" : "0";
  return bits;
}

// A hotkey's text with the logo key's name, which differs between systems, written LOGO.
inline std::string WithLogo(std::string text) {
  if (const auto at = text.find(kLogoKeyName); at != std::string::npos)
    text.replace(at, kLogoKeyName.size(), "LOGO");
  return text;
}

// Real ports in place of the fakes, where a test needs them.
struct OtherPorts {
  WindowSystem* windows = nullptr;
  ProcessLookup* processes = nullptr;
  Tray* tray = nullptr;
  Dialogs* dialogs = nullptr;
};

struct FormDesk {
  explicit FormDesk(OtherPorts other = {})
      : form{FormPorts{other.windows ? *other.windows : desktop,
                       other.processes ? *other.processes : desktop,
                       other.tray ? *other.tray : tray, other.dialogs ? *other.dialogs : dialogs,
                       shell, host, hotkey}} {}

  TempDir dir;
  SimulatedDesktop desktop;
  FakeTray tray;
  ScriptedDialogs dialogs;
  FakeShell shell;
  FakeHost host{dir.path()};
  FakeHotkey hotkey;
  frmTop form;

  std::filesystem::path IniPath() const { return dir.File("Hoverdeck.ini"); }
  void Ini(const std::string& content) const { WriteBytes(IniPath(), content); }
  // The file's text with CR LF read as LF, whichever the platform writes.
  std::string IniText() const {
    std::string text = ReadBytes(IniPath());
    std::erase(text, '\r');
    return text;
  }

  // The window at a glance: "shown"/"hidden", "normal"/"minimized", "ticking"/"paused".
  std::string Window() const {
    return std::string(form.Visible() ? "shown" : "hidden") +
           (form.State() == WindowState::kMinimized ? " minimized" : " normal") +
           (form.Timer1.Enabled() ? " ticking" : " paused");
  }
  // The four switches as "1"/"0": all topmost, marker, all close buttons, start minimised.
  std::string Switches() const {
    return Bits({form.chkAllTopMost.Value(), form.mnuTopMostCaption.Checked(),
                 form.chkAllDisableX.Value(), form.mnuMinimized.Checked()});
  }
  // A list's texts joined by '|', and check marks as "+"/"-" after each when asked.
  static std::string Texts(const SortedList& list, bool marks = false) {
    std::string joined;
    for (const auto& item : list.Items())
      joined += (joined.empty() ? "" : "|") + item.text + (marks ? item.checked ? "+" : "-" : "");
    return joined;
  }
  static int IndexOf(const SortedList& list, const std::string& text) {
    for (int i = 0; i < list.Count(); ++i)
      if (list.Item(i).text == text) return i;
    ADD_FAILURE() << "no entry " << text;
    return -1;
  }
  // A click on an entry, as the user picks a window.
  void Pick(const std::string& text, bool topmost = false) {
    if (topmost) return form.lstFenetresTopMost_Click(IndexOf(form.lstFenetresTopMost, text));
    form.lstFenetresNonTopMost_Click(IndexOf(form.lstFenetresNonTopMost, text));
  }

  // The last message box: "!" exclamation, "?" question, "i" information before its text, and
  // " [yes/no]" after a question. Any other title than the program's is shown as a fault.
  std::string Said() const {
    if (dialogs.messages.empty()) return "<no box>";
    const ShownMessage& box = dialogs.messages.back();
    const char* icons[] = {"i", "!", "?"};
    if (box.title != "Hoverdeck - 1.1h") return "<titled " + box.title + ">";
    return icons[static_cast<int>(box.icon)] + box.text +
           (box.buttons == MessageButtons::kYesNo ? " [yes/no]" : "");
  }
  // The last input box as "title|offered text|prompt".
  std::string Asked() const {
    if (dialogs.inputs.empty()) return "<no input box>";
    const ShownInput& box = dialogs.inputs.back();
    return box.title + "|" + box.default_text + "|" + box.prompt;
  }
};

}  // namespace hoverdeck::testing
