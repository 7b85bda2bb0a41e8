#pragma once
// The "remote-ssh" worker: everything it shares with the UI thread, moved in at start.
#include <memory>

#include "platform/sys/channel.hpp"
#include "platform/sys/session_status.hpp"
#include "ssh/session.hpp"
#include "ssh/wakeup.hpp"

namespace ssh {

struct WorkerLink {
  SshTarget target;
  vexa::sys::StatusCell status;
  VerdictCell verdict;
  vexa::sys::Sender<OutputChunk> output;
  vexa::sys::Receiver<SshInput> input;
  std::shared_ptr<Wakeup> wake;
};

// Runs the whole session on the calling thread and returns when it has ended or failed.
void run_worker(WorkerLink& link);

}  // namespace ssh
