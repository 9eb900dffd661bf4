// The X11 window-system adapter's writes: the caption (the marker's bytes alone where it can),
// the request to keep a window above the others, and the Motif hints that offer or withhold close.
#include <tuple>

#include "platform/x11/X11WindowState.h"
#include "platform/x11/X11WindowSystem.h"

namespace hoverdeck {
namespace {

using x11::CaptionProperty;
using x11::WindowFacts;
using x11::WindowSystemState;

// Puts `prefix` in front of the caption's own bytes, leaving every other byte and the type as
// they were; false when this cannot be done.
bool AddPrefix(const WindowSystemState& s, CaptionProperty& property, std::string_view prefix) {
  if (auto bytes = x11::EncodeText(prefix, s.EncodingOf(property.type))) {
    property.bytes.insert(0, *bytes);
    return true;
  }
  // Latin-1 cannot hold it; compound text holds both the prefix and the Latin-1 bytes.
  if (property.type != XCB_ATOM_STRING) return false;
  property.type = s[x11::kCompoundText];
  property.bytes.insert(0, x11::LegacyTextFromUtf8(prefix).bytes);
  return true;
}

// Takes `prefix` away from the caption's own bytes, as AddPrefix put it there.
bool RemovePrefix(const WindowSystemState& s, CaptionProperty& property, std::string_view prefix) {
  auto bytes = x11::WithoutPrefix(property.bytes, s.EncodingOf(property.type), prefix);
  if (!bytes) return false;
  // A Latin-1 caption turned compound text only by the marker's UTF-8 segment turns back.
  if (property.type == s[x11::kCompoundText] && property.bytes.starts_with("\x1b%G") &&
      x11::IsLatin1Text(*bytes)) {
    property.type = XCB_ATOM_STRING;
  }
  property.bytes = std::move(*bytes);
  return true;
}

// The marker comes and goes at the front of another program's caption: only its bytes change,
// in each property that holds the caption, so that whatever the client stored (bytes our lists
// cannot show, a NUL and what follows it, its encoding) comes back as it was. False when
// `caption` differs from the shown one by more than a prefix, or a property cannot take it.
bool EditMarker(const WindowSystemState& s, const std::string& caption, CaptionProperty& net,
                CaptionProperty& legacy) {
  const std::string shown = s.CaptionOf(net, legacy);
  if (!shown.empty() && caption.size() > shown.size() && caption.ends_with(shown)) {
    const std::string_view prefix =
        std::string_view(caption).substr(0, caption.size() - shown.size());
    // An empty property is not where the caption lives.
    const auto add = [&](CaptionProperty& property) {
      return s.TextOf(property).empty() || AddPrefix(s, property, prefix);
    };
    return add(net) && add(legacy);
  }
  if (!caption.empty() && shown.size() > caption.size() && shown.ends_with(caption)) {
    const std::string_view prefix =
        std::string_view(shown).substr(0, shown.size() - caption.size());
    // A property that shows another text keeps it.
    const auto remove = [&](CaptionProperty& property) {
      return !s.TextOf(property).starts_with(prefix) || RemovePrefix(s, property, prefix);
    };
    return remove(net) && remove(legacy);
  }
  return false;
}

// Writes the caption properties that differ from what was read, all checked in one round trip.
bool WriteCaption(WindowSystemState& s, xcb_window_t window, const CaptionProperty& net,
                  const CaptionProperty& net_before, const CaptionProperty& legacy,
                  const CaptionProperty& legacy_before) {
  std::vector<xcb_void_cookie_t> writes;
  for (const auto& [property, value, before] :
       {std::tuple(s[x11::kNetWmName], &net, &net_before),
        std::tuple(xcb_atom_t{XCB_ATOM_WM_NAME}, &legacy, &legacy_before)}) {
    if (!value->Present() || (value->type == before->type && value->bytes == before->bytes)) {
      continue;
    }
    writes.push_back(s.Sent(xcb_change_property_checked(
        s.c(), XCB_PROP_MODE_REPLACE, window, property, value->type, 8,
        static_cast<std::uint32_t>(value->bytes.size()), value->bytes.data())));
  }
  bool written = true;
  for (const auto cookie : writes) written = s.Check(cookie) && written;
  return written;
}

}  // namespace

bool X11WindowSystem::SetCaption(WindowHandle window, const std::string& caption) {
  WindowSystemState& s = *state_;
  const auto net_cookie = s.Ask(window, s[x11::kNetWmName]);
  const auto legacy_cookie = s.Ask(window, XCB_ATOM_WM_NAME);
  const auto net_reply = s.Get(net_cookie);
  const auto legacy_reply = s.Get(legacy_cookie);
  if (!net_reply || !legacy_reply) return false;  // gone
  CaptionProperty net = s.NetCaption(net_reply.get());
  CaptionProperty legacy = WindowSystemState::LegacyCaption(legacy_reply.get());
  const CaptionProperty net_before = net;
  const CaptionProperty legacy_before = legacy;

  if (!EditMarker(s, caption, net, legacy)) {
    // A new text altogether: UTF-8, and WM_NAME too for the window managers and tools that read
    // nothing else.
    const x11::LegacyText text = x11::LegacyTextFromUtf8(caption);
    net = {s[x11::kUtf8String], x11::SanitizeUtf8(caption)};
    legacy = {text.is_compound_text ? s[x11::kCompoundText] : xcb_atom_t{XCB_ATOM_STRING},
              text.bytes};
  }
  if (!WriteCaption(s, window, net, net_before, legacy, legacy_before)) return false;
  if (WindowFacts* facts = s.FactsInWalkSnapshot(window); facts && !facts->gone) {
    facts->caption = s.CaptionOf(net, legacy);
  }
  return true;
}

bool X11WindowSystem::SetTopmost(WindowHandle window, bool topmost, const WindowRect& /*at*/) {
  WindowSystemState& s = *state_;
  if (!s.Exists(window)) return false;
  // The EWMH request to the window manager, which keeps the window's place and size itself. The
  // window is not mapped here: showing it is its own client's business on X.
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = s[x11::kNetWmState];
  message.data.data32[0] = topmost ? 1 : 0;  // _NET_WM_STATE_ADD or _NET_WM_STATE_REMOVE
  message.data.data32[1] = s[x11::kNetWmStateAbove];
  message.data.data32[2] = 0;
  message.data.data32[3] = 2;  // sent on the user's behalf
  static_assert(sizeof message == 32);
  s.Sent(xcb_send_event(s.c(), 0, s.root,
                        XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                        reinterpret_cast<const char*>(&message)));
  xcb_flush(s.c());
  // The walk goes on from where the window manager is about to put the window; leaving the band
  // when not in it moves nothing.
  if (WindowFacts* facts = s.FactsInWalkSnapshot(window);
      facts && !facts->gone && (topmost || facts->above)) {
    s.walk->Place(window, topmost);
  }
  // Where the window manager really puts it is read at the next walk.
  s.changed.insert(window);
  s.order_changed = true;
  return true;
}

bool X11WindowSystem::SetCloseItemState(WindowHandle window, std::uint32_t state) {
  WindowSystemState& s = *state_;
  std::optional<x11::MotifHints> current;
  if (const WindowFacts* facts = s.FactsWhereWalkStands(window)) {
    if (facts->gone) return false;
    current = facts->motif;
  } else {
    const auto reply = s.Read(window, s[x11::kMotifWmHints]);
    if (!reply) return false;
    current = WindowSystemState::Motif(reply.get());
  }
  const x11::MotifHints wanted = x11::WithCloseAllowed(current, !IsCloseItemDisabled(state));
  // Nothing to write when the hints already say so (a window without hints allows close).
  if (wanted == current.value_or(x11::MotifHints{})) return true;
  const std::array<std::uint32_t, 5> values = {wanted.flags, wanted.functions, wanted.decorations,
                                               wanted.input_mode, wanted.status};
  // Window managers re-read the hints when the property changes.
  if (!s.Check(s.Sent(xcb_change_property_checked(s.c(), XCB_PROP_MODE_REPLACE, window,
                                                  s[x11::kMotifWmHints], s[x11::kMotifWmHints], 32,
                                                  values.size(), values.data())))) {
    return false;
  }
  // The actions the manager published answered the old hints; until it publishes anew, the
  // hints just written have the word.
  if (WindowFacts* facts = s.FactsInWalkSnapshot(window); facts && !facts->gone) {
    facts->motif = wanted;
    facts->close_action = x11::WmCloseAction::kNotPublished;
  }
  s.changed.insert(window);
  return true;
}

}  // namespace hoverdeck
