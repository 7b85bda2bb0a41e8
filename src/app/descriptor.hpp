#pragma once
#include <memory>
#include <optional>
#include <string>

#include "app/remote_app.hpp"
#include "platform/ui/launch.hpp"

namespace app {

inline constexpr const char* kAppId = "io.vexa.remote";

// The create-app callback: the sample workspace only for VEXA_REMOTE_SAMPLE exactly "1".
std::unique_ptr<RemoteApp> create_app(std::optional<std::string> scene);
vexa_ui::AppDescriptor make_descriptor();

}  // namespace app
