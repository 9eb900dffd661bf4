// Names and numbers that stand for the program wherever it speaks to the user.
#pragma once

#include <string>
#include <string_view>

#include "Version.h"

namespace hoverdeck {

inline constexpr std::string_view kProgramName = "Hoverdeck";
inline constexpr std::string_view kProgramVersion = HOVERDECK_VERSION_NAME;
// Title of every message box: "Hoverdeck - 1.1h".
inline constexpr std::string_view kMessageTitle = "Hoverdeck - " HOVERDECK_VERSION_NAME;
// Period of the refresh timer in milliseconds.
inline constexpr int kUpdateInterval = 1000;
inline constexpr std::string_view kConfigFileName = "Hoverdeck.ini";

// "Hoverdeck 1.1h": the tray's first tip and the start of the window caption.
std::string ProgramTitle();

// The main window's caption: "Hoverdeck 1.1h; " followed by the operating-system description.
std::string MainWindowCaption(std::string_view os_description);

}  // namespace hoverdeck
