// Expressions of the assembler language that SMPS2ASM song files are
// written in (Motorola number syntax, the operator ranks of that assembler):
//
//   numbers   $1F (hex), %1010 (binary), @17 (octal), 31 (decimal), 'A'
//   operands  names, numbers, * (the address of the statement), ( ... )
//   unary     ~ (bitwise not), ~~ (logical not); a leading - means 0 -
//   binary, tightest first, equal ranks grouping from the left:
//     << >>   ><   &   |   ! (xor)   ^ (power)   * / # (remainder)   + -
//     &&   ||   !! (logical xor)   = == <> != < <= > >=
#ifndef QUORLIN_SMPS2ASM_EXPRESSION_H_
#define QUORLIN_SMPS2ASM_EXPRESSION_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace quorlin {

// The value of a name, or nothing for a name that is not defined.
using SymbolLookup = std::function<std::optional<std::int64_t>(std::string_view name)>;

// Evaluates `text`. Throws TrackError saying what is wrong (without the line,
// which the caller adds) for a malformed expression, an undefined name, or a
// division by zero.
std::int64_t Evaluate(std::string_view text, const SymbolLookup& lookup,
                      std::int64_t current_address);

// A number literal alone ("$1F", "%101", "@7", "12"), or nothing.
std::optional<std::int64_t> ParseNumber(std::string_view text);

// True for a name the assembler accepts: a letter or '_' first, then
// letters, digits and '_' (names with '.' are the assembler's local labels,
// which song files never use).
bool IsName(std::string_view text);

}  // namespace quorlin

#endif  // QUORLIN_SMPS2ASM_EXPRESSION_H_
