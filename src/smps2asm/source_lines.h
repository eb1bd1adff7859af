// The lines of an SMPS2ASM source file, each split into its label, its
// operation and its operands, as the assembler reads them:
//
//   [label[:]] [operation [operand, operand...]] [; comment]
//
// A name in column 1 is a label (its colon is optional there); elsewhere a
// label needs its colon. Commas inside parentheses or quotes do not separate
// operands.
#ifndef QUORLIN_SMPS2ASM_SOURCE_LINES_H_
#define QUORLIN_SMPS2ASM_SOURCE_LINES_H_

#include <string_view>
#include <vector>

namespace quorlin {

struct Statement {
  int line = 0;  // counted from 1
  std::string_view label;
  std::string_view operation;
  std::string_view operands;  // the text after the operation, without the comment
};

// The statement of one line (without its line break).
Statement ParseStatement(std::string_view text, int line);

// Calls `each(statement)` for every line of `source` (LF or CR LF endings).
template <typename Each>
void ForEachStatement(std::string_view source, Each each) {
  int line = 0;
  while (!source.empty()) {
    const std::size_t end = source.find('\n');
    std::string_view text = source.substr(0, end);
    source.remove_prefix(end == std::string_view::npos ? source.size() : end + 1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    each(ParseStatement(text, ++line));
  }
}

// The operands of a statement, each without blanks around it. An empty
// operand list gives no operands; "a, , b" gives an empty second one.
std::vector<std::string_view> SplitOperands(std::string_view operands);
// The same into `result`, whose room serves statement after statement.
void SplitOperands(std::string_view operands, std::vector<std::string_view>& result);

}  // namespace quorlin

#endif  // QUORLIN_SMPS2ASM_SOURCE_LINES_H_
