// How written source looks, as in the disassembly's own song files: values
// as "$" and two upper-case hex digits, operations behind a tab, macro
// names padded to 20 columns.
#ifndef QUORLIN_SMPS2ASM_SOURCE_STYLE_H_
#define QUORLIN_SMPS2ASM_SOURCE_STYLE_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace quorlin {

// "$0C": the low byte of `value`.
inline std::string HexByte(std::int64_t value) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  const auto byte = static_cast<unsigned>(value & 0xFF);
  return {'$', kDigits[byte >> 4], kDigits[byte & 0xF]};
}

// A tab, the macro padded to 20 columns, its operands.
inline std::string MacroLine(std::string_view macro, std::string_view operands = {}) {
  std::string line = "\t";
  line += macro;
  if (!operands.empty()) {
    line.resize(line.size() < 21 ? 21 : line.size() + 1, ' ');
    line += operands;
  }
  return line;
}

}  // namespace quorlin

#endif  // QUORLIN_SMPS2ASM_SOURCE_STYLE_H_
