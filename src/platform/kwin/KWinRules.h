// The program's own entries in KWin's window rules (kwinrulesrc): one rule per window title and
// program that forces the close function off. The user's rules and every other line stay as
// they are.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace hoverdeck {

// How the program's rules are told from the user's: their description begins with this, and
// then tells what the rule is for: one window, a part of captions from the close-button list,
// or every window.
inline constexpr std::string_view kKWinOwnRules = "Hoverdeck: ";
inline constexpr std::string_view kKWinRuleDescription = "Hoverdeck: close button off: ";
inline constexpr std::string_view kKWinListRuleDescription =
    "Hoverdeck: close button off, caption with: ";
inline constexpr std::string_view kKWinAllRuleDescription =
    "Hoverdeck: close button off, every window";
// The kinds of window the rule for every window applies to: normal ones and dialogs (KWin's
// window type bits), not the desktop, panels or menus.
inline constexpr int kKWinListedTypes = 1 | 32;

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
// The rules file's text with the program's close-button list rules as given: one per part of a
// caption (matched case-sensitively anywhere in the title), or one for every window, and none
// else.
std::string WithListRules(std::string_view text, const std::vector<std::string>& parts,
                          bool every_window);
// The text without any rule of the program.
std::string WithoutOwnRules(std::string_view text);

// The title KWin matches its rules against: the caption without the " <2>" and the invisible
// left-to-right mark that KWin 5.27 appends to the second window of a caption (6.3 appends none).
std::string KWinRuleTitle(std::string_view caption);

// A value as KConfig writes it into the file, and back.
std::string ConfigEscape(std::string_view value);
std::string ConfigUnescape(std::string_view value);

}  // namespace hoverdeck
