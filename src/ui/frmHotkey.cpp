#include "ui/frmHotkey.h"

#include <string_view>
#include <utility>

namespace hoverdeck {
namespace {

constexpr std::string_view kTitle = "Hotkey for the active window";
constexpr std::string_view kPrompt =
    "Press the key combination that makes the active window topmost, or no longer topmost, "
    "whatever program you are in. Clear turns the hotkey off.";
constexpr std::string_view kNone = "None (the hotkey is off)";
constexpr std::string_view kUnknownKey =
    "That key cannot be used. Use a letter, a digit, F1 to F24, Space, Insert, Delete, Home, "
    "End, Page Up, Page Down or an arrow key.";
constexpr std::string_view kNeedsModifierPrefix = "Hold Ctrl, Alt or ";
constexpr std::string_view kNeedsModifierSuffix =
    " with the key, so that typing in other programs is left alone.";
constexpr std::string_view kTaken =
    " is already in use by another program or by the desktop. Press another combination.";
constexpr std::string_view kUnavailable =
    " cannot be used on this desktop. Press another combination.";

}  // namespace

frmHotkey::frmHotkey()
    : lblPrompt(kPrompt), cmdOK("OK"), cmdClear("C&lear"), cmdCancel("Cancel"), caption_(kTitle) {
  txtHotkey.SetUseMnemonic(false);
  lblStatus.SetUseMnemonic(false);
}

void frmHotkey::SetLoaded(bool loaded) {
  loaded_ = loaded;
  ++revision_;
}

void frmHotkey::Choose(const Hotkey& hotkey) {
  chosen_ = hotkey;
  txtHotkey.SetCaption(hotkey.empty() ? std::string(kNone) : HotkeyText(hotkey));
  lblStatus.SetCaption({});
}

void frmHotkey::Form_Load(const Hotkey& current, Apply apply) {
  apply_ = std::move(apply);
  Choose(current);
  SetLoaded(true);
}

void frmHotkey::txtHotkey_KeyDown(const Hotkey& pressed) {
  if (!IsHotkeyKey(pressed.key)) {
    lblStatus.SetCaption(std::string(kUnknownKey));
  } else if (!IsUsableHotkey(pressed)) {
    lblStatus.SetCaption(std::string(kNeedsModifierPrefix) + std::string(kLogoKeyName) +
                         std::string(kNeedsModifierSuffix));
  } else {
    Choose(pressed);
  }
}

void frmHotkey::cmdClear_Click() { Choose({}); }

void frmHotkey::cmdOK_Click() {
  const HotkeyHold hold = apply_ ? apply_(chosen_) : HotkeyHold::kHeld;
  if (hold == HotkeyHold::kHeld) {
    SetLoaded(false);
    return;
  }
  lblStatus.SetCaption(HotkeyText(chosen_) +
                       std::string(hold == HotkeyHold::kTaken ? kTaken : kUnavailable));
}

void frmHotkey::cmdCancel_Click() { SetLoaded(false); }

}  // namespace hoverdeck
