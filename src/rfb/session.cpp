#include "rfb/session.hpp"

#include <system_error>

#include "platform/sys/env.hpp"
#include "platform/sys/thread.hpp"
#include "rfb/handshake.hpp"
#include "rfb/utf8.hpp"

namespace rfb {

namespace {

using vexa::sys::SessionStatus;

struct WorkerArgs {
  vexa::sys::Receiver<VncInput> input;
  std::string host;
  std::uint16_t port;
  std::optional<std::string> password;
  vexa::sys::StatusCell status;
  std::shared_ptr<FrameSlot> slot;
  std::shared_ptr<SessionCounters> counters;
};

void worker(WorkerArgs& a) {
  auto transport = connect_tcp(a.host, a.port);
  if (!transport) return report_worker_end(a.status, std::unexpected(transport.error()));
  auto result = run_vnc_session(**transport, a.password, a.status, *a.slot, a.input,
                                a.counters.get());
  (*transport)->close();
  report_worker_end(a.status, result);
}

}  // namespace

Result<void> run_vnc_session(Transport& transport, const std::optional<std::string>& password,
                             const vexa::sys::StatusCell& status, FrameSlot& slot,
                             vexa::sys::Receiver<VncInput>& input, SessionCounters* counters) {
  Wire wire(transport);
  auto init = handshake(wire, password);
  if (!init) return std::unexpected(init.error());
  Framebuffer frame(init->width, init->height);
  if (auto r = wire.write_all(update_request_message(false, init->width, init->height)); !r) {
    return r;
  }
  status->set(SessionStatus::connected());
  slot.publish(frame.snapshot());
  return run_session_loop({wire, frame, slot, input, counters});
}

void report_worker_end(const vexa::sys::StatusCell& status, const Result<void>& result) {
  if (result) return;  // the handle was dropped: nobody is asking any more
  const Error& e = result.error();
  using Kind = SessionStatus::Kind;
  if (e.kind == ErrorKind::EndOfStream &&
      status->set_if([](const SessionStatus& s) { return s.kind == Kind::Connected; },
                     SessionStatus::ended())) {
    return;
  }
  std::string text = e.message;
  if (e.kind == ErrorKind::ConnectionRefused) text = "Connection refused";
  if (e.kind == ErrorKind::TimedOut) text = "Connection timed out";
  vexa::sys::report_failure(status, std::move(text));
}

std::expected<VncSession, std::string> start_vnc_session(std::string host, std::uint16_t port,
                                                         std::optional<std::string> password) {
  auto channel = vexa::sys::bounded<VncInput>(kInputCapacity);
  VncSession session{std::move(channel.sender), vexa::sys::make_status_cell(),
                     std::make_shared<FrameSlot>(), std::make_shared<SessionCounters>()};
  auto args = std::make_shared<WorkerArgs>(WorkerArgs{std::move(channel.receiver), std::move(host),
                                                      port, std::move(password), session.status,
                                                      session.frames, session.counters});
  try {
    vexa::sys::spawn_detached("remote-vnc", [args] { worker(*args); });
  } catch (const std::system_error& e) {
    return std::unexpected(e.code().message());
  }
  return session;
}

std::optional<std::string> vnc_password_from_environment() {
  auto value = vexa::sys::env("REMOTE_VNC_PASSWORD");
  if (!value || !valid_utf8(*value)) return std::nullopt;
  return value;
}

std::expected<void, std::string> send_vnc_input(VncSession& session, VncInput input) {
  auto error = session.input.try_send(input);
  if (!error) return {};
  if (*error == vexa::sys::SendError::Full) {
    return std::unexpected("VNC input is busy; wait for the remote desktop to catch up");
  }
  return std::unexpected("VNC session input channel is closed");
}

void send_vnc_key(VncSession& session, std::string_view key, std::string_view text) {
  auto keysym = vnc_keysym(key, text);
  if (!keysym) return;
  (void)send_vnc_input(session, VncInput::key(true, *keysym));
  (void)send_vnc_input(session, VncInput::key(false, *keysym));
}

std::optional<FramePoint> map_view_point(const VncSession& session,
                                         const std::optional<ImageRect>& drawn, double px,
                                         double py) {
  if (!drawn || session.status->get().kind != SessionStatus::Kind::Connected) return std::nullopt;
  auto snap = session.frames->current();
  if (!snap) return std::nullopt;
  return map_image_point(*drawn, snap->width, snap->height, px, py);
}

bool VncPointer::move(VncSession& session, const std::optional<ImageRect>& drawn, double lx,
                      double ly, bool dialog_open) {
  bool changed = lx != x || ly != y;
  if (changed) x = lx, y = ly;
  if (dialog_open) return changed;
  if (auto p = map_view_point(session, drawn, lx, ly)) {
    (void)send_vnc_input(session, VncInput::pointer(mask, p->x, p->y));
  }
  return changed;
}

void VncPointer::button(VncSession& session, const std::optional<ImageRect>& drawn, int button,
                        bool pressed, bool dialog_open) {
  if (dialog_open) return;
  auto p = map_view_point(session, drawn, x, y);
  if (!p) return;
  mask = vnc_button_mask(mask, button, pressed);
  (void)send_vnc_input(session, VncInput::pointer(mask, p->x, p->y));
}

}  // namespace rfb
