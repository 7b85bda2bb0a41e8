// A saved document that is cut short, damaged or from a newer format fails with a message that
// says which, and never crashes or loads half a document.
#include "doc/profiles.hpp"
#include "platform/doc/document.hpp"

#include <gtest/gtest.h>
#include <openssl/sha.h>
#include <zlib.h>

#include <random>

using namespace vexa::doc;

namespace {

std::string saved_sample() {
  Document d;
  for (int i = 0; i < 20; ++i) fixture::upsert(d, fixture::sample_profile(i));
  return d.save();
}

// Replaces the trailing checksum so that only the part under test is wrong.
std::string with_checksum(std::string file) {
  file.resize(file.size() - 32);
  unsigned char sum[32];
  SHA256(reinterpret_cast<const unsigned char*>(file.data()), file.size(), sum);
  file.append(reinterpret_cast<const char*>(sum), 32);
  return file;
}

std::uint64_t read_varint(std::string_view s, std::size_t& at) {
  std::uint64_t v = 0;
  for (int shift = 0;; shift += 7) {
    auto b = static_cast<unsigned char>(s[at++]);
    v |= std::uint64_t(b & 0x7f) << shift;
    if (!(b & 0x80)) return v;
  }
}

void write_varint(std::string& out, std::uint64_t v) {
  for (; v >= 0x80; v >>= 7) out.push_back(static_cast<char>((v & 0x7f) | 0x80));
  out.push_back(static_cast<char>(v));
}

// The body of a saved file, inflated.
std::string body_of(const std::string& file) {
  std::size_t at = 8;
  read_varint(file, at);
  bool deflated = file[at++] == 1;
  std::uint64_t size = read_varint(file, at);
  std::uint64_t payload = read_varint(file, at);
  if (!deflated) return file.substr(at, payload);
  std::string body(size, '\0');
  uLongf out = size;
  uncompress(reinterpret_cast<Bytef*>(body.data()), &out,
             reinterpret_cast<const Bytef*>(file.data() + at), payload);
  return body;
}

// A signed file whose frame claims `body_size` for `payload`.
std::string frame(char compression, std::uint64_t body_size, const std::string& payload) {
  std::string file("VEXADOC\0", 8);
  file += '\1';
  file += compression;
  write_varint(file, body_size);
  write_varint(file, payload.size());
  file += payload;
  return with_checksum(file + std::string(32, '\0'));
}

// A file holding `body` uncompressed, signed.
std::string raw_file(const std::string& body) { return frame('\0', body.size(), body); }

std::string load_message(std::string_view bytes) {
  auto loaded = Document::load(bytes);
  return loaded ? "<loaded>" : loaded.error().message;
}

}  // namespace

TEST(Load, RoundTripKeepsStateHeadsAndBytes) {
  std::string file = saved_sample();
  auto loaded = Document::load(file);
  ASSERT_TRUE(loaded) << loaded.error().message;
  Document original = std::move(*Document::load(file));
  EXPECT_EQ(loaded->save(), file);
  EXPECT_EQ(loaded->heads(), original.heads());
  EXPECT_EQ(fixture::load_all(*loaded).size(), 20u);
  EXPECT_NE(loaded->actor_id(), original.actor_id());  // every load is a replica of its own
}

TEST(Load, BadFilesSayWhy) {
  std::string file = saved_sample();
  std::string future = file;
  future[8] = 2;  // the format version follows the magic
  struct Case {
    std::string bytes;
    std::string message;
  };
  const Case cases[] = {
      {"", "the document file is truncated"},
      {file.substr(0, 5), "the document file is truncated"},
      {file.substr(0, 20), "the document file is truncated"},
      {file.substr(0, file.size() - 1), "the document file is truncated"},
      {"{\"connections\": {}}", "the file is not a saved document"},
      {file + "x", "the document file is corrupted (trailing bytes)"},
      {with_checksum(future),
       "the document file was written by a newer version (format 2); this version reads format 1"},
  };
  for (const Case& c : cases) EXPECT_EQ(load_message(c.bytes), c.message);
}

TEST(Load, HostileLengthsAreRefusedBeforeAllocating) {
  const std::string tiny = "x";
  EXPECT_EQ(load_message(frame('\1', std::uint64_t{1} << 40, tiny)),
            "the document file is corrupted (implausible length)");
  EXPECT_EQ(load_message(frame('\1', 5000, tiny)),
            "the document file is corrupted (implausible length)");
  EXPECT_EQ(load_message(frame('\1', 100, tiny)), "the document file is corrupted (bad compressed data)");
  // Counts far beyond what the body could hold: a billion actors in a 7-byte body.
  std::string body;
  write_varint(body, 1000000000);
  EXPECT_EQ(load_message(raw_file(body)), "the document file is corrupted (truncated body)");
}

TEST(Load, EveryFlippedByteIsCaught) {
  std::string file = saved_sample();
  for (std::size_t i = 0; i < file.size(); ++i) {
    std::string bad = file;
    bad[i] = static_cast<char>(bad[i] ^ 0x20);
    auto message = load_message(bad);
    EXPECT_NE(message, "<loaded>") << "byte " << i;
  }
}

TEST(Load, DamagedBodiesWithValidChecksumsFailCleanly) {
  // The checksum only catches accidents; a body written to be wrong must still be refused or
  // loaded without harm. Change bytes of the uncompressed body and sign it again.
  Document d;
  for (int i = 0; i < 3; ++i) fixture::upsert(d, fixture::sample_profile(i));
  fixture::rename(d, fixture::sample_profile(1).id, "Renamed");
  std::string body = body_of(d.save());
  ASSERT_TRUE(Document::load(raw_file(body)));
  std::mt19937 rng(7);
  int refused = 0;
  for (int round = 0; round < 5000; ++round) {
    std::string bad = body;
    for (int n = 1 + rng() % 3; n > 0; --n) bad[rng() % bad.size()] = static_cast<char>(rng());
    if (round % 7 == 0) bad.resize(rng() % bad.size());
    auto result = Document::load(raw_file(bad));
    if (!result) {
      ++refused;
      EXPECT_EQ(result.error().message.rfind("the document file", 0), 0u);
      continue;
    }
    // Whatever loads must still be usable.
    fixture::load_all(*result);
    result->save();
  }
  EXPECT_GT(refused, 0);
}
