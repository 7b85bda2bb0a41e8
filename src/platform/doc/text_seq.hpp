#pragma once
// Text as a replicated growable array: each character remembers the character it was inserted
// after (its origin). A new character goes right after its origin, past any characters there
// with a greater op id; because a character's id is always greater than its origin's, every
// replica that integrates the same characters in causal order gets the same sequence.
#include "platform/doc/state.hpp"

#include <string>

namespace vexa::doc::detail {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

std::size_t find_elem(const Object& text, OpId id);
// Inserts `elem` where the rule above puts it; returns its index.
std::size_t integrate(const State& state, Object& text, const Elem& elem);
// Index of the element holding visible character `pos`, or elems.size() when pos == visible.
std::size_t visible_to_index(const Object& text, std::size_t pos);
std::string read_text(const Object& text);

}  // namespace vexa::doc::detail
