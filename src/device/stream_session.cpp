#include "device/stream_session.hpp"

#include <fmt/format.h>

#include <limits>
#include <system_error>

#include "platform/endpoint/endpoint_key.hpp"
#include "platform/sys/thread.hpp"

namespace device {

ds::StreamId DeviceStreams::take_stream_id() {
  ds::StreamId id = next_id_;
  if (next_id_ != std::numeric_limits<ds::StreamId>::max()) ++next_id_;
  return id;
}

std::expected<DeviceStreamSession, std::string> DeviceStreams::start(std::string_view host) {
  return start(host, [](const std::string& name, std::function<void()> body) {
    vexa::sys::spawn_detached(name, std::move(body));
  });
}

std::expected<DeviceStreamSession, std::string> DeviceStreams::start(std::string_view host,
                                                                     const Spawner& spawn) {
  auto key = vexa::endpoint::parse_public_key(host);
  if (!key) return std::unexpected(std::string(kBadEndpoint));
  const ds::StreamId stream = take_stream_id();
  queue_.push_back(ds::OpenStream{*key, stream});

  auto wake = vexa::sys::bounded<Wake>(1);
  auto shared = std::make_shared<DecoderShared>();
  try {
    spawn("remote-vexa-decode",
          [receiver = std::make_shared<vexa::sys::Receiver<Wake>>(std::move(wake.receiver)),
           shared]() mutable { run_decode_loop(std::move(*receiver), std::move(shared)); });
  } catch (const std::system_error& e) {
    return decoder_not_started(stream, e.code().message());
  } catch (const std::exception& e) {
    return decoder_not_started(stream, e.what());
  }
  DeviceStreamSession session;
  session.wake = std::move(wake.sender);
  session.shared = std::move(shared);
  session.stream = stream;
  return session;
}

std::unexpected<std::string> DeviceStreams::decoder_not_started(ds::StreamId stream,
                                                                std::string_view why) {
  // Nobody will ever read this stream: close it rather than leave the device sharing.
  queue_.push_back(ds::CloseStream{stream});
  return std::unexpected(fmt::format("could not start Vexa frame decoder: {}", why));
}

void DeviceStreams::end(const DeviceStreamSession& session) {
  queue_.push_back(ds::CloseStream{session.stream});
}

bool DeviceStreams::send_input(const DeviceStreamSession& session, ds::DeviceInput input) {
  if (session.status.kind != SessionStatus::Kind::Connected) return false;
  queue_.push_back(ds::SendInput{input, session.stream});
  return true;
}

std::vector<ds::DeviceRequest> DeviceStreams::take_requests() {
  std::vector<ds::DeviceRequest> out;
  out.swap(queue_);
  return out;
}

std::string close_reason_text(const ds::CloseReason& reason) {
  using Kind = ds::CloseReason::Kind;
  switch (reason.kind) {
    case Kind::Other: return reason.text;
    case Kind::TargetRevoked: return "Target revoked workspace control";
    case Kind::TargetDisconnected: return "Target disconnected";
    case Kind::RelayDisconnected: return "Encrypted relay disconnected";
    case Kind::ControlClosed: return "Workspace control closed";
  }
  return reason.text;
}

namespace {

void hand_over_frame(DeviceStreamSession& session, std::vector<std::uint8_t> data) {
  if (!session.shared->alive.load(std::memory_order_acquire)) {
    session.status = SessionStatus::failed(kDecoderUnavailable);
    return;
  }
  session.shared->encoded.put(std::move(data));
  // A full queue means a wake-up is already pending.
  if (session.wake.try_send(Wake{}) == vexa::sys::SendError::Closed) {
    session.shared->alive.store(false, std::memory_order_release);
    session.status = SessionStatus::failed(kDecoderStopped);
  }
}

}  // namespace

bool on_device_event(DeviceStreamSession* session, ds::DeviceEvent event) {
  if (!session || event.stream != session->stream) return false;
  std::visit(
      [&](auto& kind) {
        using T = std::decay_t<decltype(kind)>;
        if constexpr (std::is_same_v<T, ds::Waiting>) {
          session->status = SessionStatus::connecting();
        } else if constexpr (std::is_same_v<T, ds::SurfaceReady>) {
          session->frame_size = FrameSize{kind.width, kind.height};
          session->status = SessionStatus::connected();
        } else if constexpr (std::is_same_v<T, ds::Frame>) {
          hand_over_frame(*session, std::move(kind.data));
        } else {
          session->status = SessionStatus::failed(close_reason_text(kind.reason));
        }
      },
      event.kind);
  return true;
}

std::optional<vexa_ui::ImagePixels> take_picture(DeviceStreamSession& session) {
  static std::atomic<std::uint64_t> generation{0};
  auto picture = session.shared->decoded.take();
  if (!picture) return std::nullopt;
  session.frame_size = FrameSize{picture->width, picture->height};
  return vexa_ui::ImagePixels{static_cast<int>(picture->width), static_cast<int>(picture->height),
                              generation.fetch_add(1, std::memory_order_relaxed) + 1,
                              std::shared_ptr<const std::uint8_t>(picture->pixels, picture->pixels->data())};
}

void run_decode_loop(vexa::sys::Receiver<Wake> wake, std::shared_ptr<DecoderShared> shared) {
  auto decoder = vexa_callstream::decoder::H264Decoder::create();
  if (decoder) {
    while (wake.recv()) {
      auto frames = shared->encoded.take_all();
      if (frames.empty()) continue;
      // Earlier frames only keep the reference pictures right; the last one is shown.
      for (std::size_t i = 0; i + 1 < frames.size(); ++i) decoder->decode_unshown(frames[i]);
      if (auto picture = decoder->decode(frames.back())) shared->decoded.put(std::move(*picture));
    }
  }
  shared->alive.store(false, std::memory_order_release);
}

}  // namespace device
