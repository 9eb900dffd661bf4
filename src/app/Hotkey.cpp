#include "app/Hotkey.h"

#include <array>
#include <cctype>

namespace hoverdeck {
namespace {

constexpr std::array<std::string_view, 11> kNamedKeys = {"Space", "Insert", "Delete",   "Home",
                                                         "End",   "PageUp", "PageDown", "Left",
                                                         "Up",    "Right",  "Down"};

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// The key's name in its one spelling; "" for no key we know.
std::string CanonicalKey(std::string_view name) {
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))));
  }
  if (name.size() >= 2 && name.size() <= 3 && (name[0] == 'F' || name[0] == 'f')) {
    int number = 0;
    for (const char c : name.substr(1)) {
      if (!std::isdigit(static_cast<unsigned char>(c))) return {};
      number = number * 10 + (c - '0');
    }
    if (name[1] != '0' && number >= 1 && number <= 24) return "F" + std::to_string(number);
    return {};
  }
  for (const std::string_view known : kNamedKeys) {
    if (SameName(name, known)) return std::string(known);
  }
  return {};
}

}  // namespace

bool IsHotkeyKey(std::string_view name) { return !name.empty() && CanonicalKey(name) == name; }

bool IsUsableHotkey(const Hotkey& hotkey) {
  return IsHotkeyKey(hotkey.key) &&
         (hotkey.modifiers & (Hotkey::kCtrl | Hotkey::kAlt | Hotkey::kLogo)) != 0;
}

std::string HotkeyText(const Hotkey& hotkey) {
  if (hotkey.empty()) return {};
  std::string text;
  if (hotkey.modifiers & Hotkey::kCtrl) text += "Ctrl+";
  if (hotkey.modifiers & Hotkey::kAlt) text += "Alt+";
  if (hotkey.modifiers & Hotkey::kShift) text += "Shift+";
  if (hotkey.modifiers & Hotkey::kLogo) text += std::string(kLogoKeyName) + "+";
  return text + hotkey.key;
}

std::optional<Hotkey> ParseHotkey(std::string_view text) {
  Hotkey hotkey;
  if (text.empty()) return hotkey;
  while (true) {
    const auto plus = text.find('+');
    // A lone "+" after the last separator is no key we know, so "Ctrl++" fails below.
    const std::string_view part = text.substr(0, plus);
    if (plus == std::string_view::npos) {
      hotkey.key = CanonicalKey(part);
      break;
    }
    unsigned modifier = 0;
    if (SameName(part, "Ctrl") || SameName(part, "Control")) modifier = Hotkey::kCtrl;
    if (SameName(part, "Alt")) modifier = Hotkey::kAlt;
    if (SameName(part, "Shift")) modifier = Hotkey::kShift;
    if (SameName(part, "Win") || SameName(part, "Super") || SameName(part, "Meta")) {
      modifier = Hotkey::kLogo;
    }
    if (modifier == 0) return std::nullopt;
    hotkey.modifiers |= modifier;
    text.remove_prefix(plus + 1);
  }
  if (!IsUsableHotkey(hotkey)) return std::nullopt;
  return hotkey;
}

}  // namespace hoverdeck
