#include "ssh/wakeup.hpp"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace ssh {

Wakeup::Wakeup() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

Wakeup::~Wakeup() {
  if (fd_ >= 0) ::close(fd_);
}

void Wakeup::notify() {
  const std::uint64_t one = 1;
  // A full counter (EAGAIN) already means "wake up"; nothing else can fail here.
  [[maybe_unused]] ssize_t n = ::write(fd_, &one, sizeof one);
}

void Wakeup::clear() {
  std::uint64_t value = 0;
  [[maybe_unused]] ssize_t n = ::read(fd_, &value, sizeof value);
}

}  // namespace ssh
