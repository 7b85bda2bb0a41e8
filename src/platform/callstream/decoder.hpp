#pragma once
// H.264 decoding for device streams: encoded frames in, one at a time and in stream order
// (frames may be missing), 8-bit RGBA pictures out, rows top to bottom, no row padding.
#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vexa_callstream::decoder {

// Pictures larger than this are refused before any pixel memory is set aside (8K UHD fits).
inline constexpr std::uint64_t kMaxPixels = 33'554'432;

// An immutable picture. The pixel buffer may be shared with whoever displays it, so it is
// never written again once handed out.
struct DecodedPicture {
  std::shared_ptr<const std::vector<std::uint8_t>> pixels;  // width × height × 4 bytes
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

class H264Decoder {
 public:
  // A single-threaded decoder that outputs each picture as soon as its frame is decoded.
  static std::expected<H264Decoder, std::string> create();

  H264Decoder(H264Decoder&&) noexcept;
  H264Decoder& operator=(H264Decoder&&) noexcept;
  ~H264Decoder();

  // Decodes one encoded frame (Annex B byte stream). Nothing comes back when the frame yields
  // no picture or does not decode; the decoder keeps its state either way.
  std::optional<DecodedPicture> decode(std::span<const std::uint8_t> frame);
  // Decodes a frame that will not be shown, converting nothing: later frames are coded against
  // it. False when it does not decode.
  bool decode_unshown(std::span<const std::uint8_t> frame);

 private:
  struct State;
  explicit H264Decoder(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace vexa_callstream::decoder
