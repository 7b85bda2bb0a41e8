#pragma once
// An eventfd that lets the UI thread wake the SSH worker's poll loop without blocking.
namespace ssh {

class Wakeup {
 public:
  Wakeup();
  ~Wakeup();
  Wakeup(const Wakeup&) = delete;
  Wakeup& operator=(const Wakeup&) = delete;

  bool valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  void notify();  // never blocks
  void clear();   // consumes pending notifications

 private:
  int fd_ = -1;
};

}  // namespace ssh
