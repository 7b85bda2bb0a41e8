#pragma once
// H.264 encoding of RGBA pictures for demonstration devices, tests and benchmarks: one call per
// picture, one Annex B access unit back, parameter sets repeated with every key frame so a
// decoder may join at any key frame.
#include <cstdint>
#include <expected>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vexa_callstream::encoder {

struct EncoderOptions {
  std::uint32_t width = 1280;
  std::uint32_t height = 720;
  int fps = 30;
  int key_interval = 30;  // frames between key frames
  int quality = 23;       // constant rate factor: lower is better
};

class H264Encoder {
 public:
  static std::expected<H264Encoder, std::string> create(const EncoderOptions& options);

  H264Encoder(H264Encoder&&) noexcept;
  H264Encoder& operator=(H264Encoder&&) noexcept;
  ~H264Encoder();

  // Encodes one picture of width × height × 4 RGBA bytes; returns its access unit (empty when
  // the encoder held the picture back, which the low-latency settings avoid).
  std::expected<std::vector<std::uint8_t>, std::string> encode(std::span<const std::uint8_t> rgba);
  // Which libavcodec encoder is in use ("libx264" on Debian).
  std::string name() const;

 private:
  struct State;
  explicit H264Encoder(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace vexa_callstream::encoder
