#include "platform/x11/MotifHints.h"

#include "platform/WindowSystem.h"

namespace hoverdeck::x11 {

MotifHints MotifHintsFromValues(std::span<const std::uint32_t> values) {
  const auto field = [&](std::size_t i) { return i < values.size() ? values[i] : 0u; };
  return {field(0), field(1), field(2), field(3), field(4)};
}

std::uint32_t AllowedFunctions(const std::optional<MotifHints>& hints) {
  if (!hints || (hints->flags & kMotifFlagFunctions) == 0) return kMotifEveryFunction;
  if ((hints->functions & kMotifFunctionAll) != 0) return kMotifEveryFunction & ~hints->functions;
  return hints->functions & kMotifEveryFunction;
}

std::uint32_t CloseItemWord(const std::optional<MotifHints>& hints, WmCloseAction wm,
                            const std::function<std::string_view()>& wm_name) {
  const bool hints_forbid = (AllowedFunctions(hints) & kMotifFunctionClose) == 0;
  if (!hints_forbid) return 0;
  // KWin takes the close function away as the hints ask, but keeps close among the window's
  // allowed actions, so what it publishes says nothing about closing.
  if (wm == WmCloseAction::kOffered && wm_name() != "KWin") return 0;
  return kCloseItemDisabledBits;
}

MotifHints WithCloseAllowed(const std::optional<MotifHints>& hints, bool allowed) {
  MotifHints result = hints.value_or(MotifHints{});
  std::uint32_t functions = AllowedFunctions(hints);
  functions = allowed ? (functions | kMotifFunctionClose) : (functions & ~kMotifFunctionClose);
  if (functions == kMotifEveryFunction) {
    result.flags &= ~kMotifFlagFunctions;
    result.functions = 0;
  } else {
    result.flags |= kMotifFlagFunctions;
    result.functions = functions;
  }
  return result;
}

}  // namespace hoverdeck::x11
