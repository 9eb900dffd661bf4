// Hands a web address to the desktop's browser through the shell.
#pragma once

#include "ui/Shell.h"

namespace hoverdeck {

class Win32Shell final : public Shell {
 public:
  std::int32_t Open(const std::string& address) override;
};

}  // namespace hoverdeck
