#pragma once
// Bounded multi-producer channels for handing values between a worker and the UI thread.
//
// Rules: `try_send` never blocks and tells *full* from *closed*; `send` waits for room (used
// where the producer must not lose data, such as terminal output); receivers have `try_recv`
// and a blocking `recv`. Dropping every sender or the receiver closes the channel, so a worker
// notices that its session handle is gone without being joined.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

namespace vexa::sys {

enum class SendError { Full, Closed };
enum class RecvError { Empty, Closed };

template <typename T>
class ChannelState {
 public:
  explicit ChannelState(std::size_t capacity) : capacity_(capacity ? capacity : 1) {}

  // Returns the value back on failure so the caller may keep it.
  std::optional<SendError> try_push(T& value) {
    std::lock_guard lock(mutex_);
    if (closed_) return SendError::Closed;
    if (items_.size() >= capacity_) return SendError::Full;
    items_.push_back(std::move(value));
    readable_.notify_one();
    return std::nullopt;
  }

  bool push_wait(T& value) {
    std::unique_lock lock(mutex_);
    writable_.wait(lock, [&] { return closed_ || items_.size() < capacity_; });
    if (closed_) return false;
    items_.push_back(std::move(value));
    readable_.notify_one();
    return true;
  }

  // With `wait`, blocks until a value arrives or the channel closes; a closed channel still
  // yields what was queued before it closed.
  std::optional<T> pop(bool wait, RecvError* error) {
    std::unique_lock lock(mutex_);
    if (wait) readable_.wait(lock, [&] { return closed_ || !items_.empty(); });
    if (items_.empty()) {
      if (error) *error = closed_ ? RecvError::Closed : RecvError::Empty;
      return std::nullopt;
    }
    T value = std::move(items_.front());
    items_.pop_front();
    writable_.notify_one();
    return value;
  }

  template <typename Rep, typename Period>
  std::optional<T> pop_for(std::chrono::duration<Rep, Period> timeout, RecvError* error) {
    std::unique_lock lock(mutex_);
    readable_.wait_for(lock, timeout, [&] { return closed_ || !items_.empty(); });
    lock.unlock();
    return pop(false, error);
  }

  void close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    readable_.notify_all();
    writable_.notify_all();
  }

  bool closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
  }

  std::size_t size() const {
    std::lock_guard lock(mutex_);
    return items_.size();
  }

  std::size_t capacity() const { return capacity_; }

  void add_sender() {
    std::lock_guard lock(mutex_);
    ++senders_;
  }
  void drop_sender() {
    std::lock_guard lock(mutex_);
    if (--senders_ == 0) {
      closed_ = true;
      readable_.notify_all();
      writable_.notify_all();
    }
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable readable_;
  std::condition_variable writable_;
  std::deque<T> items_;
  std::size_t capacity_;
  std::size_t senders_ = 0;
  bool closed_ = false;
};

template <typename T>
class Sender {
 public:
  Sender() = default;
  explicit Sender(std::shared_ptr<ChannelState<T>> state) : state_(std::move(state)) {
    if (state_) state_->add_sender();
  }
  Sender(const Sender& other) : Sender(other.state_) {}
  Sender(Sender&& other) noexcept = default;
  Sender& operator=(Sender other) noexcept {
    std::swap(state_, other.state_);
    return *this;
  }
  ~Sender() { reset(); }

  void reset() {
    if (state_) state_->drop_sender();
    state_.reset();
  }

  // Never blocks.
  std::optional<SendError> try_send(T value) {
    if (!state_) return SendError::Closed;
    return state_->try_push(value);
  }
  // Waits for room; false when the channel closed.
  bool send(T value) { return state_ && state_->push_wait(value); }
  bool is_closed() const { return !state_ || state_->closed(); }
  std::size_t capacity() const { return state_ ? state_->capacity() : 0; }
  std::size_t len() const { return state_ ? state_->size() : 0; }

 private:
  std::shared_ptr<ChannelState<T>> state_;
};

template <typename T>
class Receiver {
 public:
  Receiver() = default;
  explicit Receiver(std::shared_ptr<ChannelState<T>> state) : state_(std::move(state)) {}
  Receiver(Receiver&&) noexcept = default;
  Receiver& operator=(Receiver&& other) noexcept {
    if (this != &other) {
      close();
      state_ = std::move(other.state_);
    }
    return *this;
  }
  Receiver(const Receiver&) = delete;
  Receiver& operator=(const Receiver&) = delete;
  ~Receiver() { close(); }

  std::optional<T> try_recv(RecvError* error = nullptr) {
    if (!state_) {
      if (error) *error = RecvError::Closed;
      return std::nullopt;
    }
    return state_->pop(false, error);
  }
  std::optional<T> recv(RecvError* error = nullptr) {
    if (!state_) {
      if (error) *error = RecvError::Closed;
      return std::nullopt;
    }
    return state_->pop(true, error);
  }
  template <typename Rep, typename Period>
  std::optional<T> recv_timeout(std::chrono::duration<Rep, Period> timeout,
                                RecvError* error = nullptr) {
    if (!state_) {
      if (error) *error = RecvError::Closed;
      return std::nullopt;
    }
    return state_->pop_for(timeout, error);
  }
  void close() {
    if (state_) state_->close();
  }
  bool is_closed() const { return !state_ || state_->closed(); }
  std::size_t len() const { return state_ ? state_->size() : 0; }

 private:
  std::shared_ptr<ChannelState<T>> state_;
};

template <typename T>
struct Channel {
  Sender<T> sender;
  Receiver<T> receiver;
};

template <typename T>
Channel<T> bounded(std::size_t capacity) {
  auto state = std::make_shared<ChannelState<T>>(capacity);
  return Channel<T>{Sender<T>(state), Receiver<T>(state)};
}

}  // namespace vexa::sys
