#pragma once
// A hand-off slot between two threads: holds at most the newest value not yet taken. The mutex
// is held only to swap the value in or out, never while working with it.
#include <cstdint>
#include <mutex>
#include <optional>

namespace device {

template <typename T>
class Slot {
 public:
  // Replaces any value not yet taken; returns whether one was dropped.
  bool put(T value) {
    std::lock_guard lock(mutex_);
    bool dropped = value_.has_value();
    value_ = std::move(value);
    ++puts_;
    return dropped;
  }
  std::optional<T> take() {
    std::lock_guard lock(mutex_);
    std::optional<T> out = std::move(value_);
    value_.reset();
    return out;
  }
  // How many values were ever put (diagnostics and tests).
  std::uint64_t puts() const {
    std::lock_guard lock(mutex_);
    return puts_;
  }

 private:
  mutable std::mutex mutex_;
  std::optional<T> value_;
  std::uint64_t puts_ = 0;
};

}  // namespace device
