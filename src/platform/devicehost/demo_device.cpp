#include "platform/devicehost/demo_device.hpp"

#include <fmt/format.h>

#include <map>
#include <system_error>
#include <thread>

#include "platform/callstream/encoder.hpp"
#include "platform/devicehost/demo_picture.hpp"
#include "platform/sys/channel.hpp"
#include "platform/sys/thread.hpp"

namespace vexa_ui {

namespace ds = device_stream;

namespace {

constexpr std::size_t kEventCapacity = 8;
constexpr std::size_t kInputCapacity = 256;

ds::DeviceEvent closed_event(ds::StreamId stream, std::string text) {
  return {stream, ds::Closed{ds::CloseReason{ds::CloseReason::Kind::Other, std::move(text)}}};
}

void apply_input(DemoInputState& state, const ds::DeviceInput& input) {
  if (auto* move = std::get_if<ds::PointerMove>(&input)) {
    state.pointer_x = move->x, state.pointer_y = move->y;
  } else if (auto* button = std::get_if<ds::PointerButton>(&input)) {
    const std::uint32_t bit = 1u << ((button->code - ds::kButtonLeft) & 31);
    state.buttons_down = button->pressed ? (state.buttons_down | bit) : (state.buttons_down & ~bit);
  } else if (auto* key = std::get_if<ds::Key>(&input)) {
    state.last_key = key->code, state.key_down = key->pressed;
  }
}

// The device side of one stream. Returns when the host lets go of the stream.
class DemoDevice {
 public:
  DemoDevice(ds::StreamId stream, DemoOptions options, vexa::sys::Sender<ds::DeviceEvent> events,
             vexa::sys::Receiver<ds::DeviceInput> input)
      : stream_(stream), options_(options), events_(std::move(events)), input_(std::move(input)) {}

  void run() {
    if (!events_.send({stream_, ds::Waiting{}}) || !wait_for_consent()) return;
    auto encoder = vexa_callstream::encoder::H264Encoder::create(
        {options_.width, options_.height, options_.fps, options_.fps, 23});
    if (!encoder) {
      events_.send(closed_event(stream_, "demonstration device cannot encode H.264: " + encoder.error()));
      return;
    }
    if (!events_.send({stream_, ds::SurfaceReady{options_.width, options_.height}})) return;
    stream_frames(*encoder);
  }

 private:
  bool wait_for_consent() {
    const auto until = std::chrono::steady_clock::now() + options_.consent_delay;
    while (std::chrono::steady_clock::now() < until) {
      if (events_.is_closed()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !events_.is_closed();
  }

  void stream_frames(vexa_callstream::encoder::H264Encoder& encoder) {
    const auto period = std::chrono::microseconds(1'000'000 / options_.fps);
    auto next = std::chrono::steady_clock::now();
    std::vector<std::uint8_t> rgba;
    for (std::uint64_t n = 0; options_.frame_limit == 0 || n < options_.frame_limit; ++n) {
      while (auto input = input_.try_recv()) apply_input(state_, *input);
      draw_demo_picture(rgba, options_.width, options_.height, n, state_);
      auto frame = encoder.encode(rgba);
      if (!frame) {
        events_.send(closed_event(stream_, "demonstration device stopped encoding: " + frame.error()));
        return;
      }
      if (!frame->empty() && !events_.send({stream_, ds::Frame{std::move(*frame)}})) return;
      next += period;
      std::this_thread::sleep_until(next);
    }
    events_.send({stream_, ds::Closed{ds::CloseReason{ds::CloseReason::Kind::TargetDisconnected, {}}}});
  }

  ds::StreamId stream_;
  DemoOptions options_;
  vexa::sys::Sender<ds::DeviceEvent> events_;
  vexa::sys::Receiver<ds::DeviceInput> input_;
  DemoInputState state_;
};

struct OpenDemoStream {
  vexa::sys::Receiver<ds::DeviceEvent> events;
  vexa::sys::Sender<ds::DeviceInput> input;
};

class DemoBackend final : public DeviceBackend {
 public:
  explicit DemoBackend(DemoOptions options) : options_(options) {}

  void handle(ds::DeviceRequest request) override {
    std::visit([&](auto& r) { on_request(r); }, request);
  }

  void poll(std::vector<ds::DeviceEvent>& out) override {
    for (auto& e : pending_) out.push_back(std::move(e));
    pending_.clear();
    for (auto it = streams_.begin(); it != streams_.end();) {
      vexa::sys::RecvError error = vexa::sys::RecvError::Empty;
      while (auto event = it->second.events.try_recv(&error)) out.push_back(std::move(*event));
      it = error == vexa::sys::RecvError::Closed ? streams_.erase(it) : std::next(it);
    }
  }

  bool active() const override { return !pending_.empty() || !streams_.empty(); }

 private:
  void on_request(ds::OpenStream& open) {
    if (streams_.contains(open.stream)) return;
    auto events = vexa::sys::bounded<ds::DeviceEvent>(kEventCapacity);
    auto input = vexa::sys::bounded<ds::DeviceInput>(kInputCapacity);
    auto device = std::make_shared<DemoDevice>(open.stream, options_, std::move(events.sender),
                                               std::move(input.receiver));
    try {
      vexa::sys::spawn_detached("vexa-demo-dev", [device] { device->run(); });
    } catch (const std::system_error& e) {
      pending_.push_back(closed_event(open.stream, "demonstration device could not start: " + e.code().message()));
      return;
    }
    streams_.emplace(open.stream, OpenDemoStream{std::move(events.receiver), std::move(input.sender)});
  }
  void on_request(ds::SendInput& send) {
    auto it = streams_.find(send.stream);
    // A device that cannot keep up loses input, as a congested route would.
    if (it != streams_.end()) (void)it->second.input.try_send(send.input);
  }
  void on_request(ds::CloseStream& close) { streams_.erase(close.stream); }

  DemoOptions options_;
  std::map<ds::StreamId, OpenDemoStream> streams_;
  std::vector<ds::DeviceEvent> pending_;
};

}  // namespace

std::unique_ptr<DeviceBackend> demo_backend(DemoOptions options) {
  return std::make_unique<DemoBackend>(options);
}

}  // namespace vexa_ui
