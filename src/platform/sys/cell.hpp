#pragma once
// A value shared between one writer thread and readers on other threads: a mutex around a
// value, copied out on read so no reader ever holds the lock while it works with it.
#include <memory>
#include <mutex>

namespace vexa::sys {

template <typename T>
class Cell {
 public:
  Cell() = default;
  explicit Cell(T initial) : value_(std::move(initial)) {}

  T get() const {
    std::lock_guard lock(mutex_);
    return value_;
  }
  void set(T value) {
    std::lock_guard lock(mutex_);
    value_ = std::move(value);
  }
  // Replaces the value only when `pred(current)` holds; returns whether it did.
  template <typename Pred>
  bool set_if(Pred pred, T value) {
    std::lock_guard lock(mutex_);
    if (!pred(value_)) return false;
    value_ = std::move(value);
    return true;
  }

 private:
  mutable std::mutex mutex_;
  T value_{};
};

template <typename T>
using SharedCell = std::shared_ptr<Cell<T>>;

template <typename T>
SharedCell<T> make_cell(T initial = T{}) {
  return std::make_shared<Cell<T>>(std::move(initial));
}

}  // namespace vexa::sys
