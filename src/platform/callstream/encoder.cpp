#include "platform/callstream/encoder.hpp"

#include <fmt/format.h>

#include "platform/callstream/av_log.hpp"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace vexa_callstream::encoder {

namespace {

std::string av_text(int rc) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(rc, text, sizeof text);
  return text;
}

// libx264 first: it is what Debian's libavcodec carries; any other H.264 encoder will do.
const AVCodec* find_encoder() {
  if (const AVCodec* x264 = avcodec_find_encoder_by_name("libx264")) return x264;
  return avcodec_find_encoder(AV_CODEC_ID_H264);
}

}  // namespace

struct H264Encoder::State {
  AVCodecContext* codec = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  std::int64_t next_pts = 0;

  ~State() {
    sws_freeContext(scaler);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&codec);
  }
  std::expected<void, std::string> open(const AVCodec* encoder, const EncoderOptions& options);
};

std::expected<void, std::string> H264Encoder::State::open(const AVCodec* encoder,
                                                          const EncoderOptions& o) {
  codec->width = static_cast<int>(o.width);
  codec->height = static_cast<int>(o.height);
  codec->time_base = AVRational{1, o.fps};
  codec->framerate = AVRational{o.fps, 1};
  codec->gop_size = o.key_interval;
  codec->max_b_frames = 0;
  codec->pix_fmt = AV_PIX_FMT_YUV420P;
  codec->thread_count = 1;
  // Unknown options are ignored by encoders other than libx264.
  av_opt_set(codec->priv_data, "preset", "ultrafast", 0);
  av_opt_set(codec->priv_data, "tune", "zerolatency", 0);
  av_opt_set(codec->priv_data, "profile", "baseline", 0);
  av_opt_set(codec->priv_data, "crf", std::to_string(o.quality).c_str(), 0);
  int rc = avcodec_open2(codec, encoder, nullptr);
  if (rc < 0) return std::unexpected("could not open the H.264 encoder: " + av_text(rc));
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = codec->width;
  frame->height = codec->height;
  rc = av_frame_get_buffer(frame, 0);
  if (rc < 0) return std::unexpected("could not allocate a picture: " + av_text(rc));
  scaler = sws_getContext(codec->width, codec->height, AV_PIX_FMT_RGBA, codec->width,
                          codec->height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!scaler) return std::unexpected(std::string("could not set up the colour conversion"));
  return {};
}

std::expected<H264Encoder, std::string> H264Encoder::create(const EncoderOptions& options) {
  quiet_av_log();
  if (options.width == 0 || options.height == 0 || options.width % 2 || options.height % 2 ||
      options.width > 8192 || options.height > 8192 || options.fps <= 0) {
    return std::unexpected(fmt::format("unsupported picture size {}x{}", options.width, options.height));
  }
  const AVCodec* encoder = find_encoder();
  if (!encoder) return std::unexpected(std::string("no H.264 encoder in libavcodec"));
  auto state = std::make_unique<State>();
  state->codec = avcodec_alloc_context3(encoder);
  state->frame = av_frame_alloc();
  state->packet = av_packet_alloc();
  if (!state->codec || !state->frame || !state->packet) {
    return std::unexpected(std::string("out of memory"));
  }
  if (auto opened = state->open(encoder, options); !opened) return std::unexpected(opened.error());
  return H264Encoder(std::move(state));
}

H264Encoder::H264Encoder(std::unique_ptr<State> state) : state_(std::move(state)) {}
H264Encoder::H264Encoder(H264Encoder&&) noexcept = default;
H264Encoder& H264Encoder::operator=(H264Encoder&&) noexcept = default;
H264Encoder::~H264Encoder() = default;

std::string H264Encoder::name() const { return state_->codec->codec->name; }

std::expected<std::vector<std::uint8_t>, std::string> H264Encoder::encode(
    std::span<const std::uint8_t> rgba) {
  State& s = *state_;
  const std::size_t row = static_cast<std::size_t>(s.codec->width) * 4;
  if (rgba.size() != row * static_cast<std::size_t>(s.codec->height)) {
    return std::unexpected(std::string("picture has the wrong size"));
  }
  int rc = av_frame_make_writable(s.frame);
  if (rc < 0) return std::unexpected("picture not writable: " + av_text(rc));
  const std::uint8_t* planes[4] = {rgba.data(), nullptr, nullptr, nullptr};
  int strides[4] = {static_cast<int>(row), 0, 0, 0};
  sws_scale(s.scaler, planes, strides, 0, s.codec->height, s.frame->data, s.frame->linesize);
  s.frame->pts = s.next_pts++;
  rc = avcodec_send_frame(s.codec, s.frame);
  if (rc < 0) return std::unexpected("encoding failed: " + av_text(rc));
  std::vector<std::uint8_t> out;
  while (avcodec_receive_packet(s.codec, s.packet) == 0) {
    out.insert(out.end(), s.packet->data, s.packet->data + s.packet->size);
    av_packet_unref(s.packet);
  }
  return out;
}

}  // namespace vexa_callstream::encoder
