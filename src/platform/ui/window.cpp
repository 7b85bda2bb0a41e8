#include <SDL2/SDL.h>

#include <chrono>
#include <cstdio>

#include "platform/ui/a11y_file.hpp"
#include "platform/ui/host.hpp"
#include "platform/ui/sdl_keys.hpp"
#include "platform/ui/widgets/clipboard.hpp"

namespace vexa_ui {

namespace {

using Clock = std::chrono::steady_clock;

struct Window {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int texture_w = 0, texture_h = 0;

  ~Window() {
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
    SDL_Quit();
  }

  // Physical pixels per logical pixel: the drawable against the window's size.
  double display_scale() const {
    int w = 0, h = 0, dw = 0, dh = 0;
    SDL_GetWindowSize(window, &w, &h);
    SDL_GetRendererOutputSize(renderer, &dw, &dh);
    return w > 0 ? static_cast<double>(dw) / w : 1.0;
  }
  Size logical_size() const {
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    return {static_cast<double>(w), static_cast<double>(h)};
  }

  void present(const Raster& raster) {
    if (!texture || texture_w != raster.width || texture_h != raster.height) {
      if (texture) SDL_DestroyTexture(texture);
      texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                  raster.width, raster.height);
      texture_w = raster.width;
      texture_h = raster.height;
    }
    SDL_UpdateTexture(texture, nullptr, raster.pixels.data(), raster.stride);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
  }
};

// SDL sends the typed text as a separate event after the key-down; join them so one key
// event carries both.
std::string take_following_text() {
  SDL_PumpEvents();
  SDL_Event next;
  if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) == 1) {
    SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT);
    return next.text.text;
  }
  return {};
}

std::optional<Event> translate(const SDL_Event& e, double scale_x) {
  auto point = [&](int x, int y) { return Point{x * scale_x, y * scale_x}; };
  switch (e.type) {
    case SDL_MOUSEMOTION: return PointerMove{point(e.motion.x, e.motion.y)};
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      int button = e.button.button == SDL_BUTTON_LEFT ? 0 : e.button.button == SDL_BUTTON_RIGHT ? 1 : 2;
      return PointerButton{point(e.button.x, e.button.y), button, e.type == SDL_MOUSEBUTTONDOWN};
    }
    case SDL_MOUSEWHEEL: {
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      return Wheel{point(x, y), static_cast<double>(e.wheel.x), static_cast<double>(e.wheel.y), true};
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      Key key;
      key.pressed = e.type == SDL_KEYDOWN;
      key.modifiers = sdl::modifiers(e.key.keysym.mod);
      key.code = sdl::key_code(e.key.keysym.scancode);
      key.key = sdl::key_name(e.key.keysym.sym);
      if (key.pressed) key.text = take_following_text();
      SDL_Keycode sym = e.key.keysym.sym;
      // Control+letter produces no text event; the app still needs its letter.
      if (key.text.empty() && sym >= SDLK_a && sym <= SDLK_z && (key.modifiers.shortcut() || !key.pressed)) {
        key.text = std::string(1, static_cast<char>(sym));
      }
      if (key.key.empty()) key.key = key.text;
      if (key.key.empty()) return std::nullopt;
      return key;
    }
    case SDL_TEXTINPUT: return TextCommit{e.text.text};
    default: return std::nullopt;
  }
}

}  // namespace

int run_window(Host& host, const AppDescriptor& descriptor, bool scale_forced) {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // our own handlers save the document first
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "vexa-remote: cannot open a window (%s); use --screenshot PATH to render headless\n",
                 SDL_GetError());
    return 1;
  }
  Window w;
  Size size = host.size();
  w.window = SDL_CreateWindow(descriptor.display_name.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                              static_cast<int>(size.width), static_cast<int>(size.height),
                              SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!w.window) {
    std::fprintf(stderr, "vexa-remote: cannot create the window: %s\n", SDL_GetError());
    return 1;
  }
  SDL_SetWindowMinimumSize(w.window, 360, 320);
  w.renderer = SDL_CreateRenderer(w.window, -1, SDL_RENDERER_PRESENTVSYNC);
  if (!w.renderer) w.renderer = SDL_CreateRenderer(w.window, -1, SDL_RENDERER_SOFTWARE);
  if (!w.renderer) {
    std::fprintf(stderr, "vexa-remote: cannot draw into the window: %s\n", SDL_GetError());
    return 1;
  }
  Clipboard::current() = Clipboard{[] {
                                     char* t = SDL_GetClipboardText();
                                     std::string s = t ? t : "";
                                     SDL_free(t);
                                     return s;
                                   },
                                   [](const std::string& s) { SDL_SetClipboardText(s.c_str()); }};
  SDL_StartTextInput();

  auto sync_size = [&] {
    double scale = scale_forced ? host.scale() : w.display_scale();
    host.resize(w.logical_size(), scale);
  };
  sync_size();
  const auto frame_interval = std::chrono::microseconds(16667);
  const auto poll_interval = std::chrono::milliseconds(500);
  auto next_poll = Clock::now() + poll_interval;
  // Frames are due one interval after the previous one began, so a frame's own work does not
  // stretch the period (with vsync, presenting already waited for the display).
  auto last_frame = Clock::now() - frame_interval;
  bool dirty = true;  // the window needs its pixels again (first show, expose, resize)
  bool running = true;
  auto a11y_file = A11yFile::from_environment();
  while (running && !launch::stop_requested()) {
    auto now = Clock::now();
    bool animating = host.wants_frame() || host.app().needs_repaint() || dirty;
    auto until = animating ? last_frame + frame_interval : next_poll;
    auto timeout = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
    if (!animating) timeout = std::max<long>(1, timeout);
    SDL_Event e;
    // Sleep until input arrives, the frame is due, or the document timer fires.
    bool got = timeout > 0 ? SDL_WaitEventTimeout(&e, static_cast<int>(timeout)) : SDL_PollEvent(&e);
    if (got) {
      do {
        if (e.type == SDL_QUIT) running = false;
        if (e.type == SDL_WINDOWEVENT) {
          if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED || e.window.event == SDL_WINDOWEVENT_RESIZED) sync_size();
          if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) dirty = true;
          if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) host.deliver(FocusLost{});
          continue;
        }
        if (auto event = translate(e, w.display_scale())) host.deliver(*event);
      } while (SDL_PollEvent(&e));
    }
    if (Clock::now() >= next_poll) {
      host.poll_document();
      next_poll = Clock::now() + poll_interval;
    }
    last_frame = Clock::now();
    if (host.frame(dirty)) {
      w.present(host.rasterize_now());
      dirty = false;
      if (a11y_file) a11y_file->after_repaint(host.app());
    }
  }
  return 0;
}

}  // namespace vexa_ui
