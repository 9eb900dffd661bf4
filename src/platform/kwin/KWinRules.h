// The program's own entries in KWin's window rules (kwinrulesrc): one rule per window title and
// program that forces the close function off. The user's rules and every other line stay as
// they are.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace hoverdeck {

// How the program's rules are told from the user's: their description begins with this.
inline constexpr std::string_view kKWinRuleDescription = "Hoverdeck: close button off: ";

// What a rule of the program matches: a window's title exactly and, when known, its program
// (the class KWin gives it).
struct KWinRuleMatch {
  std::string title;
  std::string app;
};

// The rules file's text with the program's rule for `match` added when `close_disabled`, or
// taken away when not, and every other rule of the program whose title is not among `present`
// (the titles of the windows that still exist) taken away.
std::string WithCloseRule(std::string_view text, const KWinRuleMatch& match, bool close_disabled,
                          const std::set<std::string>& present);
// The text without any rule of the program.
std::string WithoutOwnRules(std::string_view text);

// The title KWin matches its rules against: the caption without the " <2>" and the invisible
// left-to-right mark that KWin 5.27 appends to the second window of a caption.
std::string KWinRuleTitle(std::string_view caption);

// A value as KConfig writes it into the file, and back.
std::string ConfigEscape(std::string_view value);
std::string ConfigUnescape(std::string_view value);

}  // namespace hoverdeck
