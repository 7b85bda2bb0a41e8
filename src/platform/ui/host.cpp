#include "platform/ui/host.hpp"

#include <cstdio>

#include "platform/ui/theme.hpp"

namespace vexa_ui {

Host::Host(std::unique_ptr<App> app, std::unique_ptr<DocumentStore> store, Size size, double scale)
    : app_(std::move(app)), store_(std::move(store)), size_(size), scale_(scale) {
  text_.set_scale_factor(scale_);
  app_->build_layout_node();
  app_->layout({0, 0, size_.width, size_.height});
  if (store_) {
    app_->sync_document(store_->document());
    save_document();
    if (auto notice = store_->take_notice()) std::fprintf(stderr, "%s\n", notice->c_str());
  }
}

Host::~Host() = default;

void Host::resize(Size size, double scale) {
  if (size == size_ && scale == scale_) return;
  size_ = size;
  scale_ = scale;
  text_.set_scale_factor(scale);
  app_->layout({0, 0, size_.width, size_.height});
}

void Host::save_document() {
  if (!store_) return;
  if (auto error = store_->save_if_changed()) {
    std::fprintf(stderr, "vexa-remote: could not save the profile document: %s\n", error->c_str());
  }
}

void Host::deliver(const Event& event) {
  app_->handle_event(event);
  save_document();
}

void Host::poll_document() {
  if (store_ && store_->poll_external()) {
    app_->sync_document(store_->document());
    save_document();
  }
}

bool Host::frame(bool force_draw) {
  if (auto* sink = app_->as_device_sink()) devices_.pump(*sink);
  app_->frame_start();
  if (!force_draw && !app_->needs_repaint()) return false;
  app_->clear_repaint();
  scene_.clear();
  DrawContext ctx{scene_, text_, size_, scale_};
  app_->draw(ctx);
  save_document();  // drawing may run queued commands (review scenes, frame-start work)
  return true;
}

const Raster& Host::rasterize_now() {
  rasterize(scene_, raster_, static_cast<int>(size_.width * scale_ + 0.5),
            static_cast<int>(size_.height * scale_ + 0.5), scale_, Colors::background);
  return raster_;
}

}  // namespace vexa_ui
