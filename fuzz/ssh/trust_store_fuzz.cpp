// The host-key trust file loader on arbitrary bytes: it must return a store or an error, and a
// store it returns must survive writing and reading back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ssh/trust_store.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto store = ssh::parse_store(text);
  if (!store) return 0;
  auto written = ssh::serialize_store(*store);
  if (!written) std::abort();  // everything parsed is valid UTF-8, so it must serialise
  auto again = ssh::parse_store(*written);
  if (!again || *again != *store) std::abort();
  return 0;
}
