#include "ssh/worker.hpp"

#include "ssh/connect.hpp"
#include "ssh/event_loop.hpp"
#include "ssh/shell_pump.hpp"

namespace ssh {

namespace {

using Status = vexa::sys::SessionStatus;

// Disconnects (reason: by application) before freeing, on every path after a connect.
struct ConnectedSession {
  SessionPtr session{ssh_new()};
  ~ConnectedSession() {
    if (session) say_goodbye(session.get());
  }
};

Step run_session(WorkerLink& link, EventLoop& loop) {
  ConnectedSession connection;
  ssh_session session = connection.session.get();
  if (!session) return std::unexpected(std::string("connect: cannot create an SSH session"));
  if (auto step = connect_and_check(session, link.target, link.verdict); !step) return step;
  if (auto step = authenticate(session, link.target); !step) return step;
  auto channel = open_shell(session, link.target);
  if (!channel) return std::unexpected(channel.error());

  link.status->set(Status::connected());
  if (auto added = loop.add(session); !added) return added;
  {
    SessionInLoop in_loop(loop, session);
    ShellPump pump(session, channel->get(), link);
    pump.run(loop);
  }
  link.status->set_if([](const Status& s) { return s.kind == Status::Kind::Connected; },
                      Status::ended());
  return {};
}

// Messages still queued when the worker ends are dropped here, so their tickets report a
// lost worker instead of waiting forever inside a queue the UI still holds.
void discard_pending_input(WorkerLink& link) {
  link.input.close();
  while (link.input.try_recv()) {
  }
}

}  // namespace

void run_worker(WorkerLink& link) {
  auto loop = EventLoop::create(*link.wake);
  if (!loop) {
    link.status->set(Status::failed("runtime: " + loop.error()));
  } else if (auto result = run_session(link, *loop); !result) {
    vexa::sys::report_failure(link.status, result.error());
  }
  discard_pending_input(link);
}

}  // namespace ssh
