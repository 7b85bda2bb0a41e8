#pragma once
#include <optional>
#include <string>

#include "app/remote_app.hpp"

namespace app {

// Fills the app with the eight sample profiles and four nearby devices.
void build_sample_workspace(RemoteApp& app);
// Puts the app into a named review scene (sample workspace only).
void apply_review_scene(RemoteApp& app, const std::string& scene);
// The endpoint id of fixed sample device key 1..4.
std::string sample_device_endpoint(int index);

}  // namespace app
