#include <gtest/gtest.h>

#include "rfb/handshake.hpp"
#include "rfb/memory_transport.hpp"
#include "support/rfb_fake_server.hpp"

namespace rfb {
namespace {

using test::Bytes;
using Bytes_ = std::vector<std::uint8_t>;

struct Run {
  Result<ServerInit> result;
  Bytes_ written;
};

Run run_handshake(const Bytes_& input, const std::optional<std::string>& password = {}) {
  MemoryTransport transport(input, 5);  // small reads exercise the buffering
  Wire wire(transport);
  auto result = handshake(wire, password);
  return {std::move(result), transport.written()};
}

Bytes server_init(std::uint16_t w = 32, std::uint16_t h = 16) {
  Bytes b;
  b.u16(w).u16(h).fill(16, 7).u32(3).text("abc");
  return b;
}

std::array<std::uint8_t, 12> line(const char* text) {
  std::array<std::uint8_t, 12> out{};
  std::copy_n(text, 12, out.begin());
  return out;
}

TEST(RfbVersion, RepliesByTable) {
  struct Case {
    const char* server;
    const char* reply;
  } cases[] = {
      {"RFB 003.008\n", "RFB 003.008\n"}, {"RFB 003.007\n", "RFB 003.007\n"},
      {"RFB 003.005\n", "RFB 003.003\n"}, {"RFB 004.001\n", "RFB 003.008\n"},
      {"RFB 002.009\n", "RFB 003.003\n"}, {"RFB 003.255\n", "RFB 003.008\n"},
      {"RFB +3.8\n\n\n\n\n", "RFB 003.008\n"}, {"RFB 3.7 \t\r\n  ", "RFB 003.007\n"},
  };
  for (const auto& c : cases) {
    auto v = parse_protocol_version(line(c.server));
    ASSERT_TRUE(v) << c.server;
    auto reply = version_reply(reply_minor(*v));
    EXPECT_EQ(std::string(reply.begin(), reply.end()), c.reply) << c.server;
  }
}

TEST(RfbVersion, RejectsMalformedLines) {
  const char* cases[] = {"RFB 003.889\n", "RFX 003.008\n", "RFB 003.00\xff\n", "RFB 003008\n ",
                         "RFB 003.-08\n", "RFB  03.008\n", "RFB 003.\n   ", "RFB 3.8\n\0\0\0\0"};
  for (const char* c : cases) {
    auto v = parse_protocol_version(line(c));
    ASSERT_FALSE(v) << c;
    EXPECT_EQ(v.error(), (Error{ErrorKind::InvalidData, "bad ProtocolVersion"}));
  }
}

TEST(RfbSecurity, Version38PrefersNoneAndReadsSecurityResult) {
  auto run = run_handshake(Bytes().text("RFB 003.008\n").u8(2).u8(2).u8(1).u32(0).raw(server_init()));
  ASSERT_TRUE(run.result) << run.result.error().message;
  EXPECT_EQ(run.result->width, 32);
  EXPECT_EQ(run.result->height, 16);
  Bytes_ expected = Bytes()
                        .text("RFB 003.008\n")
                        .u8(1)   // chosen type
                        .u8(1)   // ClientInit, shared
                        .raw({0, 0, 0, 0, 32, 24, 0, 1, 0, 255, 0, 255, 0, 255, 16, 8, 0, 0, 0, 0})
                        .raw({2, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2});
  EXPECT_EQ(run.written, expected);
}

TEST(RfbSecurity, Version37NoneReadsNoSecurityResult) {
  auto run = run_handshake(Bytes().text("RFB 003.007\n").u8(1).u8(1).raw(server_init()));
  ASSERT_TRUE(run.result) << run.result.error().message;
  EXPECT_EQ(run.written[12], 1);
}

TEST(RfbSecurity, Version33TypeDecidedByLowByte) {
  // 0,0,1,2 is type 2: VNC Authentication, then a SecurityResult.
  Bytes challenge;
  challenge.fill(16, 0x5a);
  auto run = run_handshake(
      Bytes().text("RFB 003.005\n").u32(0x0102).raw(challenge).u32(0).raw(server_init()), "pw");
  ASSERT_TRUE(run.result) << run.result.error().message;
  auto response = vnc_auth_response("pw", std::span<const std::uint8_t, 16>(challenge.bytes().data(), 16));
  EXPECT_TRUE(std::equal(response.begin(), response.end(), run.written.begin() + 12));
  EXPECT_EQ(run.written[28], 1);  // ClientInit follows the response directly
}

TEST(RfbSecurity, FailuresCarryTheirTexts) {
  Bytes challenge;
  challenge.fill(16, 1);
  struct Case {
    const char* name;
    Bytes_ input;
    Error error;
  } cases[] = {
      {"3.3 refusal", Bytes().text("RFB 003.003\n").u32(0).u32(5).text("nope!"),
       {ErrorKind::Unsupported, "unhandled security type 0"}},
      {"3.3 unknown", Bytes().text("RFB 003.003\n").u32(0x105),
       {ErrorKind::Unsupported, "unhandled security type 5"}},
      {"no usable type", Bytes().text("RFB 003.008\n").u8(3).u8(5).u8(16).u8(19),
       {ErrorKind::Unsupported, "no supported VNC security type"}},
      {"refusal with reason", Bytes().text("RFB 003.008\n").u8(0).u32(7).text("go away"),
       {ErrorKind::PermissionDenied, "go away"}},
      {"refusal, reason lost", Bytes().text("RFB 003.008\n").u8(0).u32(0xffffffff).text("partial"),
       {ErrorKind::EndOfStream, "failed to fill whole buffer"}},
      {"refusal, bad UTF-8", Bytes().text("RFB 003.007\n").u8(0).u32(3).raw({'a', 0xff, 'b'}),
       {ErrorKind::PermissionDenied, "a\xef\xbf\xbd" "b"}},
      {"3.8 wrong password", Bytes().text("RFB 003.008\n").u8(1).u8(2).raw(challenge).u32(1).u32(6).text("bad pw"),
       {ErrorKind::PermissionDenied, "bad pw"}},
      {"3.3 wrong password", Bytes().text("RFB 003.003\n").u32(2).raw(challenge).u32(1),
       {ErrorKind::PermissionDenied, "authentication failed"}},
      {"3.8 None, failed result", Bytes().text("RFB 003.008\n").u8(1).u8(1).u32(1),
       {ErrorKind::PermissionDenied, "authentication failed"}},
      {"closed after version", Bytes().text("RFB 003.008\n"),
       {ErrorKind::EndOfStream, "failed to fill whole buffer"}},
  };
  for (const auto& c : cases) {
    auto run = run_handshake(c.input, "secret");
    ASSERT_FALSE(run.result) << c.name;
    EXPECT_EQ(run.result.error(), c.error) << c.name;
  }
}

TEST(RfbSecurity, LongReasonIsCutNotBuffered) {
  Bytes input;
  input.text("RFB 003.008\n").u8(0).u32(1'000'000).fill(1'000'000, 'x');
  auto run = run_handshake(input);
  ASSERT_FALSE(run.result);
  EXPECT_EQ(run.result.error().kind, ErrorKind::PermissionDenied);
  EXPECT_EQ(run.result.error().message, std::string(4096, 'x'));
}

TEST(RfbVncAuth, DesKnownVector) {
  // FIPS 46 example: key 13 34 57 79 9B BC DF F1 encrypts 0123456789ABCDEF to 85E813540F0AB405.
  // The password is that key with every byte's bits reversed.
  std::string password = "\xc8\x2c\xea\x9e\xd9\x3d\xfb\x8f";
  Bytes challenge;
  challenge.raw({0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef});
  challenge.raw({0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef});
  auto out = vnc_auth_response(password, std::span<const std::uint8_t, 16>(challenge.bytes().data(), 16));
  std::array<std::uint8_t, 16> expected = {0x85, 0xe8, 0x13, 0x54, 0x0f, 0x0a, 0xb4, 0x05,
                                           0x85, 0xe8, 0x13, 0x54, 0x0f, 0x0a, 0xb4, 0x05};
  EXPECT_EQ(out, expected);
}

TEST(RfbVncAuth, KeyIsFirstEightBytesZeroPadded) {
  std::array<std::uint8_t, 16> challenge;
  for (int i = 0; i < 16; ++i) challenge[i] = static_cast<std::uint8_t>(i * 17);
  EXPECT_EQ(vnc_auth_response("abcdefghijkl", challenge), vnc_auth_response("abcdefgh", challenge));
  EXPECT_NE(vnc_auth_response("abcdefgX", challenge), vnc_auth_response("abcdefgh", challenge));
  EXPECT_EQ(vnc_auth_response(std::nullopt, challenge),
            vnc_auth_response(std::string(8, '\0'), challenge));
  EXPECT_EQ(vnc_auth_response("ab", challenge), vnc_auth_response(std::string("ab\0\0", 4), challenge));
  // The halves are independent blocks: equal halves give equal ciphertexts.
  std::array<std::uint8_t, 16> same{};
  auto r = vnc_auth_response("k", same);
  EXPECT_TRUE(std::equal(r.begin(), r.begin() + 8, r.begin() + 8));
}

TEST(RfbServerInit, LimitsAtAndPastTheirBounds) {
  auto prefix = [] { return Bytes().text("RFB 003.008\n").u8(1).u8(1).u32(0); };
  const Error name_error{ErrorKind::InvalidData, "RFB server name exceeds the 16 KiB limit"};
  const Error size_error{ErrorKind::InvalidData,
                         "RFB framebuffer dimensions exceed the 16 megapixel limit"};
  struct Case {
    std::uint16_t w, h;
    std::uint32_t name;
    std::optional<Error> error;
  } cases[] = {
      {10, 10, 16384, std::nullopt}, {10, 10, 16385, name_error},  {4096, 4096, 0, std::nullopt},
      {65535, 256, 0, std::nullopt}, {4097, 4096, 0, size_error}, {0, 600, 0, size_error},
      {800, 0, 0, size_error},       {5000, 4000, 0, size_error},
  };
  for (const auto& c : cases) {
    Bytes input = prefix();
    input.u16(c.w).u16(c.h).fill(16, 0).u32(c.name);
    // The rejected name is never sent: it must fail on the length alone.
    if (!c.error) input.fill(c.name, 'n');
    auto run = run_handshake(input);
    if (c.error) {
      ASSERT_FALSE(run.result) << c.w << "x" << c.h << " name " << c.name;
      EXPECT_EQ(run.result.error(), *c.error);
    } else {
      ASSERT_TRUE(run.result) << c.w << "x" << c.h << ": " << run.result.error().message;
      EXPECT_EQ(run.written.size(), 12u + 1 + 1 + 20 + 16);
    }
  }
}

}  // namespace
}  // namespace rfb
