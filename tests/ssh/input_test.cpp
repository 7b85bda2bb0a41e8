// Input delivery against a queue the test holds the worker's end of.
#include "ssh/input.hpp"

#include <gtest/gtest.h>

#include "ssh/session.hpp"

namespace {

using Kind = ssh::DeliveryState::Kind;

struct FakeWorker {
  ssh::SshSession session;
  vexa::sys::Receiver<ssh::SshInput> queue;
  FakeWorker() {
    auto channel = vexa::sys::bounded<ssh::SshInput>(ssh::kInputQueueCapacity);
    session.input = std::move(channel.sender);
    queue = std::move(channel.receiver);
    session.wake = std::make_shared<ssh::Wakeup>();
  }
};

std::vector<std::uint8_t> bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

std::string text_of(const ssh::SshInput& message) {
  return {message.bytes.begin(), message.bytes.end()};
}

TEST(SshInput, SizeLimits) {
  FakeWorker worker;
  const std::string too_big = "SSH input exceeds the 64 KiB per-operation limit";
  EXPECT_EQ(ssh::send_ssh_input(worker.session, {}).error(), "SSH input cannot be empty");
  EXPECT_EQ(ssh::send_ssh_input_tracked(worker.session, {}).error(), "SSH input cannot be empty");
  EXPECT_TRUE(ssh::send_ssh_input(worker.session, std::vector<std::uint8_t>(65536, 'x')));
  EXPECT_EQ(ssh::send_ssh_input(worker.session, std::vector<std::uint8_t>(65537, 'x')).error(),
            too_big);
  // Bytes, not characters: 32768 two-byte characters fit, one more does not.
  std::string accents;
  for (int i = 0; i < 32768; ++i) accents += "\xc3\xa9";
  EXPECT_TRUE(ssh::send_ssh_input(worker.session, bytes(accents)));
  EXPECT_EQ(ssh::send_ssh_input_tracked(worker.session, bytes(accents + "\xc3\xa9")).error(),
            too_big);
  EXPECT_EQ(worker.queue.len(), 2u);
  EXPECT_EQ(worker.queue.try_recv()->bytes.size(), 65536u);
  EXPECT_EQ(text_of(*worker.queue.try_recv()), accents);
}

TEST(SshInput, QueueOrderBusyAndClosed) {
  FakeWorker worker;
  for (int i = 0; i < 256; ++i) {
    const bool sent =
        i % 2 ? ssh::send_ssh_input(worker.session, bytes(std::to_string(i))).has_value()
              : ssh::send_ssh_input_tracked(worker.session, bytes(std::to_string(i))).has_value();
    ASSERT_TRUE(sent) << i;
  }
  EXPECT_EQ(ssh::send_ssh_input(worker.session, bytes("x")).error(),
            "SSH input is busy; wait for the remote session to catch up");
  EXPECT_EQ(ssh::send_ssh_input_tracked(worker.session, bytes("x")).error(),
            "SSH input is busy; wait for the remote session to catch up");
  for (int i = 0; i < 256; ++i) EXPECT_EQ(text_of(*worker.queue.try_recv()), std::to_string(i));
  EXPECT_FALSE(worker.queue.try_recv());

  worker.queue.close();
  EXPECT_EQ(ssh::send_ssh_input(worker.session, bytes("x")).error(),
            "SSH session input channel is closed");
  EXPECT_EQ(ssh::send_ssh_input_tracked(worker.session, bytes("x")).error(),
            "SSH session input channel is closed");
}

TEST(SshInput, TicketStates) {
  FakeWorker worker;
  auto acknowledged = *ssh::send_ssh_input_tracked(worker.session, bytes("a"));
  auto failed = *ssh::send_ssh_input_tracked(worker.session, bytes("b"));
  auto lost = *ssh::send_ssh_input_tracked(worker.session, bytes("c"));
  EXPECT_EQ(ssh::poll_delivery(acknowledged).kind, Kind::Waiting);

  auto first = worker.queue.try_recv();
  first->acknowledgement.send({});
  auto second = worker.queue.try_recv();
  second->acknowledgement.send(std::unexpected(std::string("Socket error: broken pipe")));
  worker.queue.try_recv();  // the third message is dropped without an answer

  EXPECT_EQ(ssh::poll_delivery(acknowledged), (ssh::DeliveryState{Kind::Acknowledged, ""}));
  EXPECT_EQ(ssh::poll_delivery(failed),
            (ssh::DeliveryState{Kind::DeliveryFailed, "Socket error: broken pipe"}));
  EXPECT_EQ(ssh::poll_delivery(lost).kind, Kind::WorkerLost);
  // An answer once read stays the answer.
  EXPECT_EQ(ssh::poll_delivery(acknowledged).kind, Kind::Acknowledged);
  EXPECT_EQ(ssh::poll_delivery(failed).kind, Kind::DeliveryFailed);
}

}  // namespace
