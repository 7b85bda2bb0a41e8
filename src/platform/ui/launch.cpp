#include "platform/ui/launch.hpp"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fmt/format.h>

#include "platform/sys/env.hpp"
#include "platform/ui/host.hpp"

namespace vexa_ui::launch {

namespace {

std::expected<Size, std::string> parse_size(std::string_view text) {
  auto x = text.find('x');
  if (x == std::string_view::npos) return std::unexpected(fmt::format("--size wants WxH, got \"{}\"", text));
  try {
    double w = std::stod(std::string(text.substr(0, x)));
    double h = std::stod(std::string(text.substr(x + 1)));
    if (w >= 200 && h >= 150 && w <= 16384 && h <= 16384) return Size{w, h};
  } catch (...) {
  }
  return std::unexpected(fmt::format("--size wants WxH between 200x150 and 16384x16384, got \"{}\"", text));
}

}  // namespace

std::expected<Options, std::string> parse_options(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    auto value = [&](std::string_view name) -> std::expected<std::string, std::string> {
      if (i + 1 >= argc) return std::unexpected(fmt::format("{} needs a value", name));
      return std::string(argv[++i]);
    };
    auto step = [&](Step::Kind kind, std::string_view name) -> std::expected<void, std::string> {
      auto v = value(name);
      if (!v) return std::unexpected(v.error());
      options.steps.push_back({kind, *v});
      return {};
    };
    std::expected<void, std::string> ok;
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--scene") {
      auto v = value(arg);
      if (!v) return std::unexpected(v.error());
      options.scene = *v;
    } else if (arg == "--size") {
      auto v = value(arg);
      if (!v) return std::unexpected(v.error());
      auto size = parse_size(*v);
      if (!size) return std::unexpected(size.error());
      options.size = *size;
    } else if (arg == "--scale") {
      auto v = value(arg);
      if (!v) return std::unexpected(v.error());
      char* end = nullptr;
      double s = std::strtod(v->c_str(), &end);
      if (end == v->c_str() || *end || !(s >= 0.5 && s <= 4)) {
        return std::unexpected(fmt::format("--scale wants a factor from 0.5 to 4, got \"{}\"", *v));
      }
      options.scale = s;
    } else if (arg == "--perform") {
      ok = step(Step::Kind::Perform, arg);
    } else if (arg == "--type") {
      ok = step(Step::Kind::Type, arg);
    } else if (arg == "--key") {
      ok = step(Step::Kind::Key, arg);
    } else if (arg == "--run-ms") {
      ok = step(Step::Kind::RunMs, arg);
      if (ok) {
        const auto& ms = options.steps.back().arg;
        if (ms.empty() || ms.find_first_not_of("0123456789") != std::string::npos || ms.size() > 9) {
          return std::unexpected(fmt::format("--run-ms wants milliseconds, got \"{}\"", ms));
        }
      }
    } else if (arg == "--a11y-dump") {
      options.steps.push_back({Step::Kind::A11yDump, {}});
    } else if (arg == "--screenshot") {
      ok = step(Step::Kind::Screenshot, arg);
    } else {
      return std::unexpected(fmt::format("unknown option \"{}\" (see --help)", arg));
    }
    if (!ok) return std::unexpected(ok.error());
  }
  return options;
}

std::string usage(const AppDescriptor& d) {
  std::string scenes;
  for (const auto& s : d.review_scenes) scenes += (scenes.empty() ? "" : ", ") + s;
  return fmt::format(
      "Usage: vexa-remote [OPTION]...\n"
      "{} ({}) {}\n\n"
      "  --scene NAME        open a review scene: {}\n"
      "  --size WxH          window size in logical pixels (default {}x{})\n"
      "  --scale F           pixels per logical pixel (default: the display's)\n"
      "  --help, --version   this text, the version\n\n"
      "Headless script (no display needed; steps run in the order given):\n"
      "  --perform ID[=VALUE]  activate an accessibility identifier, or set its value\n"
      "  --type TEXT           type TEXT, one key event per character\n"
      "  --key NAME            press and release a key, e.g. ctrl+w, Enter, Escape, shift+Tab\n"
      "  --run-ms N            keep the loop running (frames, workers, events) for N ms\n"
      "  --a11y-dump           print the accessibility tree as JSON to standard output\n"
      "  --screenshot PATH     render the current frame to a PNG file\n",
      d.display_name, d.app_id, d.version, scenes, d.default_size.width, d.default_size.height);
}

namespace {

struct NamedKey {
  const char* name;
  const char* code;
};

constexpr NamedKey kNamed[] = {
    {"Enter", "Enter"},       {"Escape", "Escape"},       {"Tab", "Tab"},
    {"Backspace", "Backspace"}, {"Delete", "Delete"},     {"Home", "Home"},
    {"End", "End"},           {"ArrowUp", "ArrowUp"},     {"ArrowDown", "ArrowDown"},
    {"ArrowLeft", "ArrowLeft"}, {"ArrowRight", "ArrowRight"}, {"PageUp", "PageUp"},
    {"PageDown", "PageDown"}, {"Space", "Space"},
};

std::string code_for_char(char32_t c) {
  if (c >= 'a' && c <= 'z') return fmt::format("Key{}", static_cast<char>(c - 32));
  if (c >= 'A' && c <= 'Z') return fmt::format("Key{}", static_cast<char>(c));
  if (c >= '0' && c <= '9') return fmt::format("Digit{}", static_cast<char>(c));
  if (c == ' ') return "Space";
  return {};
}

std::string lower_ascii(std::string_view s) {
  std::string out(s);
  for (auto& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

void press_release(std::vector<Key>& out, Key key) {
  key.pressed = true;
  out.push_back(key);
  key.pressed = false;
  out.push_back(key);
}

}  // namespace

std::expected<std::vector<Key>, std::string> key_events(std::string_view name) {
  Key key;
  std::string_view rest = name;
  for (;;) {
    auto plus = rest.find('+');
    if (plus == std::string_view::npos || plus + 1 == rest.size()) break;
    std::string mod = lower_ascii(rest.substr(0, plus));
    if (mod == "ctrl" || mod == "control") key.modifiers.ctrl = true;
    else if (mod == "shift") key.modifiers.shift = true;
    else if (mod == "alt") key.modifiers.alt = true;
    else if (mod == "meta" || mod == "super" || mod == "cmd") key.modifiers.meta = true;
    else return std::unexpected(fmt::format("unknown modifier \"{}\" in --key {}", mod, name));
    rest = rest.substr(plus + 1);
  }
  for (const auto& named : kNamed) {
    if (lower_ascii(rest) == lower_ascii(named.name)) {
      key.key = named.name;
      key.code = named.code;
      if (key.key == "Space" && !key.modifiers.shortcut()) key.text = " ";
      std::vector<Key> out;
      press_release(out, key);
      return out;
    }
  }
  if (rest.size() == 1 && static_cast<unsigned char>(rest[0]) >= 0x20 &&
      static_cast<unsigned char>(rest[0]) < 0x7F) {
    char c = rest[0];
    if (key.modifiers.shift && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    key.key = std::string(1, c);
    key.text = std::string(1, c);
    key.code = code_for_char(static_cast<char32_t>(rest[0]));
    std::vector<Key> out;
    press_release(out, key);
    return out;
  }
  return std::unexpected(fmt::format("unknown key \"{}\" (try Enter, Escape, Tab, ArrowUp, ctrl+w)", name));
}

std::vector<Key> typing_events(std::string_view text) {
  std::vector<Key> out;
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t len = lead < 0x80 ? 1 : lead >> 5 == 6 ? 2 : lead >> 4 == 14 ? 3 : lead >> 3 == 30 ? 4 : 1;
    len = std::min(len, text.size() - i);
    std::string ch(text.substr(i, len));
    i += len;
    Key key;
    if (ch == " ") {
      key.key = "Space";
    } else if (ch == "\n" || ch == "\r") {
      key.key = "Enter";
      key.code = "Enter";
      press_release(out, key);
      continue;
    } else if (ch == "\t") {
      key.key = "Tab";
      key.code = "Tab";
      press_release(out, key);
      continue;
    } else {
      key.key = ch;
    }
    key.text = ch;
    if (len == 1) {
      key.code = code_for_char(static_cast<char32_t>(lead));
      key.modifiers.shift = lead >= 'A' && lead <= 'Z';
    }
    press_release(out, key);
  }
  return out;
}

namespace {

volatile std::sig_atomic_t g_stop = 0;
void on_stop_signal(int) { g_stop = 1; }

bool display_available() {
  auto x = vexa::sys::env("DISPLAY");
  auto w = vexa::sys::env("WAYLAND_DISPLAY");
  return (x && !x->empty()) || (w && !w->empty());
}

}  // namespace

bool stop_requested() { return g_stop != 0; }

[[noreturn]] void run_or_exit(const AppDescriptor& descriptor, int argc, char** argv) {
  auto options = parse_options(argc, argv);
  if (!options) {
    std::fprintf(stderr, "vexa-remote: %s\n", options.error().c_str());
    std::exit(2);
  }
  if (options->help) {
    std::fputs(usage(descriptor).c_str(), stdout);
    std::exit(0);
  }
  if (options->version) {
    std::printf("vexa-remote %s\n", descriptor.version.c_str());
    std::exit(0);
  }
  bool headless = !options->steps.empty();
  if (!headless && !display_available()) {
    std::fprintf(stderr,
                 "vexa-remote: no display to open a window on (DISPLAY is not set); "
                 "use --screenshot PATH to render headless\n");
    std::exit(1);
  }
  std::signal(SIGTERM, on_stop_signal);
  std::signal(SIGINT, on_stop_signal);

  std::unique_ptr<DocumentStore> store;
  if (descriptor.open_document) {
    auto opened = descriptor.open_document();
    if (!opened) {
      std::fprintf(stderr, "vexa-remote: cannot open the profile document: %s\n", opened.error().c_str());
      std::exit(1);
    }
    store = std::move(*opened);
  }
  auto app = descriptor.create_app(options->scene);
  if (descriptor.register_actions) descriptor.register_actions(*app);
  Size size = options->size.width > 0 ? options->size : descriptor.default_size;
  int code = 0;
  {
    Host host(std::move(app), std::move(store), size, options->scale > 0 ? options->scale : 1);
    code = headless ? run_script(host, options->steps) : run_window(host, descriptor, options->scale > 0);
    host.save_document();
  }
  // Session workers are never joined and may still be inside their libraries; running static
  // destructors under them could crash the process after its work is done. Everything the app
  // owns is saved and dropped by now, so end without them.
  std::fflush(nullptr);
  std::_Exit(code);
}

}  // namespace vexa_ui::launch
