// Ownership of kernel handles (processes, snapshots, pipes): closed exactly once.
#pragma once

#include <windows.h>

#include <utility>

namespace hoverdeck::win32 {

class UniqueHandle {
 public:
  UniqueHandle() = default;
  // Takes `handle` over; both failure values of the API (null and INVALID_HANDLE_VALUE) are
  // kept as "no handle".
  explicit UniqueHandle(HANDLE handle) : handle_(Valid(handle) ? handle : nullptr) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Gives the handle up without closing it.
  HANDLE Release() { return std::exchange(handle_, nullptr); }
  void Reset(HANDLE handle = nullptr) {
    if (handle_ != nullptr) CloseHandle(handle_);
    handle_ = Valid(handle) ? handle : nullptr;
  }

 private:
  static bool Valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

  HANDLE handle_ = nullptr;
};

}  // namespace hoverdeck::win32
