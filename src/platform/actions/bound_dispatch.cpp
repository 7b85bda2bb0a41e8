#include "platform/actions/bound_dispatch.hpp"

namespace vexa_ui::bound_dispatch {
namespace {

struct ThreadState {
  Observer* observer = nullptr;
  bool frame_open = false;
  std::uint64_t next_serial = 1;
  std::deque<TypedActionRecord> journal;
};

ThreadState& state() {
  thread_local ThreadState s;
  return s;
}

}  // namespace

vexa_actions::Json TypedActionRecord::to_json() const {
  return vexa_actions::Json{{"serial", serial},   {"action", action.to_json()},
                            {"context", context.to_json()}, {"before", before},
                            {"after", after},     {"changed", changed()}};
}

Binding::Binding(Observer& observer) : previous_(state().observer) { state().observer = &observer; }
Binding::~Binding() { state().observer = previous_; }

Frame::Frame(Frame&& other) noexcept : before_(std::move(other.before_)), owns_(other.owns_) {
  other.owns_ = false;
}

Frame::~Frame() {
  if (owns_) state().frame_open = false;
}

std::optional<Frame> typed_action_before(const vexa_actions::EncodedAction&,
                                         const std::function<Heads()>& read_heads) {
  ThreadState& s = state();
  if (!s.observer || s.frame_open) return std::nullopt;
  Heads before = read_heads();
  s.frame_open = true;
  return Frame(std::move(before));
}

void report_typed_action(const vexa_actions::EncodedAction& action,
                         const vexa_actions::ActionContext& context, Heads before, Heads after) {
  ThreadState& s = state();
  if (s.journal.size() == kJournalSize) s.journal.pop_front();
  s.journal.push_back(TypedActionRecord{s.next_serial++, action, context, std::move(before), std::move(after)});
  if (s.observer) s.observer->typed_action(s.journal.back());
}

const std::deque<TypedActionRecord>& recent_typed_actions() { return state().journal; }

}  // namespace vexa_ui::bound_dispatch
