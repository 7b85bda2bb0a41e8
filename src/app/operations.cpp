// Typed operations: the resource tree for automation, and run/start/poll with their contracts.
#include <fmt/format.h>

#include "app/remote_app.hpp"

namespace app {

namespace va = vexa_actions;
using actions::RemoteOperation;
using profiles::Availability;

namespace {

template <class... Ts>
struct overloaded : Ts... {
  using Ts::operator()...;
};

va::Encoder operation(RemoteOperation op) {
  return [op](const va::ActionArgs&) { return actions::to_encoded(op); };
}

va::ActionContract session_contract(va::SideEffectScope scope) {
  va::ActionContract c;
  c.with_capability("network").with_capability("session").with_side_effects(scope);
  return c;
}

va::ActionContract host_key_contract() {
  va::ActionContract c;
  c.with_capability("ssh").with_capability("host-key").with_capability("device-private")
      .with_side_effects(va::SideEffectScope::Device);
  return c;
}

std::string unavailable_message(const profiles::ConnectionProfile& p, Availability a) {
  if (a == Availability::Invalid) {
    if (auto m = profiles::compatibility_message(p.kind, p.host, p.auth)) return *m;
  }
  return std::string(profiles::availability_text(a, p.kind));
}

va::Resource connection_resource(const profiles::ConnectionProfile& p) {
  auto id = p.id.to_string();
  std::string title = profiles::trim(p.name).empty() ? p.host : p.name;
  va::Resource r("remote.connection", "remote.connection:" + id, title);
  r.with_action(va::ActionSpec("open", "Open connection settings", operation(actions::EditConnection{p.id}))
                    .with_operation_type(va::OperationType::View));
  auto availability = profiles::availability_of(p);
  auto connect = va::ActionSpec("connect", "Connect", operation(actions::Connect{p.id}));
  connect.with_description(fmt::format("Open a live session to this saved connection. {}",
                                       profiles::availability_text(availability, p.kind)))
      .with_contract(session_contract(va::SideEffectScope::Network))
      .with_operation_type(va::OperationType::Background);
  switch (availability) {
    case Availability::Ready: break;
    case Availability::NeedsAccess:
      connect.unavailable("live_session_capability_required", unavailable_message(p, availability));
      break;
    case Availability::NotSupported:
      connect.unavailable("transport_backend_unavailable", unavailable_message(p, availability));
      break;
    case Availability::Invalid: connect.unavailable("invalid_connection_profile", unavailable_message(p, availability)); break;
  }
  r.with_action(std::move(connect));
  auto uuid = p.id;
  r.with_action(va::ActionSpec("rename", "Rename connection",
                               [uuid](const va::ActionArgs& args) {
                                 return actions::to_encoded(actions::RenameConnection{uuid, args.text("value").value_or("")});
                               })
                    .with_argument({"value", "New name", "connection name", false}));
  bool favorite = p.favorite;
  r.with_action(va::ActionSpec(
      "favorite", favorite ? "Remove from favourites" : "Add to favourites",
      [uuid, favorite](const va::ActionArgs&) { return actions::to_encoded(actions::SetFavorite{uuid, !favorite}); }));
  r.with_action(va::ActionSpec("delete", "Delete connection",
                               [uuid](const va::ActionArgs&) { return actions::to_encoded(actions::DeleteConnection{uuid}); })
                    .destructive());
  return r;
}

}  // namespace

bool RemoteApp::is_current(const Uuid& id, session::SessionId identity) const {
  return session_target.open && session_target.id == id && sessions.identity() == identity;
}

std::optional<va::Resource> RemoteApp::register_resources() {
  va::Resource root("remote.connections", "remote.connection-list", "Remote connections");
  root.with_action(va::ActionSpec("open", "Show connections", operation(actions::ShowConnections{}))
                       .with_operation_type(va::OperationType::View));
  root.with_action(va::ActionSpec("new", "New connection", operation(actions::NewConnectionForm{}))
                       .with_operation_type(va::OperationType::View));
  for (const auto& p : profiles) root.with_child(connection_resource(p));
  const auto* target = session_target.open ? find_profile(session_target.id) : nullptr;
  if (target) {
    auto id = target->id;
    va::Resource s("remote.session", "remote.session:" + id.to_string(), fmt::format("{} session", target->name));
    s.with_action(va::ActionSpec("disconnect", "Disconnect session", operation(actions::Disconnect{id}))
                      .with_contract(session_contract(va::SideEffectScope::Network))
                      .with_operation_type(va::OperationType::Background));
    auto send = va::ActionSpec("send-text", "Send text to session", [id](const va::ActionArgs& args) {
      return actions::to_encoded(actions::SendText{id, args.text("text").value_or("")});
    });
    va::ActionContract input;
    input.with_capability("remote-input").with_capability("session").with_side_effects(va::SideEffectScope::Network);
    send.with_argument({"text", "command or text", "Text to deliver to the connected SSH terminal", true})
        .with_contract(input)
        .with_operation_type(va::OperationType::Background);
    if (!ssh_terminal_connected(id)) send.unavailable("terminal_not_connected", "Text input requires a connected SSH terminal");
    s.with_action(std::move(send));
    if (auto waiting = waiting_host_key(id)) {
      if (waiting->kind == WaitingHostKey::Kind::NeedsTrust) {
        auto observed = waiting->identity;
        s.with_action(va::ActionSpec("trust-host-key", "Trust SSH host key", operation(actions::TrustSshHostKey{id, observed}))
                          .with_description(fmt::format("Explicitly trust {} {} for this device only after out-of-band verification.",
                                                        observed.algorithm, observed.fingerprint))
                          .with_contract(host_key_contract())
                          .with_operation_type(va::OperationType::Background));
      } else {
        s.with_action(va::ActionSpec("forget-host-key", "Forget SSH host key", operation(actions::ForgetSshHostKey{id}))
                          .with_description("Remove this device's stale SSH host-key pin; reconnect to inspect a replacement key.")
                          .with_contract(host_key_contract())
                          .with_operation_type(va::OperationType::Background));
      }
    }
    root.with_child(std::move(s));
  }
  return root;
}

namespace {

// Decodes an operation and checks its declared contract; the error is the result text.
std::expected<RemoteOperation, std::string> checked(const va::EncodedAction& action) {
  auto op = actions::decode_operation(action.payload);
  if (!op) return std::unexpected(op.error());
  if (action.operation_type != actions::contract_kind(*op)) {
    return std::unexpected("remote operation kind does not match its declared contract");
  }
  return *op;
}

constexpr const char* kMissingProfile = "saved connection no longer exists";

}  // namespace

std::optional<std::string> RemoteApp::run_decoded(const RemoteOperation& op) {
  return std::visit(
      overloaded{
          [&](const actions::ShowConnections&) -> std::optional<std::string> {
            execute(cmd::OpenList{});
            return std::nullopt;
          },
          [&](const actions::NewConnectionForm&) -> std::optional<std::string> {
            execute(cmd::OpenNewForm{});
            return std::nullopt;
          },
          [&](const actions::EditConnection& o) -> std::optional<std::string> {
            if (!find_profile(o.connection_id)) return kMissingProfile;
            execute(cmd::OpenEditForm{o.connection_id});
            return std::nullopt;
          },
          [&](const actions::Connect& o) -> std::optional<std::string> {
            if (!find_profile(o.connection_id)) return kMissingProfile;
            execute(cmd::Connect{o.connection_id});
            return std::nullopt;
          },
          [&](const actions::Disconnect& o) -> std::optional<std::string> {
            if (!session_target.open || session_target.id != o.connection_id) return "that remote session is no longer active";
            execute(cmd::CloseSession{});
            return std::nullopt;
          },
          [&](const actions::SendText& o) -> std::optional<std::string> {
            if (!session_target.open || session_target.id != o.connection_id || !ssh_terminal_connected(o.connection_id)) {
              return "text input requires a connected SSH terminal";
            }
            return send_text(o.connection_id, o.text, false);
          },
          [&](const actions::TrustSshHostKey& o) -> std::optional<std::string> {
            if (!find_profile(o.connection_id)) return kMissingProfile;
            return trust_observed_key(o.connection_id, o.observed);
          },
          [&](const actions::ForgetSshHostKey& o) -> std::optional<std::string> {
            if (!find_profile(o.connection_id)) return kMissingProfile;
            return forget_changed_key(o.connection_id);
          },
      },
      op);
}

va::RunResult RemoteApp::run_operation(const va::EncodedAction& action) {
  if (action.kind != actions::kOperationKind || !action.operation_type) return va::run::NotMine{};
  auto op = checked(action);
  if (!op) return va::run::Error{op.error()};
  needs_repaint_ = true;
  if (auto error = run_decoded(*op)) return va::run::Error{*error};
  return va::run::Done{};
}

va::StartResult RemoteApp::start_operation(const va::EncodedAction& action, va::OperationHandle handle) {
  if (action.kind != actions::kOperationKind) return va::start::NotMine{};
  auto op = actions::decode_operation(action.payload);
  if (!op) return va::start::Error{op.error()};
  if (action.operation_type && *action.operation_type != actions::contract_kind(*op)) {
    return va::start::Error{"remote operation kind does not match its declared contract"};
  }
  if (pending_operation) return va::start::Error{"another remote operation is still running"};
  if (actions::contract_kind(*op) == va::OperationType::View) {
    return va::start::Error{"view operations do not start background work"};
  }
  needs_repaint_ = true;
  if (auto* c = std::get_if<actions::Connect>(&*op)) {
    const auto* p = find_profile(c->connection_id);
    if (!p) return va::start::Error{kMissingProfile};
    auto availability = profiles::availability_of(*p);
    if (availability != Availability::Ready) return va::start::Error{unavailable_message(*p, availability)};
    execute(cmd::Connect{c->connection_id});
    auto status = sessions.status();
    if (status && status->kind == vexa::sys::SessionStatus::Kind::Failed) return va::start::Error{status->text};
    pending_operation = PendingOperation{handle, c->connection_id, sessions.identity(), false};
    return va::start::Started{};
  }
  if (auto* s = std::get_if<actions::SendText>(&*op)) {
    if (!session_target.open || session_target.id != s->connection_id || !ssh_terminal_connected(s->connection_id)) {
      return va::start::Error{"text input requires a connected SSH terminal"};
    }
    if (auto error = send_text(s->connection_id, s->text, true)) return va::start::Error{*error};
    pending_operation = PendingOperation{handle, s->connection_id, sessions.identity(), true};
    return va::start::Started{};
  }
  if (auto error = run_decoded(*op)) return va::start::Error{*error};
  return va::start::DoneNow{};
}

va::PollResult RemoteApp::poll_operation(va::OperationHandle handle, bool cancel) {
  if (!pending_operation || pending_operation->handle != handle) return va::poll::Nothing{};
  PendingOperation pending = *pending_operation;
  auto finish = [&](va::PollResult result) {
    pending_operation.reset();
    needs_repaint_ = true;
    return result;
  };
  if (!pending.delivery) {
    if (cancel) {
      if (is_current(pending.id, pending.identity)) execute(cmd::CloseSession{});
      return finish(va::poll::Cancelled{"remote connection attempt cancelled"});
    }
    if (!is_current(pending.id, pending.identity)) {
      return finish(va::poll::Failed{"remote.session_replaced", "the connection attempt was superseded by a newer session"});
    }
    auto status = sessions.status();
    using K = vexa::sys::SessionStatus::Kind;
    if (!status || status->kind == K::Ended) {
      return finish(va::poll::Failed{"remote.connection_closed", "remote connection closed before it became ready"});
    }
    switch (status->kind) {
      case K::Connecting: return va::poll::Nothing{};
      case K::Connected: return finish(va::poll::Succeeded{});
      case K::Unavailable: return finish(va::poll::Failed{"remote.transport_unavailable", status->text});
      case K::Failed: return finish(va::poll::Failed{"remote.connect_failed", status->text});
      case K::Ended: break;
    }
    return finish(va::poll::Failed{"remote.connection_closed", "remote connection closed before it became ready"});
  }
  if (!is_current(pending.id, pending.identity)) {
    return finish(va::poll::Failed{"remote.session_replaced", "the SSH session ended before input delivery was acknowledged"});
  }
  auto outcome = poll_delivery_outcome();
  if (std::holds_alternative<va::poll::Nothing>(outcome)) return outcome;
  return finish(std::move(outcome));
}

}  // namespace app
