// The program's own entries in KWin's window rules (kwinrulesrc): one rule per window caption
// that forces the close function off. The user's rules and every other line stay as they are.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace hoverdeck {

// How the program's rules are told from the user's: their description begins with this.
inline constexpr std::string_view kKWinRuleDescription = "Hoverdeck: close button off: ";

// The rules file's text with the program's rule for `caption` (an exact title match) added
// when `close_disabled`, or taken away when not, and every other rule of the program whose
// caption is not among `present` (the windows that still exist) taken away.
std::string WithCloseRule(std::string_view text, std::string_view caption, bool close_disabled,
                          const std::set<std::string>& present);

// A value as KConfig writes it into the file, and back.
std::string ConfigEscape(std::string_view value);
std::string ConfigUnescape(std::string_view value);

}  // namespace hoverdeck
