// Decoding the properties the X11 adapter reads of a window: its type, owner, WM_STATE,
// _NET_WM_STATE, captions, Motif hints and allowed actions; and the window manager's name.
#include <xcb/xcb_icccm.h>

#include "platform/x11/X11WindowState.h"

namespace hoverdeck::x11 {

std::span<const std::uint32_t> Values32(const xcb_get_property_reply_t* reply, xcb_atom_t type) {
  if (reply == nullptr || reply->format != 32) return {};
  if (type != XCB_ATOM_ANY && reply->type != type) return {};
  return {static_cast<const std::uint32_t*>(xcb_get_property_value(reply)), reply->value_len};
}

WindowFacts WindowSystemState::FactsOf(std::span<const PropertyReply> replies) const {
  // A window whose properties cannot be read is gone.
  if (std::any_of(replies.begin(), replies.end(), [](const auto& reply) { return !reply; })) {
    return WindowFacts::Gone();
  }
  WindowFacts facts;
  facts.passed_over = IsDesktopOrDock(replies[kFactType].get());
  facts.has_parent = HasOwner(replies[kFactTransientFor].get());
  facts.shown = Shown(replies[kFactWmState].get());
  facts.above = Above(replies[kFactNetState].get());
  facts.caption = CaptionOf(replies[kFactNetName].get(), replies[kFactWmName].get());
  facts.motif = Motif(replies[kFactMotif].get());
  facts.close_action = CloseAction(replies[kFactActions].get());
  return facts;
}

bool WindowSystemState::IsDesktopOrDock(const xcb_get_property_reply_t* types) const {
  if (types == nullptr) return true;  // gone: nothing to walk
  const auto values = Values32(types, XCB_ATOM_ATOM);
  return Contains(values, atoms[kNetWmWindowTypeDesktop]) ||
         Contains(values, atoms[kNetWmWindowTypeDock]);
}

bool WindowSystemState::HasOwner(const xcb_get_property_reply_t* transient_for) {
  const auto owner = Values32(transient_for, XCB_ATOM_WINDOW);
  return !owner.empty() && owner[0] != XCB_WINDOW_NONE;
}

bool WindowSystemState::Shown(const xcb_get_property_reply_t* wm_state) const {
  const auto values = Values32(wm_state, atoms[kWmState]);
  return !values.empty() && values[0] != XCB_ICCCM_WM_STATE_WITHDRAWN;
}

bool WindowSystemState::Above(const xcb_get_property_reply_t* states) const {
  return Contains(Values32(states, XCB_ATOM_ATOM), atoms[kNetWmStateAbove]);
}

CaptionProperty WindowSystemState::NetCaption(const xcb_get_property_reply_t* net) const {
  if (net == nullptr || net->format != 8 || net->type != atoms[kUtf8String]) return {};
  return {net->type,
          std::string(static_cast<const char*>(xcb_get_property_value(net)), net->value_len)};
}

CaptionProperty WindowSystemState::LegacyCaption(const xcb_get_property_reply_t* legacy) {
  if (legacy == nullptr || legacy->format != 8 || legacy->type == XCB_ATOM_NONE) return {};
  return {legacy->type,
          std::string(static_cast<const char*>(xcb_get_property_value(legacy)), legacy->value_len)};
}

TextEncoding WindowSystemState::EncodingOf(xcb_atom_t type) const {
  if (type == XCB_ATOM_STRING) return TextEncoding::kLatin1;
  if (type == atoms[kCompoundText]) return TextEncoding::kCompoundText;
  return TextEncoding::kUtf8;
}

std::string WindowSystemState::TextOf(const CaptionProperty& property) const {
  return CaptionText(property.bytes, EncodingOf(property.type));
}

std::string WindowSystemState::CaptionOf(const CaptionProperty& net,
                                         const CaptionProperty& legacy) const {
  if (std::string text = TextOf(net); !text.empty()) return text;
  return TextOf(legacy);
}

std::string WindowSystemState::CaptionOf(const xcb_get_property_reply_t* net,
                                         const xcb_get_property_reply_t* legacy) const {
  return CaptionOf(NetCaption(net), LegacyCaption(legacy));
}

std::optional<MotifHints> WindowSystemState::Motif(const xcb_get_property_reply_t* hints) {
  if (hints == nullptr || hints->format != 32 || hints->value_len == 0) return std::nullopt;
  return MotifHintsFromValues(Values32(hints, XCB_ATOM_ANY));
}

WmCloseAction WindowSystemState::CloseAction(const xcb_get_property_reply_t* actions) const {
  if (actions == nullptr || actions->type != XCB_ATOM_ATOM || actions->format != 32) {
    return WmCloseAction::kNotPublished;
  }
  return Contains(Values32(actions, XCB_ATOM_ATOM), atoms[kNetWmActionClose])
             ? WmCloseAction::kOffered
             : WmCloseAction::kWithheld;
}

std::optional<bool> WindowSystemState::AboveNow(xcb_window_t window) {
  const auto states = Read(window, atoms[kNetWmState]);
  if (!states) return std::nullopt;
  return Above(states.get());
}

std::string_view WindowSystemState::WindowManagerName() {
  if (wm_name) return *wm_name;
  wm_name.emplace();
  const auto on_root = Read(root, atoms[kNetSupportingWmCheck]);
  const auto check = Values32(on_root.get(), XCB_ATOM_WINDOW);
  wm_check = check.empty() ? xcb_window_t{XCB_WINDOW_NONE} : check[0];
  if (wm_check == XCB_WINDOW_NONE) return *wm_name;
  // Told of its going and of its changes before anything of it is read.
  const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
  Sent(xcb_change_window_attributes(c(), wm_check, XCB_CW_EVENT_MASK, &events));
  const auto self_cookie = Ask(wm_check, atoms[kNetSupportingWmCheck]);
  const auto name_cookie = Ask(wm_check, atoms[kNetWmName]);
  const auto self = Get(self_cookie);
  const auto name = Get(name_cookie);
  const auto named = Values32(self.get(), XCB_ATOM_WINDOW);
  if (!named.empty() && named[0] == wm_check) *wm_name = NetCaption(name.get()).bytes;
  return *wm_name;
}

}  // namespace hoverdeck::x11
