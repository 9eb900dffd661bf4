#include "platform/x11/X11GlobalHotkey.h"

#include <unistd.h>
#include <xcb/xcb.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

namespace hoverdeck {
namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

struct ConnectionCloser {
  void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

constexpr std::uint8_t kBadAccess = 10;
constexpr int kOwnerSteps = 16;  // a WM_TRANSIENT_FOR loop ends here

enum Atom { kNetActiveWindow, kNetWmWindowType, kTypeDesktop, kTypeDock, kNetWmPid, kAtomCount };
constexpr std::array<std::string_view, kAtomCount> kAtomNames = {
    "_NET_ACTIVE_WINDOW", "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_WINDOW_TYPE_DOCK", "_NET_WM_PID"};

// Keysyms of the keys a setting may name (X11/keysymdef.h).
constexpr xcb_keysym_t kSuperL = 0xffeb, kSuperR = 0xffec, kAltL = 0xffe9, kAltR = 0xffea,
                       kNumLock = 0xff7f;

std::optional<xcb_keysym_t> KeysymOf(std::string_view key) {
  if (key.size() == 1 && key[0] >= 'A' && key[0] <= 'Z') return key[0] - 'A' + 'a';
  if (key.size() == 1 && key[0] >= '0' && key[0] <= '9') return static_cast<xcb_keysym_t>(key[0]);
  if (key.size() >= 2 && key[0] == 'F') return 0xffbe + std::atoi(key.data() + 1) - 1;
  struct Named {
    std::string_view name;
    xcb_keysym_t keysym;
  };
  static constexpr Named kNamed[] = {{"Space", 0x20},      {"Insert", 0xff63}, {"Delete", 0xffff},
                                     {"Home", 0xff50},     {"End", 0xff57},    {"PageUp", 0xff55},
                                     {"PageDown", 0xff56}, {"Left", 0xff51},   {"Up", 0xff52},
                                     {"Right", 0xff53},    {"Down", 0xff54}};
  for (const Named& named : kNamed) {
    if (named.name == key) return named.keysym;
  }
  return std::nullopt;
}

}  // namespace

struct X11GlobalHotkey::State {
  std::unique_ptr<xcb_connection_t, ConnectionCloser> connection;
  xcb_window_t root = XCB_WINDOW_NONE;
  std::array<xcb_atom_t, kAtomCount> atoms{};
  // The held grab: its key and every modifier state it was made with.
  xcb_keycode_t keycode = 0;
  std::vector<std::uint16_t> states;
  xcb_timestamp_t last_release = 0;  // of the held key, to tell auto-repeat from a press

  xcb_connection_t* c() const { return connection.get(); }

  // The keycodes that give `keysym` in any column of the keyboard map.
  std::vector<xcb_keycode_t> KeycodesOf(xcb_keysym_t keysym) const {
    const xcb_setup_t* setup = xcb_get_setup(c());
    const int count = setup->max_keycode - setup->min_keycode + 1;
    Reply<xcb_get_keyboard_mapping_reply_t> map(
        xcb_get_keyboard_mapping_reply(
            c(),
            xcb_get_keyboard_mapping(c(), setup->min_keycode, static_cast<std::uint8_t>(count)),
            nullptr),
        &std::free);
    std::vector<xcb_keycode_t> found;
    if (!map) return found;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int per = map->keysyms_per_keycode;
    for (int code = 0; code < count; ++code) {
      for (int column = 0; column < per; ++column) {
        if (syms[code * per + column] == keysym) {
          found.push_back(static_cast<xcb_keycode_t>(setup->min_keycode + code));
          break;
        }
      }
    }
    return found;
  }

  // The modifier bit a key with one of `keysyms` sets (Mod1 to Mod5); 0 when none does.
  std::uint16_t ModifierOf(std::initializer_list<xcb_keysym_t> keysyms) const {
    std::vector<xcb_keycode_t> codes;
    for (const xcb_keysym_t keysym : keysyms) {
      for (const xcb_keycode_t code : KeycodesOf(keysym)) codes.push_back(code);
    }
    Reply<xcb_get_modifier_mapping_reply_t> map(
        xcb_get_modifier_mapping_reply(c(), xcb_get_modifier_mapping(c()), nullptr), &std::free);
    if (!map) return 0;
    const xcb_keycode_t* keys = xcb_get_modifier_mapping_keycodes(map.get());
    const int per = map->keycodes_per_modifier;
    for (int modifier = 3; modifier < 8; ++modifier) {  // Mod1 .. Mod5
      for (int i = 0; i < per; ++i) {
        for (const xcb_keycode_t code : codes) {
          if (code != 0 && keys[modifier * per + i] == code) return 1u << modifier;
        }
      }
    }
    return 0;
  }

  Reply<xcb_get_property_reply_t> Property(xcb_window_t window, xcb_atom_t property) const {
    return Reply<xcb_get_property_reply_t>(
        xcb_get_property_reply(
            c(), xcb_get_property(c(), 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 32),
            nullptr),
        &std::free);
  }

  // The 32-bit values of a property; none when it is missing or of another format.
  std::vector<std::uint32_t> Values(xcb_window_t window, xcb_atom_t property) const {
    const auto reply = Property(window, property);
    if (!reply || reply->format != 32) return {};
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return std::vector<std::uint32_t>(data, data + xcb_get_property_value_length(reply.get()) / 4);
  }
};

X11GlobalHotkey::X11GlobalHotkey(std::unique_ptr<State> state) : state_(std::move(state)) {}
X11GlobalHotkey::~X11GlobalHotkey() = default;

std::unique_ptr<X11GlobalHotkey> X11GlobalHotkey::Connect(const char* display) {
  auto state = std::make_unique<State>();
  int screen_number = 0;
  state->connection.reset(xcb_connect(display, &screen_number));
  xcb_connection_t* c = state->c();
  if (c == nullptr || xcb_connection_has_error(c) != 0) return nullptr;
  auto screens = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screen_number && screens.rem > 0; ++i) xcb_screen_next(&screens);
  if (screens.rem == 0) return nullptr;
  state->root = screens.data->root;
  std::array<xcb_intern_atom_cookie_t, kAtomCount> cookies{};
  for (int i = 0; i < kAtomCount; ++i) {
    cookies[i] = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(kAtomNames[i].size()),
                                 kAtomNames[i].data());
  }
  for (int i = 0; i < kAtomCount; ++i) {
    Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(c, cookies[i], nullptr), &std::free);
    if (!atom) return nullptr;
    state->atoms[i] = atom->atom;
  }
  return std::unique_ptr<X11GlobalHotkey>(new X11GlobalHotkey(std::move(state)));
}

HotkeyHold X11GlobalHotkey::Hold(const Hotkey& hotkey) {
  Release();
  State& s = *state_;
  const auto keysym = KeysymOf(hotkey.key);
  const auto keycodes = keysym ? s.KeycodesOf(*keysym) : std::vector<xcb_keycode_t>{};
  if (keycodes.empty()) return HotkeyHold::kUnavailable;
  std::uint16_t modifiers = 0;
  if (hotkey.modifiers & Hotkey::kCtrl) modifiers |= XCB_MOD_MASK_CONTROL;
  if (hotkey.modifiers & Hotkey::kShift) modifiers |= XCB_MOD_MASK_SHIFT;
  const std::uint16_t alt = s.ModifierOf({kAltL, kAltR});
  const std::uint16_t logo = s.ModifierOf({kSuperL, kSuperR});
  if (((hotkey.modifiers & Hotkey::kAlt) && alt == 0) ||
      ((hotkey.modifiers & Hotkey::kLogo) && logo == 0)) {
    return HotkeyHold::kUnavailable;
  }
  if (hotkey.modifiers & Hotkey::kAlt) modifiers |= alt;
  if (hotkey.modifiers & Hotkey::kLogo) modifiers |= logo;
  const std::uint16_t num_lock = s.ModifierOf({kNumLock});
  s.keycode = keycodes.front();
  std::vector<std::uint16_t> locks = {0, XCB_MOD_MASK_LOCK};
  if (num_lock != 0)
    locks.insert(locks.end(), {num_lock, std::uint16_t(num_lock | XCB_MOD_MASK_LOCK)});
  std::vector<xcb_void_cookie_t> grabs;
  for (const std::uint16_t lock : locks) {
    s.states.push_back(modifiers | lock);
    grabs.push_back(xcb_grab_key_checked(s.c(), 1, s.root, s.states.back(), s.keycode,
                                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
  }
  HotkeyHold hold = HotkeyHold::kHeld;
  for (const xcb_void_cookie_t grab : grabs) {
    Reply<xcb_generic_error_t> error(xcb_request_check(s.c(), grab), &std::free);
    if (error)
      hold = error->error_code == kBadAccess ? HotkeyHold::kTaken : HotkeyHold::kUnavailable;
  }
  // All or none: the states we did get are let go again (ungrabbing others' grabs is a no-op).
  if (hold != HotkeyHold::kHeld) Release();
  return hold;
}

void X11GlobalHotkey::Release() {
  State& s = *state_;
  for (const std::uint16_t state : s.states) xcb_ungrab_key(s.c(), s.keycode, s.root, state);
  s.states.clear();
  xcb_flush(s.c());
}

WindowHandle X11GlobalHotkey::ActiveWindow() {
  const State& s = *state_;
  const auto active = s.Values(s.root, s.atoms[kNetActiveWindow]);
  xcb_window_t window = active.empty() ? xcb_window_t{XCB_WINDOW_NONE} : active.front();
  for (int step = 0; window != XCB_WINDOW_NONE && step < kOwnerSteps; ++step) {
    const auto owner = s.Values(window, XCB_ATOM_WM_TRANSIENT_FOR);
    // A transient for the root (a group's dialog) has no owner of its own.
    if (owner.empty() || owner.front() == XCB_WINDOW_NONE || owner.front() == s.root) break;
    window = owner.front();
  }
  if (window == XCB_WINDOW_NONE) return kNoWindow;
  for (const std::uint32_t type : s.Values(window, s.atoms[kNetWmWindowType])) {
    if (type == s.atoms[kTypeDesktop] || type == s.atoms[kTypeDock]) return kNoWindow;
  }
  const auto pid = s.Values(window, s.atoms[kNetWmPid]);
  if (!pid.empty() && pid.front() == static_cast<std::uint32_t>(getpid())) return kNoWindow;
  return static_cast<WindowHandle>(window);
}

int X11GlobalHotkey::FileDescriptor() const { return xcb_get_file_descriptor(state_->c()); }

int X11GlobalHotkey::TakePresses() {
  State& s = *state_;
  int presses = 0;
  while (xcb_generic_event_t* event = xcb_poll_for_event(s.c())) {
    Reply<xcb_generic_event_t> owned(event, &std::free);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) continue;
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (s.states.empty() || key->detail != s.keycode) continue;
    if (type == XCB_KEY_RELEASE) {
      s.last_release = key->time;
    } else if (key->time != s.last_release) {
      // Auto-repeat sends a release and a press with one time stamp; a new press comes later.
      ++presses;
    }
  }
  return xcb_connection_has_error(s.c()) != 0 ? -1 : presses;
}

}  // namespace hoverdeck
