#include "platform/devicehost/device_host.hpp"

#include "platform/devicehost/demo_device.hpp"
#include "platform/sys/env.hpp"

namespace vexa_ui {

namespace ds = device_stream;

namespace {

// Every stream ends at once: there is no fabric to carry it.
class UnreachableBackend final : public DeviceBackend {
 public:
  void handle(ds::DeviceRequest request) override {
    if (auto* open = std::get_if<ds::OpenStream>(&request)) {
      pending_.push_back(ds::DeviceEvent{
          open->stream, ds::Closed{ds::CloseReason{ds::CloseReason::Kind::Other, kNoFabric}}});
    }
  }
  void poll(std::vector<ds::DeviceEvent>& out) override {
    for (auto& e : pending_) out.push_back(std::move(e));
    pending_.clear();
  }
  bool active() const override { return !pending_.empty(); }

 private:
  std::vector<ds::DeviceEvent> pending_;
};

}  // namespace

std::unique_ptr<DeviceBackend> unreachable_backend() { return std::make_unique<UnreachableBackend>(); }

DeviceHost::DeviceHost(std::unique_ptr<DeviceBackend> backend) : backend_(std::move(backend)) {}

DeviceHost DeviceHost::from_environment() {
  if (vexa::sys::env("VEXA_DEVICE_HOST").value_or("") == "demo") {
    return DeviceHost(demo_backend(DemoOptions{}));
  }
  return DeviceHost(unreachable_backend());
}

std::size_t DeviceHost::pump(DeviceSink& sink) {
  for (auto& request : sink.take_device_requests()) backend_->handle(std::move(request));
  std::vector<ds::DeviceEvent> events;
  backend_->poll(events);
  for (auto& event : events) sink.on_device_event(std::move(event));
  return events.size();
}

}  // namespace vexa_ui
