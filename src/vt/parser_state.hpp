#pragma once
#include <cstdint>

namespace vt {

// The states of the DEC/ECMA-48 parser diagram.
enum class ParserState : std::uint8_t {
  Ground,
  Escape,
  EscapeIntermediate,
  CsiEntry,
  CsiParam,
  CsiIntermediate,
  CsiIgnore,
  DcsEntry,
  DcsParam,
  DcsIntermediate,
  DcsPassthrough,
  DcsIgnore,
  OscString,
  SosPmApcString,
};

}  // namespace vt
