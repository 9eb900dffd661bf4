// A flag that is set for one scope and put back as it was afterwards; the frontends use it to
// tell that a handler is running, so that events arriving meanwhile do not re-enter the core.
#pragma once

namespace hoverdeck {

class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = was_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
  bool was_;
};

}  // namespace hoverdeck
