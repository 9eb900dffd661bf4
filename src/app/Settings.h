// The settings of the section "Configuration", their defaults and their writers.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/ConfigFile.h"
#include "app/Hotkey.h"
#include "app/ProgramHost.h"

namespace hoverdeck {

inline constexpr std::string_view kConfigurationSection = "Configuration";
inline constexpr std::string_view kKeySetAllTopMost = "SetAllTopMost";
inline constexpr std::string_view kKeySetTopMostCaption = "SetTopMostCaption";
inline constexpr std::string_view kKeyConstTopMost = "ConstTopMost";
inline constexpr std::string_view kKeySetAllDisableX = "SetAllDisableX";
inline constexpr std::string_view kKeyMinimized = "Minimized";
// The combination that switches the active window; an empty value turns it off.
inline constexpr std::string_view kKeyTopmostHotkey = "TopmostHotkey";
inline constexpr std::string_view kDefaultMarker = "[TOPMOST] ";

struct Settings {
  bool SetAllTopMost = false;
  bool SetTopMostCaption = false;
  std::string ConstTopMost{kDefaultMarker};
  bool SetAllDisableX = false;
  bool Minimized = false;
  Hotkey TopmostHotkey = kDefaultHotkey;
  // Whether TopmostHotkey was chosen (read from the file or set in the box), not the default.
  bool TopmostHotkeyChosen = false;
  // A TopmostHotkey value that names no usable combination (the hotkey is then off); "" when
  // the value was read or absent.
  std::string UnreadHotkey;
  friend bool operator==(const Settings&, const Settings&) = default;
};

// The file beside the executable: `executable_dir` joined with "Hoverdeck.ini".
std::filesystem::path ConfigFilePath(const std::filesystem::path& executable_dir);

// Where the settings live for this run: beside the executable when a Hoverdeck.ini is there or
// the folder is writable (the portable way), else in the user's configuration folder, so that
// an installed program whose folder is read-only still keeps what the user changes. A program
// in a system folder keeps them in the user's folder in any case, also when run by the
// administrator, who could write beside it.
std::filesystem::path ConfigFilePath(ProgramHost& host);

// Reads the section with its defaults: a switch is on only for the exact value "1", the marker
// is replaced only by a non-empty value, and the hotkey only by a value that is present.
Settings LoadSettings(const ConfigFile& file);

// Writes one switch of the section as "1" or "0". The result may be ignored: the program goes
// on with the value it holds in memory.
bool WriteSwitch(ConfigFile& file, std::string_view key, bool on);

// Inverts `value` and writes its new state under `key`.
void ToggleSwitch(ConfigFile& file, std::string_view key, bool& value);

}  // namespace hoverdeck
