// Document loader under hostile input. The first byte picks the mode: even, the input is a whole
// file; odd, the rest is a body wrapped in a valid frame, so the checksum does not keep the
// fuzzer out of the body parser. Whatever loads must read, merge, save and load again.
#include "platform/doc/document.hpp"

#include <openssl/sha.h>

#include <string>

using namespace vexa::doc;

namespace {

void varint(std::string& out, std::uint64_t v) {
  for (; v >= 0x80; v >>= 7) out.push_back(static_cast<char>((v & 0x7f) | 0x80));
  out.push_back(static_cast<char>(v));
}

std::string framed(std::string_view body) {
  std::string file("VEXADOC\0\1\0", 10);
  varint(file, body.size());
  varint(file, body.size());
  file.append(body);
  unsigned char sum[32];
  SHA256(reinterpret_cast<const unsigned char*>(file.data()), file.size(), sum);
  file.append(reinterpret_cast<const char*>(sum), 32);
  return file;
}

void read_everything(const Document& d, ObjId obj, int depth) {
  if (depth > 8) return;
  (void)d.text(obj);
  for (const std::string& key : d.keys(obj)) {
    for (const Value& v : d.get_all(obj, key)) {
      if (auto* ref = std::get_if<ObjectRef>(&v)) read_everything(d, ref->id, depth + 1);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string file = (data[0] & 1) ? framed(rest) : std::string(rest);
  auto loaded = Document::load(file);
  if (!loaded) return 0;
  read_everything(*loaded, ObjId::root(), 0);
  Document other;
  auto conns = other.put_object(ObjId::root(), "connections", ObjType::Map);
  auto name = other.put_object(*conns, "x", ObjType::Text);
  (void)other.splice_text(*name, 0, 0, "abc");
  loaded->merge(other);
  (void)loaded->put(ObjId::root(), "k", true);
  std::string saved = loaded->save();
  if (!Document::load(saved)) __builtin_trap();  // what we save must always load
  return 0;
}
