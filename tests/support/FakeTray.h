// A tray that remembers what it was asked, for the core's tests.
#pragma once

#include <string>
#include <vector>

#include "platform/Tray.h"

namespace hoverdeck::testing {

class FakeTray final : public Tray {
 public:
  bool Add(const std::string& tip) override {
    present = true;
    tips.push_back(tip);
    ++adds;
    return true;
  }
  bool ModifyTip(const std::string& tip) override {
    if (!present) return false;
    tips.push_back(tip);
    return true;
  }
  bool Delete() override {
    const bool was = present;
    present = false;
    ++deletes;
    return was;
  }
  std::string tip() const { return tips.empty() ? std::string() : tips.back(); }

  bool present = false;
  int adds = 0;
  int deletes = 0;
  std::vector<std::string> tips;
};

}  // namespace hoverdeck::testing
