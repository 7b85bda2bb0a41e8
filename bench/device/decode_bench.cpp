// H.264 decode and RGBA conversion on one thread, 1080p and 720p, next to the ffmpeg command-line
// decoder on the same clip in the same run. The clips are generated into the build folder.
#include <fmt/format.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include <time.h>

#include "platform/callstream/decoder.hpp"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace fs = std::filesystem;
using Frames = std::vector<std::vector<std::uint8_t>>;

namespace {

constexpr int kFrames = 450;
constexpr int kRuns = 3;

fs::path clip_dir() {
  const char* dir = std::getenv("VEXA_BINARY_DIR");
  return fs::path(dir ? dir : VEXA_BUILD_DIR) / "bench-clips";
}

bool make_clip(const fs::path& clip, const std::string& size) {
  if (fs::exists(clip)) return true;
  fs::create_directories(clip.parent_path());
  std::string cmd = fmt::format(
      "ffmpeg -y -v error -f lavfi -i testsrc2=size={}:rate=30 -frames:v {} -c:v libx264 "
      "-profile:v baseline -pix_fmt yuv420p '{}'",
      size, kFrames, clip.string());
  return std::system(cmd.c_str()) == 0 && fs::exists(clip);
}

// Splits an Annex B file into the access units a device would send one by one.
Frames split_access_units(const fs::path& clip) {
  std::ifstream in(clip, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  bytes.resize(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
  const std::size_t size = bytes.size() - AV_INPUT_BUFFER_PADDING_SIZE;
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
  AVCodecParserContext* parser = av_parser_init(AV_CODEC_ID_H264);
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  Frames frames;
  std::size_t pos = 0;
  while (true) {
    std::uint8_t* out = nullptr;
    int out_size = 0;
    const int remaining = static_cast<int>(size - pos);
    int used = av_parser_parse2(parser, ctx, &out, &out_size, bytes.data() + pos, remaining,
                                AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
    pos += static_cast<std::size_t>(used);
    if (out_size > 0) frames.emplace_back(out, out + out_size);
    if (remaining == 0) break;
  }
  av_parser_close(parser);
  avcodec_free_context(&ctx);
  return frames;
}

// CPU time of this thread: the machine is shared, so wall time would count other people's work.
double thread_cpu_seconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Frames per CPU second of our decoder, best of kRuns passes over the clip.
std::optional<double> our_fps(const Frames& frames, std::uint32_t width, std::uint32_t height) {
  double best = 0;
  for (int run = 0; run < kRuns; ++run) {
    auto decoder = vexa_callstream::decoder::H264Decoder::create();
    if (!decoder) return std::nullopt;
    std::size_t pictures = 0;
    const double start = thread_cpu_seconds();
    for (const auto& f : frames) {
      if (auto pic = decoder->decode(f); pic && pic->width == width && pic->height == height) ++pictures;
    }
    const double seconds = thread_cpu_seconds() - start;
    if (pictures != frames.size()) {
      fmt::print(stderr, "decoded {} of {} frames\n", pictures, frames.size());
      return std::nullopt;
    }
    best = std::max(best, static_cast<double>(pictures) / seconds);
  }
  return best;
}

// Frames per CPU second (user + system) of `ffmpeg -benchmark -threads 1`, best of kRuns.
std::optional<double> ffmpeg_fps(const fs::path& clip, bool rgba) {
  std::string cmd = fmt::format(
      "ffmpeg -hide_banner -nostdin -benchmark -threads 1 -i '{}' -filter_threads 1 {} -f null - 2>&1",
      clip.string(), rgba ? "-pix_fmt rgba" : "");
  const std::regex times(R"(utime=([0-9.]+)s stime=([0-9.]+)s)");
  double best = 0;
  for (int run = 0; run < kRuns; ++run) {
    FILE* pipe = ::popen(cmd.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string output;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    ::pclose(pipe);
    std::smatch m;
    if (!std::regex_search(output, m, times)) return std::nullopt;
    best = std::max(best, kFrames / (std::stod(m[1]) + std::stod(m[2])));
  }
  return best;
}

bool run_case(const std::string& name, const std::string& size, std::uint32_t w, std::uint32_t h) {
  const fs::path clip = clip_dir() / fmt::format("testsrc2_{}_{}f_baseline.h264", name, kFrames);
  if (!make_clip(clip, size)) {
    fmt::print(stderr, "could not generate {} with ffmpeg\n", clip.string());
    return false;
  }
  const Frames frames = split_access_units(clip);
  auto ours = our_fps(frames, w, h);
  auto plain = ffmpeg_fps(clip, false);
  auto converted = ffmpeg_fps(clip, true);
  if (!ours || !plain || !converted || frames.size() != kFrames) {
    fmt::print(stderr, "{}: measurement failed ({} frames split)\n", name, frames.size());
    return false;
  }
  fmt::print("{}: {} frames, per CPU second: ours decode+RGBA {:.0f} fps; ffmpeg decode {:.0f} fps, decode+RGBA {:.0f} fps\n",
             name, frames.size(), *ours, *plain, *converted);
  fmt::print("BENCH ffmpeg_decode_{} {:.1f} fps\n", name, *plain);
  fmt::print("BENCH ffmpeg_decode_rgba_{} {:.1f} fps\n", name, *converted);
  fmt::print("BENCH device_decode_rgba_{} {:.1f} fps ratio {:.3f} vs ffmpeg_decode_rgba_{}\n", name,
             *ours, *ours / *converted, name);
  return true;
}

}  // namespace

int main() {
  bool ok = run_case("1080p", "1920x1080", 1920, 1080);
  ok = run_case("720p", "1280x720", 1280, 720) && ok;
  return ok ? 0 : 1;
}
