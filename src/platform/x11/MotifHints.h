// The Motif window-manager hints (_MOTIF_WM_HINTS) through which a client tells the window
// manager which functions, close among them, to offer for its window; and how they map to the
// core's Close item state word.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace hoverdeck::x11 {

// The property's five CARD32 fields in their order.
struct MotifHints {
  std::uint32_t flags = 0;
  std::uint32_t functions = 0;
  std::uint32_t decorations = 0;
  std::uint32_t input_mode = 0;
  std::uint32_t status = 0;
  friend bool operator==(const MotifHints&, const MotifHints&) = default;
};

inline constexpr std::uint32_t kMotifFlagFunctions = 1;
inline constexpr std::uint32_t kMotifFunctionAll = 1;
inline constexpr std::uint32_t kMotifFunctionResize = 2;
inline constexpr std::uint32_t kMotifFunctionMove = 4;
inline constexpr std::uint32_t kMotifFunctionMinimize = 8;
inline constexpr std::uint32_t kMotifFunctionMaximize = 16;
inline constexpr std::uint32_t kMotifFunctionClose = 32;
inline constexpr std::uint32_t kMotifEveryFunction = 0x3E;

// The fields of a property value; fields a short value lacks are zero.
MotifHints MotifHintsFromValues(std::span<const std::uint32_t> values);

// The functions the hints allow, as an explicit list (never with kMotifFunctionAll): all of them
// without hints or without the functions flag; with kMotifFunctionAll set the field lists the
// functions that are taken away.
std::uint32_t AllowedFunctions(const std::optional<MotifHints>& hints);

// What the window manager says about closing the window in _NET_WM_ALLOWED_ACTIONS.
enum class WmCloseAction { kNotPublished, kOffered, kWithheld };

// The Close item state word: both disabled bits when the hints take close away, 0 otherwise.
// A window manager that publishes its allowed actions and still offers close has the last word
// (some ignore the hints, and the program must not claim a close button is off when it is not),
// unless it is one known to honour the hints while it keeps close in that list. `wm_name` gives
// the window manager's own name (empty when unknown); it is asked only in that disagreement.
std::uint32_t CloseItemWord(const std::optional<MotifHints>& hints, WmCloseAction wm,
                            const std::function<std::string_view()>& wm_name);

// The hints to write so that close is allowed or not, every other allowed function and every
// other field kept. Taking close away writes an explicit list; giving it back when that allows
// everything clears the functions flag, as if the window had never been restricted.
MotifHints WithCloseAllowed(const std::optional<MotifHints>& hints, bool allowed);

}  // namespace hoverdeck::x11
