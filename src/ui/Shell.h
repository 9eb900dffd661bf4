// The port that hands a web address to the desktop's browser.
#pragma once

#include <cstdint>
#include <string>

namespace hoverdeck {

class Shell {
 public:
  Shell() = default;
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;
  virtual ~Shell() = default;

  // Asks the desktop to open the address; the platform's answer (above 32 on success).
  virtual std::int32_t Open(const std::string& address) = 0;
};

}  // namespace hoverdeck
