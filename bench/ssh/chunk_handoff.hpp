#pragma once
// The transport's own share of the work, apart from the SSH library: copying each decoded
// packet into a chunk, passing it through the bounded output queue and freeing it after the
// drain, without network, decryption, threads or waits.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench_ssh {

// CPU seconds for all of `data`, cut into chunks of `chunk` bytes, through a queue kept half
// full; 0 if a byte went missing.
double chunk_handoff_cpu(const std::vector<std::uint8_t>& data, std::size_t chunk);

}  // namespace bench_ssh
