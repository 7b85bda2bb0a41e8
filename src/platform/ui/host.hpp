#pragma once
// What the window loop and the headless script share: the app, its document, the frame clock,
// and drawing into a scene (and pixels when asked).
#include <chrono>
#include <memory>

#include "platform/devicehost/device_host.hpp"
#include "platform/ui/launch.hpp"
#include "platform/ui/raster.hpp"

namespace vexa_ui {

class Host {
 public:
  Host(std::unique_ptr<App> app, std::unique_ptr<DocumentStore> store, Size size, double scale);
  ~Host();

  App& app() { return *app_; }
  Size size() const { return size_; }
  double scale() const { return scale_; }
  void resize(Size size, double scale);

  // Feeds one input event and saves what it committed to the document.
  void deliver(const Event& event);
  // A paced frame: frame-start work, then drawing when a repaint is pending (or forced).
  // Returns true when the scene was redrawn.
  bool frame(bool force_draw = false);
  // Timed framework work: noticing outside changes to the document file.
  void poll_document();
  void save_document();
  const Scene& scene() const { return scene_; }
  const Raster& rasterize_now();
  // The app wants frames, or the device-stream host has streams to carry.
  bool wants_frame() const { return app_->wants_frame() || devices_.active(); }

 private:
  void sync_if_needed();
  std::unique_ptr<App> app_;
  std::unique_ptr<DocumentStore> store_;
  TextRenderer text_;
  DeviceHost devices_ = DeviceHost::from_environment();
  Scene scene_;
  Raster raster_;
  Size size_;
  double scale_;
};

// Runs the window until it closes or the process is asked to stop. Returns the exit code.
int run_window(Host& host, const AppDescriptor& descriptor, bool scale_forced);
// Runs the headless script. Returns the exit code.
int run_script(Host& host, const std::vector<launch::Step>& steps);

}  // namespace vexa_ui
