// A global key combination as the settings hold it: modifiers and one key, by name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hoverdeck {

// The Windows logo key is the Super (Meta) key on Linux desktops; the setting reads either name.
#ifdef _WIN32
inline constexpr std::string_view kLogoKeyName = "Win";
#else
inline constexpr std::string_view kLogoKeyName = "Super";
#endif

struct Hotkey {
  enum Modifier : unsigned { kCtrl = 1, kAlt = 2, kShift = 4, kLogo = 8 };
  unsigned modifiers = 0;
  // "A".."Z", "0".."9", "F1".."F24" or one of the named keys (see IsHotkeyKey); "" for none.
  std::string key;

  bool empty() const { return key.empty(); }
  friend bool operator==(const Hotkey&, const Hotkey&) = default;
};

// Ctrl+Win+T (Ctrl+Super+T): taken by no default binding of Windows, GNOME, KDE Plasma,
// Openbox or IceWM (whose Win95Keys, on by default, takes every Super combination itself).
inline const Hotkey kDefaultHotkey{Hotkey::kCtrl | Hotkey::kLogo, "T"};

// Whether `name` is a key an adapter maps: a letter, a digit, F1 to F24, Space, Insert, Delete,
// Home, End, PageUp, PageDown, Left, Up, Right or Down, in this spelling.
bool IsHotkeyKey(std::string_view name);

// A combination fit to be held globally: a known key with Ctrl, Alt or the logo key, so that
// typing is never taken from other programs.
bool IsUsableHotkey(const Hotkey& hotkey);

// "Ctrl+Alt+Shift+Win+T", modifiers in that order; "" for none.
std::string HotkeyText(const Hotkey& hotkey);

// Reads HotkeyText's form, names matched without regard to case, "Control", "Super" and "Meta"
// also taken; "" gives none. nullopt for a text naming no usable combination.
std::optional<Hotkey> ParseHotkey(std::string_view text);

}  // namespace hoverdeck
