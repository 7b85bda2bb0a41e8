// Drives the whole client, handshake and message loop, from arbitrary server bytes.
// Input: [chunk size][flags][server bytes...]. Chunk 0 hands the bytes over in one read;
// flags bit 0 gives a password, bits 1-3 queue that many input events before the loop starts.
#include <cstdint>
#include <cstdlib>

#include "rfb/memory_transport.hpp"
#include "rfb/session.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  std::size_t chunk = data[0] == 0 ? SIZE_MAX : data[0];
  std::uint8_t flags = data[1];
  rfb::MemoryTransport transport({data + 2, size - 2}, chunk, false);
  std::optional<std::string> password;
  if (flags & 1) password = "fuzz";
  auto channel = vexa::sys::bounded<rfb::VncInput>(rfb::kInputCapacity);
  for (int i = 0; i < ((flags >> 1) & 7); ++i) {
    (void)channel.sender.try_send(i % 2 ? rfb::VncInput::key(true, 0x61)
                                        : rfb::VncInput::pointer(1, 10, 10));
  }
  auto status = vexa::sys::make_status_cell();
  rfb::FrameSlot slot;
  auto result = rfb::run_vnc_session(transport, password, status, slot, channel.receiver);
  rfb::report_worker_end(status, result);
  // The input queue stays open, so only an error can end the run, and it must leave a status.
  if (result || status->get().live()) std::abort();
  return 0;
}
