#pragma once
// Framing of typed actions: the document heads before and after each successful dispatch are
// recorded, so the suite can tell what one action changed and undo or inspect exactly that.
// All state is per thread; typed actions run on the UI thread.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/actions/context.hpp"
#include "platform/actions/encoded_action.hpp"

namespace vexa_ui::bound_dispatch {

// A document's heads as text (change hashes in hex), in the document's own order.
using Heads = std::vector<std::string>;

struct TypedActionRecord {
  std::uint64_t serial = 0;
  vexa_actions::EncodedAction action;
  vexa_actions::ActionContext context;
  Heads before;
  Heads after;
  bool changed() const { return before != after; }
  vexa_actions::Json to_json() const;
};

// Receives every reported typed action while it is bound.
class Observer {
 public:
  virtual ~Observer() = default;
  virtual void typed_action(const TypedActionRecord& record) = 0;
};

// Binds an observer on this thread for its lifetime; the previous one comes back afterwards.
class Binding {
 public:
  explicit Binding(Observer& observer);
  ~Binding();
  Binding(const Binding&) = delete;
  Binding& operator=(const Binding&) = delete;

 private:
  Observer* previous_;
};

// An open frame. Only one is open per thread; dropping it closes it, reported or not.
class Frame {
 public:
  Frame(Frame&& other) noexcept;
  Frame& operator=(Frame&&) = delete;
  ~Frame();
  const Heads& before() const { return before_; }

 private:
  friend std::optional<Frame> typed_action_before(const vexa_actions::EncodedAction&,
                                                  const std::function<Heads()>&);
  explicit Frame(Heads before) : before_(std::move(before)) {}
  Heads before_;
  bool owns_ = true;
};

// Opens a frame, reading the heads through read_heads, when an observer is bound and no frame is
// open yet (a dispatch nested in another's handler belongs to the outer frame). Otherwise no
// frame opens and the caller records the heads itself.
std::optional<Frame> typed_action_before(const vexa_actions::EncodedAction& action,
                                         const std::function<Heads()>& read_heads);

// Records one successful typed action with its heads and tells the bound observer, if any.
void report_typed_action(const vexa_actions::EncodedAction& action,
                         const vexa_actions::ActionContext& context, Heads before, Heads after);

// The most recent records on this thread, oldest first (at most kJournalSize).
inline constexpr std::size_t kJournalSize = 64;
const std::deque<TypedActionRecord>& recent_typed_actions();

}  // namespace vexa_ui::bound_dispatch
