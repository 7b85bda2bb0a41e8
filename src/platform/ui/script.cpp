#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/ui/host.hpp"

namespace vexa_ui {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFrame = std::chrono::microseconds(16667);
constexpr auto kDocumentPoll = std::chrono::milliseconds(500);

// Keeps the loop alive as a window would: paced frames while the app wants them, document
// polling on its timer, sleeping otherwise.
void run_for(Host& host, std::chrono::milliseconds duration) {
  auto end = Clock::now() + duration;
  auto next_poll = Clock::now() + kDocumentPoll;
  while (Clock::now() < end && !launch::stop_requested()) {
    auto now = Clock::now();
    if (now >= next_poll) {
      host.poll_document();
      next_poll = now + kDocumentPoll;
    }
    host.frame();
    auto wake = host.wants_frame() ? now + kFrame : std::min(next_poll, end);
    std::this_thread::sleep_until(std::min(wake, end));
  }
}

// The semantic action a --perform step asks for: "ID" activates, "ID=VALUE" sets a value.
std::pair<std::string, SemanticAction> perform_request(const std::string& arg) {
  auto eq = arg.find('=');
  if (eq == std::string::npos) return {arg, {SemanticKind::Activate, {}}};
  return {arg.substr(0, eq), {SemanticKind::SetValue, arg.substr(eq + 1)}};
}

}  // namespace

int run_script(Host& host, const std::vector<launch::Step>& steps) {
  host.frame(true);
  for (const auto& step : steps) {
    if (launch::stop_requested()) return 0;
    switch (step.kind) {
      case launch::Step::Kind::Perform: {
        auto [id, action] = perform_request(step.arg);
        if (!host.app().perform_semantic_action(id, action)) {
          std::fprintf(stderr, "vexa-remote: the app refused the action \"%s\"\n", step.arg.c_str());
          return 3;
        }
        host.save_document();
        break;
      }
      case launch::Step::Kind::Type:
        for (const auto& key : launch::typing_events(step.arg)) host.deliver(key);
        break;
      case launch::Step::Kind::Key: {
        auto keys = launch::key_events(step.arg);
        if (!keys) {
          std::fprintf(stderr, "vexa-remote: %s\n", keys.error().c_str());
          return 2;
        }
        for (const auto& key : *keys) host.deliver(key);
        break;
      }
      case launch::Step::Kind::RunMs:
        run_for(host, std::chrono::milliseconds(std::stoul(step.arg)));
        break;
      case launch::Step::Kind::A11yDump: {
        host.frame(true);
        auto json = host.app().accessibility_tree().to_json();
        std::fwrite(json.data(), 1, json.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
        break;
      }
      case launch::Step::Kind::Screenshot: {
        host.frame(true);
        if (auto written = write_png(host.rasterize_now(), step.arg); !written) {
          std::fprintf(stderr, "vexa-remote: %s\n", written.error().c_str());
          return 1;
        }
        break;
      }
    }
    host.frame();
  }
  return 0;
}

}  // namespace vexa_ui
