#pragma once
// A one-shot channel: one value, once. The receiver tells "not yet" (empty) from "never"
// (closed: the sender was dropped without sending).
#include <memory>
#include <mutex>
#include <optional>

namespace vexa::sys {

enum class OneshotState { Empty, Ready, Closed };

template <typename T>
struct OneshotCell {
  std::mutex mutex;
  std::optional<T> value;
  bool sender_gone = false;
  bool taken = false;
};

template <typename T>
class OneshotSender {
 public:
  OneshotSender() = default;
  explicit OneshotSender(std::shared_ptr<OneshotCell<T>> cell) : cell_(std::move(cell)) {}
  OneshotSender(OneshotSender&&) noexcept = default;
  OneshotSender& operator=(OneshotSender&& other) noexcept {
    if (this != &other) {
      drop();
      cell_ = std::move(other.cell_);
    }
    return *this;
  }
  ~OneshotSender() { drop(); }

  void send(T value) {
    if (!cell_) return;
    {
      std::lock_guard lock(cell_->mutex);
      cell_->value = std::move(value);
      cell_->sender_gone = true;
    }
    cell_.reset();
  }

 private:
  void drop() {
    if (!cell_) return;
    std::lock_guard lock(cell_->mutex);
    cell_->sender_gone = true;
  }
  std::shared_ptr<OneshotCell<T>> cell_;
};

template <typename T>
class OneshotReceiver {
 public:
  OneshotReceiver() = default;
  explicit OneshotReceiver(std::shared_ptr<OneshotCell<T>> cell) : cell_(std::move(cell)) {}

  // Ready moves the value into `out`; afterwards the receiver reads Closed.
  OneshotState try_recv(std::optional<T>& out) {
    if (!cell_) return OneshotState::Closed;
    std::lock_guard lock(cell_->mutex);
    if (cell_->value) {
      out = std::move(cell_->value);
      cell_->value.reset();
      cell_->taken = true;
      return OneshotState::Ready;
    }
    return cell_->sender_gone ? OneshotState::Closed : OneshotState::Empty;
  }

 private:
  std::shared_ptr<OneshotCell<T>> cell_;
};

template <typename T>
std::pair<OneshotSender<T>, OneshotReceiver<T>> oneshot() {
  auto cell = std::make_shared<OneshotCell<T>>();
  return {OneshotSender<T>(cell), OneshotReceiver<T>(cell)};
}

}  // namespace vexa::sys
