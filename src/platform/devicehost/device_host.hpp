#pragma once
// The framework's device-stream host. The launcher's loop calls `pump` on the UI thread once
// per frame or tick: it collects the application's requests and delivers the events that are
// ready, so the application only ever sees its sink called on the UI thread.
//
// Two backends: by default no peer-to-peer device fabric is reachable from this build, so every
// opened stream is closed at once with a reason saying so; with VEXA_DEVICE_HOST=demo a
// demonstration device answers every stream (see demo_device.hpp).
#include <cstddef>
#include <memory>
#include <vector>

#include "platform/devicehost/device_types.hpp"

namespace vexa_ui {

inline constexpr const char* kNoFabric = "no peer-to-peer device fabric is reachable from this build";

// UI thread only.
class DeviceBackend {
 public:
  virtual ~DeviceBackend() = default;
  virtual void handle(device_stream::DeviceRequest request) = 0;
  // Appends every event that is ready, in order per stream.
  virtual void poll(std::vector<device_stream::DeviceEvent>& out) = 0;
  // True while a stream is open or an event is pending: the loop should keep ticking.
  virtual bool active() const = 0;
};

std::unique_ptr<DeviceBackend> unreachable_backend();

class DeviceHost {
 public:
  explicit DeviceHost(std::unique_ptr<DeviceBackend> backend);
  // VEXA_DEVICE_HOST=demo gives the demonstration device; anything else the unreachable fabric.
  static DeviceHost from_environment();

  // Hands the sink's queued requests to the backend, then delivers the ready events.
  // Returns how many events were delivered (the loop redraws when any were).
  std::size_t pump(DeviceSink& sink);
  bool active() const { return backend_->active(); }

 private:
  std::unique_ptr<DeviceBackend> backend_;
};

}  // namespace vexa_ui
