#include "platform/callstream/decoder.hpp"

#include <array>
#include <cstring>

#include "platform/callstream/av_log.hpp"
#include "platform/callstream/picture_pool.hpp"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace vexa_callstream::decoder {

struct H264Decoder::State {
  AVCodecContext* codec = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  AVFrame* spare = nullptr;
  SwsContext* scaler = nullptr;
  // What the scaler was set up for: width, height, source format, colour space, range.
  std::array<int, 5> scaler_key{};
  // The frame copied with the zeroed tail libavcodec's bitstream reader may run into.
  std::vector<std::uint8_t> padded;
  PicturePool pool;
  std::vector<std::uint8_t> staging;

  ~State() {
    sws_freeContext(scaler);
    av_frame_free(&spare);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
  }

  bool send(std::span<const std::uint8_t> data);
  bool receive_latest();
  bool prepare_scaler();
  bool scale_into(std::uint8_t* out, std::size_t row, std::uint32_t height);
  std::optional<DecodedPicture> convert();
};

namespace {

constexpr std::uint32_t kBlockPixels = 32;
constexpr std::size_t kSlackBytes = 256;

AVPixelFormat without_full_range(AVPixelFormat format, bool* full) {
  switch (format) {
    case AV_PIX_FMT_YUVJ420P: *full = true; return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: *full = true; return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: *full = true; return AV_PIX_FMT_YUV444P;
    default: return format;
  }
}

int coefficients_for(AVColorSpace space) {
  switch (space) {
    case AVCOL_SPC_BT709: return SWS_CS_ITU709;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: return SWS_CS_BT2020;
    case AVCOL_SPC_SMPTE240M: return SWS_CS_SMPTE240M;
    default: return SWS_CS_DEFAULT;
  }
}

}  // namespace

std::expected<H264Decoder, std::string> H264Decoder::create() {
  quiet_av_log();
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
  if (!codec) return std::unexpected(std::string("no H.264 decoder in libavcodec"));
  auto state = std::make_unique<State>();
  state->codec = avcodec_alloc_context3(codec);
  state->packet = av_packet_alloc();
  state->frame = av_frame_alloc();
  state->spare = av_frame_alloc();
  if (!state->codec || !state->packet || !state->frame || !state->spare) {
    return std::unexpected(std::string("out of memory"));
  }
  state->codec->thread_count = 1;
  // A live stream shows each picture as soon as it is decoded, never holding it for reordering.
  state->codec->flags |= AV_CODEC_FLAG_LOW_DELAY;
  int rc = avcodec_open2(state->codec, codec, nullptr);
  if (rc < 0) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(rc, text, sizeof text);
    return std::unexpected(std::string("could not open the H.264 decoder: ") + text);
  }
  return H264Decoder(std::move(state));
}

H264Decoder::H264Decoder(std::unique_ptr<State> state) : state_(std::move(state)) {}
H264Decoder::H264Decoder(H264Decoder&&) noexcept = default;
H264Decoder& H264Decoder::operator=(H264Decoder&&) noexcept = default;
H264Decoder::~H264Decoder() = default;

std::optional<DecodedPicture> H264Decoder::decode(std::span<const std::uint8_t> frame) {
  if (!state_->send(frame) || !state_->receive_latest()) return std::nullopt;
  auto picture = state_->convert();
  av_frame_unref(state_->frame);
  return picture;
}

bool H264Decoder::decode_unshown(std::span<const std::uint8_t> frame) {
  if (!state_->send(frame)) return false;
  const bool got = state_->receive_latest();
  av_frame_unref(state_->frame);
  return got;
}

bool H264Decoder::State::send(std::span<const std::uint8_t> data) {
  if (data.empty() || data.size() > static_cast<std::size_t>(INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE)) {
    return false;
  }
  padded.resize(data.size() + AV_INPUT_BUFFER_PADDING_SIZE);
  std::memcpy(padded.data(), data.data(), data.size());
  std::memset(padded.data() + data.size(), 0, AV_INPUT_BUFFER_PADDING_SIZE);
  packet->data = padded.data();
  packet->size = static_cast<int>(data.size());
  int rc = avcodec_send_packet(codec, packet);
  av_packet_unref(packet);
  return rc >= 0 || rc == AVERROR(EAGAIN);
}

// Keeps only the newest picture the frame produced.
bool H264Decoder::State::receive_latest() {
  bool got = false;
  while (avcodec_receive_frame(codec, spare) == 0) {
    av_frame_unref(frame);
    av_frame_move_ref(frame, spare);
    got = true;
  }
  return got;
}

// Sets the scaler up again only when the stream's size or colour description changes.
bool H264Decoder::State::prepare_scaler() {
  std::array<int, 5> key{frame->width, frame->height, frame->format, frame->colorspace,
                         frame->color_range};
  if (scaler && key == scaler_key) return true;
  sws_freeContext(scaler);
  bool full_range = frame->color_range == AVCOL_RANGE_JPEG;
  AVPixelFormat source = without_full_range(static_cast<AVPixelFormat>(frame->format), &full_range);
  scaler = sws_getContext(frame->width, frame->height, source, frame->width, frame->height,
                          AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!scaler) return false;
  const int* table = sws_getCoefficients(coefficients_for(frame->colorspace));
  sws_setColorspaceDetails(scaler, table, full_range ? 1 : 0, table, 1, 0, 1 << 16, 1 << 16);
  scaler_key = key;
  return true;
}

// The converter's vector loops finish whole blocks of pixels and so write past the end of a
// row whose width is not a multiple of the block. Such rows go through a staging buffer with
// room to spare, then are packed; rows of a whole number of blocks are written in place.
bool H264Decoder::State::scale_into(std::uint8_t* out, std::size_t row, std::uint32_t height) {
  const bool in_place = (row / 4) % kBlockPixels == 0;
  const std::size_t stride = in_place ? row : (row + kSlackBytes + 63) / 64 * 64;
  if (!in_place) staging.resize(stride * height + kSlackBytes);
  std::uint8_t* planes[4] = {in_place ? out : staging.data(), nullptr, nullptr, nullptr};
  int strides[4] = {static_cast<int>(stride), 0, 0, 0};
  if (sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides) != frame->height) {
    return false;
  }
  if (!in_place) {
    for (std::uint32_t y = 0; y < height; ++y) std::memcpy(out + y * row, staging.data() + y * stride, row);
  }
  return true;
}

std::optional<DecodedPicture> H264Decoder::State::convert() {
  if (frame->width <= 0 || frame->height <= 0) return std::nullopt;
  const auto width = static_cast<std::uint32_t>(frame->width);
  const auto height = static_cast<std::uint32_t>(frame->height);
  if (std::uint64_t{width} * height > kMaxPixels) return std::nullopt;
  if (!prepare_scaler()) return std::nullopt;
  const std::size_t row = std::size_t{width} * 4;
  auto buffer = pool.acquire(row * height);
  if (!scale_into(buffer->data(), row, height)) return std::nullopt;
  return DecodedPicture{std::move(buffer), width, height};
}

}  // namespace vexa_callstream::decoder
