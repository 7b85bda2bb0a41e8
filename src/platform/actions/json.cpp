#include "platform/actions/json.hpp"

#include <fmt/format.h>

#include <unordered_set>
#include <utility>
#include <vector>

namespace vexa_actions {
namespace {

// Builds the value bottom-up and keeps one key set per open object for the duplicate check
// (ordered objects are searched linearly, which a hostile object with many keys would exploit).
class StrictBuilder {
 public:
  bool null() { return put(Json(nullptr)); }
  bool boolean(bool v) { return put(Json(v)); }
  bool number_integer(Json::number_integer_t v) { return put(Json(v)); }
  bool number_unsigned(Json::number_unsigned_t v) { return put(Json(v)); }
  bool number_float(Json::number_float_t v, const std::string&) { return put(Json(v)); }
  bool string(std::string& v) { return put(Json(std::move(v))); }
  bool binary(Json::binary_t& v) { return put(Json::binary(std::move(v))); }

  bool start_object(std::size_t) { return open(Json::object()); }
  bool start_array(std::size_t) { return open(Json::array()); }
  bool end_object() { return close(); }
  bool end_array() { return close(); }

  bool key(std::string& k) {
    if (!frames_.back().keys.insert(k).second) {
      error_ = fmt::format("duplicate field `{}`", k);
      return false;
    }
    frames_.back().key = std::move(k);
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& ex) {
    if (error_.empty()) error_ = ex.what();
    return false;
  }

  Json take() { return std::move(root_); }
  const std::string& error() const { return error_; }

 private:
  struct Frame {
    Json value;
    std::string key;
    std::unordered_set<std::string> keys;
  };

  bool open(Json container) {
    if (frames_.size() >= kMaxJsonDepth) {
      error_ = "recursion limit exceeded";
      return false;
    }
    frames_.push_back(Frame{std::move(container), {}, {}});
    return true;
  }

  bool close() {
    Json done = std::move(frames_.back().value);
    frames_.pop_back();
    return put(std::move(done));
  }

  bool put(Json v) {
    if (frames_.empty()) {
      root_ = std::move(v);
      return true;
    }
    Frame& top = frames_.back();
    if (top.value.is_array()) {
      top.value.push_back(std::move(v));
    } else {
      top.value.emplace(std::move(top.key), std::move(v));
    }
    return true;
  }

  std::vector<Frame> frames_;
  Json root_;
  std::string error_;
};

}  // namespace

std::expected<Json, std::string> parse_json(std::string_view text) {
  StrictBuilder builder;
  bool ok = false;
  try {
    ok = Json::sax_parse(text.begin(), text.end(), &builder);
  } catch (const std::exception& ex) {
    return std::unexpected(std::string(ex.what()));
  }
  if (!ok) return std::unexpected(builder.error().empty() ? "invalid JSON" : builder.error());
  return builder.take();
}

std::string dump_json(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace vexa_actions
