// The live session surfaces (terminal and remote desktop) and the input a live session takes.
#include <fmt/format.h>

#include "app/views/views.hpp"
#include "platform/sys/text.hpp"
#include "platform/ui/theme.hpp"
#include "device/input.hpp"
#include "ssh/input.hpp"
#include "vt/drain.hpp"

namespace app::views {

using namespace vexa_ui;

namespace {

constexpr double kCellWidth = 8.4;
constexpr double kLineHeight = 21;


void draw_terminal(DrawContext& ctx, const vt::TerminalScreen& screen, Rect surface) {
  const auto& palette = TerminalPalette::dark();
  ctx.scene.fill_rect(surface, palette.background);
  ctx.scene.push_clip(surface);
  double ox = surface.x + 16, oy = surface.y + 16;
  std::string run;
  for (std::size_t r = 0; r < screen.height(); ++r) {
    auto row = screen.row(r);
    double y = oy + kLineHeight * static_cast<double>(r);
    std::size_t c = 0;
    while (c < row.size()) {
      const auto& first = row[c];
      std::size_t end = c;
      run.clear();
      while (end < row.size() && row[end].foreground == first.foreground && row[end].bold == first.bold) {
        vexa::sys::append_utf8(run, row[end].character);
        ++end;
      }
      Color color = first.foreground ? palette.indexed[std::min<std::uint8_t>(*first.foreground, 15)] : palette.foreground;
      // Runs of blanks draw nothing visible; skip recording them.
      if (run.find_first_not_of(' ') != std::string::npos) {
        ctx.text.draw_mono(ctx.scene, run, color, {ox + kCellWidth * static_cast<double>(c), y}, 14,
                           first.bold ? FontWeight::Bold : FontWeight::Regular);
      }
      c = end;
    }
  }
  ctx.scene.fill_rect({ox + kCellWidth * static_cast<double>(screen.cursor_column()),
                       oy + kLineHeight * static_cast<double>(screen.cursor_row()), kCellWidth, 16.8},
                      palette.foreground.with_alpha(0.6f));
  ctx.scene.pop_clip();
}

}  // namespace

Rect fitted_image_rect(Rect surface, double w, double h, bool fit) {
  w = std::max(w, 1.0);
  h = std::max(h, 1.0);
  double dw, dh;
  if (fit) {
    double s = std::min(surface.width / w, surface.height / h);
    dw = w * s;
    dh = h * s;
  } else {
    dw = std::min(w, surface.width);
    dh = std::min(h, surface.height);
  }
  return {surface.x + (surface.width - dw) / 2, surface.y + (surface.height - dh) / 2, dw, dh};
}

bool draw_live_surface(RemoteApp& app, DrawContext& ctx, const profiles::ConnectionProfile&, Rect surface) {
  if (auto* ssh_session = app.sessions.ssh_session()) {
    draw_terminal(ctx, *ssh_session->terminal, surface);
    return true;
  }
  auto& memory = app.sessions.surface;
  std::optional<ImagePixels> image;
  if (app.sessions.vnc_session()) {
    if (const auto& frame = memory.frame; frame && frame->pixels) {
      // The scene wraps the published pixels; nothing is copied per frame.
      image = ImagePixels{frame->width, frame->height, frame->generation,
                          std::shared_ptr<const std::uint8_t>(frame->pixels, reinterpret_cast<const std::uint8_t*>(frame->pixels.get()))};
    }
  } else if (app.sessions.device_session()) {
    image = memory.picture;
  } else {
    return false;
  }
  ctx.scene.fill_rect(surface, Color::rgb(0x000000));
  if (!image) {
    memory.drawn.reset();
    ctx.text.draw_text(ctx.scene, "Connected \u2014 waiting for the first framebuffer update\u2026", Colors::text,
                       Transform::translate(surface.x + 24, surface.y + 24), 0, 13);
    return true;
  }
  Rect drawn = fitted_image_rect(surface, image->width, image->height, app.scale_fit);
  ctx.scene.image(*image, drawn);
  app.sessions.surface.drawn = rfb::ImageRect{drawn.x, drawn.y, drawn.right(), drawn.bottom()};
  if (app.fullscreen) {
    ctx.text.draw_text(ctx.scene, "Esc to exit fullscreen", Colors::text, Transform::translate(surface.right() - 170, surface.y + 12), 0, 12);
  }
  return true;
}

std::string live_surface_text(const RemoteApp& app) {
  const auto* s = app.sessions.ssh_session();
  if (!s || !s->terminal) return {};
  std::string text;
  for (std::size_t r = 0; r < s->terminal->height(); ++r) {
    std::string line;
    for (const auto& cell : s->terminal->row(r)) vexa::sys::append_utf8(line, cell.character);
    line.erase(line.find_last_not_of(' ') + 1);
    text += line;
    if (r + 1 < s->terminal->height()) text += '\n';
  }
  return text;
}

}  // namespace app::views

namespace app {

namespace {

using SK = vexa::sys::SessionStatus::Kind;

// The bytes a key sends to the shell; empty when it sends nothing.
std::string ssh_bytes(const vexa_ui::Key& key) {
  static const std::pair<std::string_view, std::string_view> named[] = {
      {"Enter", "\r"},         {"Tab", "\t"},           {"Space", " "},          {"ArrowUp", "\x1b[A"},
      {"ArrowDown", "\x1b[B"}, {"ArrowRight", "\x1b[C"}, {"ArrowLeft", "\x1b[D"}, {"Home", "\x1b[H"},
      {"End", "\x1b[F"},       {"Backspace", "\x7f"},   {"Delete", "\x1b[3~"},   {"Escape", "\x1b"}};
  for (const auto& [name, bytes] : named) {
    if (key.key == name) return std::string(bytes);
  }
  if (key.modifiers.ctrl && key.text.size() == 1) {
    char c = key.text[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c >= 'A' && c <= 'Z') return std::string(1, static_cast<char>(c - 64));
  }
  return key.text;
}

}  // namespace

bool RemoteApp::session_key(const vexa_ui::Key& key) {
  auto status = sessions.status();
  if (!status || status->kind != SK::Connected) return false;
  if (!key.pressed) return true;
  if (auto* s = sessions.ssh_session()) {
    std::string bytes = ssh_bytes(key);
    if (!bytes.empty()) {
      // A full or closed queue drops the key; the delivery path reports why.
      (void)ssh::send_ssh_input(*s, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    }
    return true;
  }
  if (auto* v = sessions.vnc_session()) {
    rfb::send_vnc_key(*v, key.key, key.text);
    return true;
  }
  return false;
}

// Device streams take physical keys, presses and releases alike.
bool RemoteApp::device_key(const vexa_ui::Key& key) {
  auto* d = sessions.device_session();
  if (!d || d->status.kind != SK::Connected) return false;
  if (!key.code.empty()) device::send_key(sessions.streams, *d, key.code, key.pressed);
  return true;
}

std::vector<vexa_ui::device_stream::DeviceRequest> RemoteApp::take_device_requests() {
  return sessions.streams.take_requests();
}

void RemoteApp::on_device_event(vexa_ui::device_stream::DeviceEvent event) {
  if (device::on_device_event(sessions.device_session(), std::move(event))) needs_repaint_ = true;
}

bool RemoteApp::session_pointer(const vexa_ui::Event& event) {
  if (auto* d = sessions.device_session()) {
    if (pending_confirmation) return false;
    std::optional<vexa_ui::Rect> drawn;
    if (auto& r = sessions.surface.drawn) drawn = vexa_ui::Rect{r->x0, r->y0, r->x1 - r->x0, r->y1 - r->y0};
    if (auto* move = std::get_if<vexa_ui::PointerMove>(&event)) {
      device::send_pointer_move(sessions.streams, *d, drawn, move->position.x / scale, move->position.y / scale);
      return false;
    }
    if (auto* button = std::get_if<vexa_ui::PointerButton>(&event)) {
      return device::send_pointer_button(sessions.streams, *d, drawn, button->button, button->pressed,
                                         button->position.x / scale, button->position.y / scale);
    }
    return false;
  }
  auto* v = sessions.vnc_session();
  if (!v) return false;
  bool dialog = pending_confirmation.has_value();
  if (auto* move = std::get_if<vexa_ui::PointerMove>(&event)) {
    if (sessions.surface.pointer.move(*v, sessions.surface.drawn, move->position.x / scale, move->position.y / scale, dialog)) {
      needs_repaint_ = true;
    }
    return false;  // hover and tooltips still follow the pointer
  }
  if (auto* button = std::get_if<vexa_ui::PointerButton>(&event)) {
    auto& drawn = sessions.surface.drawn;
    vexa_ui::Point p{button->position.x / scale, button->position.y / scale};
    if (!drawn || p.x < drawn->x0 || p.x >= drawn->x1 || p.y < drawn->y0 || p.y >= drawn->y1) return false;
    sessions.surface.pointer.move(*v, drawn, p.x, p.y, dialog);
    sessions.surface.pointer.button(*v, drawn, button->button, button->pressed, dialog);
    return true;
  }
  return false;
}

void RemoteApp::frame_start_session() {
  if (auto* s = sessions.ssh_session()) {
    if (vt::drain_output(s->output, *s->terminal)) needs_repaint_ = true;
  }
  if (auto* d = sessions.device_session()) {
    if (auto picture = device::take_picture(*d)) {
      sessions.surface.picture = std::move(picture);
      needs_repaint_ = true;
    }
  }
  if (auto* v = sessions.vnc_session()) {
    if (auto frame = rfb::take_new_frame(*v->frames, sessions.surface.last_generation)) {
      sessions.surface.frame = std::move(frame);
      needs_repaint_ = true;
    }
  }
  // Status changes (connecting → connected → ended) show without any input.
  auto status = sessions.status();
  if (status != last_status_) {
    last_status_ = status;
    needs_repaint_ = true;
  }
}

bool RemoteApp::ssh_terminal_connected(const Uuid& id) const {
  const auto* s = sessions.ssh_session();
  if (!s || !session_target.open || session_target.id != id) return false;
  return s->status->get().kind == SK::Connected;
}

std::optional<std::string> RemoteApp::send_text(const Uuid& id, const std::string& text, bool tracked) {
  auto* s = sessions.ssh_session();
  if (!s || !ssh_terminal_connected(id)) return "text input requires a connected SSH terminal";
  std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  if (!tracked) {
    auto sent = ssh::send_ssh_input(*s, bytes);
    if (!sent) return sent.error();
    return std::nullopt;
  }
  auto ticket = ssh::send_ssh_input_tracked(*s, bytes);
  if (!ticket) return ticket.error();
  delivery_ticket_ = std::move(*ticket);
  return std::nullopt;
}

vexa_actions::PollResult RemoteApp::poll_delivery_outcome() {
  if (!delivery_ticket_) {
    return vexa_actions::poll::Failed{"remote.input_worker_lost", "remote input worker stopped before acknowledgement"};
  }
  auto state = ssh::poll_delivery(*delivery_ticket_);
  using DK = ssh::DeliveryState::Kind;
  switch (state.kind) {
    case DK::Waiting: return vexa_actions::poll::Nothing{};
    case DK::Acknowledged: delivery_ticket_.reset(); return vexa_actions::poll::Succeeded{};
    case DK::WorkerLost:
      delivery_ticket_.reset();
      return vexa_actions::poll::Failed{"remote.input_worker_lost", "remote input worker stopped before acknowledgement"};
    case DK::DeliveryFailed:
      delivery_ticket_.reset();
      return vexa_actions::poll::Failed{"remote.input_failed", state.text};
  }
  return vexa_actions::poll::Nothing{};
}

}  // namespace app
