// How a frontend keeps a native control in step with the core's state: it draws a control again
// only when the control's revision has moved since it last drew it.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

namespace hoverdeck {

struct RedrawBinding {
  std::function<std::uint64_t()> revision;
  std::function<void()> draw;
  std::uint64_t drawn = std::numeric_limits<std::uint64_t>::max();  // nothing drawn yet
};

inline void RedrawChanged(std::vector<RedrawBinding>& bindings) {
  for (RedrawBinding& binding : bindings) {
    const std::uint64_t revision = binding.revision();
    if (revision == binding.drawn) continue;
    binding.draw();
    binding.drawn = revision;
  }
}

}  // namespace hoverdeck
