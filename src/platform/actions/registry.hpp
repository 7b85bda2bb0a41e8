#pragma once
// The application's handler: one function per action kind, each applying a payload to the
// document. It is filled once at start and read on the UI thread only.
#include <expected>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/actions/context.hpp"
#include "platform/actions/encoded_action.hpp"

namespace vexa_actions {

// Something a handler wants the caller to see besides the document change.
struct ActionOutput {
  std::string kind;
  Json value;
  bool operator==(const ActionOutput&) const = default;
};

template <class Doc>
class ActionRegistry {
 public:
  // Applies the payload; an error text is reported as "handler_failed". Changes made to the
  // document before a failure stay: the document has no rollback.
  using Handler = std::function<std::expected<void, std::string>(
      Doc&, const Json& payload, const ActionContext&, std::vector<ActionOutput>&)>;

  // Registering a kind again replaces its handler.
  void register_kind(std::string kind, Handler handler) {
    handlers_.insert_or_assign(std::move(kind), std::move(handler));
  }

  const Handler* find(std::string_view kind) const {
    auto it = handlers_.find(kind);
    return it == handlers_.end() ? nullptr : &it->second;
  }

  bool handles(std::string_view kind) const { return find(kind) != nullptr; }

 private:
  std::map<std::string, Handler, std::less<>> handlers_;
};

}  // namespace vexa_actions
