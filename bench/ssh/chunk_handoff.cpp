#include "chunk_handoff.hpp"

#include <algorithm>

#include "bench/common/cpu_time.hpp"
#include "platform/sys/channel.hpp"
#include "ssh/session.hpp"

namespace bench_ssh {

using bench_common::thread_cpu_seconds;

double chunk_handoff_cpu(const std::vector<std::uint8_t>& data, std::size_t chunk) {
  auto [sender, receiver] = vexa::sys::bounded<ssh::OutputChunk>(ssh::kOutputQueueCapacity);
  std::size_t freed = 0;
  auto drain_one = [&] {
    if (auto drained = receiver.try_recv()) freed += drained->size();
  };
  const double start = thread_cpu_seconds();
  for (std::size_t offset = 0; offset < data.size(); offset += chunk) {
    const std::size_t size = std::min(chunk, data.size() - offset);
    if (sender.try_send(ssh::OutputChunk(data.data() + offset, data.data() + offset + size))) {
      return 0;  // cannot happen: the queue is kept half full
    }
    // Steady streaming: chunks are freed in arrival order while new ones are made, as when
    // the UI keeps up. (Emptying the queue whole each time would instead make the allocator
    // hand memory back to the system and fault it in again, which the transport rarely does.)
    if (sender.len() > ssh::kOutputQueueCapacity / 2) drain_one();
  }
  while (receiver.len() > 0) drain_one();
  const double cpu = thread_cpu_seconds() - start;
  return freed == data.size() ? cpu : 0;
}

}  // namespace bench_ssh
