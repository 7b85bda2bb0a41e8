#include "platform/actions/context.hpp"

#include <vector>

namespace vexa_actions {
namespace context {
namespace {

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_lower(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }
bool is_separator(char c) { return c == '_' || c == '-' || c == '.' || c == ' '; }
char to_lower(char c) { return is_upper(c) ? static_cast<char>(c - 'A' + 'a') : c; }
char to_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// A word starts at an upper-case letter after a lower-case one, or at the last capital of an
// acronym that runs into a lower-case word ("HTTPProxy" -> "HTTP", "Proxy").
bool starts_word(std::string_view s, std::size_t i) {
  if (i == 0 || !is_upper(s[i])) return false;
  if (is_lower(s[i - 1])) return true;
  return is_upper(s[i - 1]) && i + 1 < s.size() && is_lower(s[i + 1]) && !(s[i + 1] >= '0' && s[i + 1] <= '9');
}

std::vector<std::string> split_words(std::string_view s) {
  std::vector<std::string> words;
  std::string current;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (is_separator(s[i]) || starts_word(s, i)) {
      if (!current.empty()) words.push_back(std::move(current));
      current.clear();
      if (is_separator(s[i])) continue;
    }
    current.push_back(s[i]);
  }
  if (!current.empty()) words.push_back(std::move(current));
  return words;
}

bool is_acronym(const std::string& word) {
  bool any_upper = false;
  for (char c : word) {
    if (c >= 'a' && c <= 'z') return false;
    any_upper = any_upper || is_upper(c);
  }
  return any_upper && word.size() > 1;
}

}  // namespace

std::string humanize_identifier(std::string_view identifier) {
  std::string out;
  for (auto& word : split_words(identifier)) {
    if (!is_acronym(word)) {
      for (char& c : word) c = to_lower(c);
    }
    if (out.empty()) {
      word[0] = to_upper(word[0]);
    } else {
      out.push_back(' ');
    }
    out += word;
  }
  return out;
}

std::string summarize(const Json& payload) {
  std::string name;
  if (payload.is_string()) {
    name = payload.get<std::string>();
  } else if (payload.is_object() && payload.size() == 1) {
    name = payload.begin().key();
  }
  std::string human = humanize_identifier(name);
  return human.empty() ? "Update" : human;
}

}  // namespace context

ActionContext ActionContext::enriched_by(const EncodedAction& action) const {
  ActionContext out = *this;
  out.summary = context::summarize(action.payload);
  return out;
}

Json ActionContext::to_json() const {
  return Json{{"source", source}, {"display_name", display_name}, {"summary", summary}};
}

}  // namespace vexa_actions
