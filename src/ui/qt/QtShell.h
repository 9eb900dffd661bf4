// The shell port on the desktop's URL handler.
#pragma once

#include "ui/Shell.h"

namespace hoverdeck {

class QtShell final : public Shell {
 public:
  // 33 when the desktop accepted the address, 0 when it refused it.
  std::int32_t Open(const std::string& address) override;
};

}  // namespace hoverdeck
