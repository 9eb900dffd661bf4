#include "app/Settings.h"

#include "app/ProgramConstants.h"

namespace hoverdeck {
namespace {

bool ReadSwitch(const ConfigFile& file, std::string_view key) {
  return file.Read(kConfigurationSection, key) == "1";
}

}  // namespace

std::filesystem::path ConfigFilePath(const std::filesystem::path& executable_dir) {
  return executable_dir / std::filesystem::path(kConfigFileName);
}

std::filesystem::path ConfigFilePath(ProgramHost& host) {
  const std::filesystem::path directory = host.ExecutableDirectory();
  std::filesystem::path beside = ConfigFilePath(directory);
  const std::filesystem::path user_directory = host.UserConfigDirectory();
  if (host.IsSystemFolder(directory) && !user_directory.empty()) {
    return ConfigFilePath(user_directory);
  }
  std::error_code error;
  // A link counts as the file, even a dangling one: the user put it there.
  const auto type = std::filesystem::symlink_status(beside, error).type();
  if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::none) {
    return beside;
  }
  if (host.CanWriteIn(directory) || user_directory.empty()) return beside;
  return ConfigFilePath(user_directory);
}

Settings LoadSettings(const ConfigFile& file) {
  Settings settings;
  settings.SetAllTopMost = ReadSwitch(file, kKeySetAllTopMost);
  settings.SetTopMostCaption = ReadSwitch(file, kKeySetTopMostCaption);
  if (auto marker = file.Read(kConfigurationSection, kKeyConstTopMost); !marker.empty()) {
    settings.ConstTopMost = std::move(marker);
  }
  settings.SetAllDisableX = ReadSwitch(file, kKeySetAllDisableX);
  settings.Minimized = ReadSwitch(file, kKeyMinimized);
  if (const auto hotkey = file.Find(kConfigurationSection, kKeyTopmostHotkey)) {
    const auto read = ParseHotkey(*hotkey);
    settings.TopmostHotkey = read.value_or(Hotkey{});
    settings.TopmostHotkeyChosen = true;
    if (!read) settings.UnreadHotkey = *hotkey;
  }
  return settings;
}

bool WriteSwitch(ConfigFile& file, std::string_view key, bool on) {
  return file.Write(kConfigurationSection, key, on ? "1" : "0");
}

void ToggleSwitch(ConfigFile& file, std::string_view key, bool& value) {
  value = !value;
  WriteSwitch(file, key, value);
}

}  // namespace hoverdeck
