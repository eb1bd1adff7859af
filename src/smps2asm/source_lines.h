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

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorlin {

// The longest line read: eight times the longest line the build is known to
// take (a dc.b of 400 values, about 2,000 characters), and over a hundred
// times the longest line of a real song file. Longer lines hold no song.
inline constexpr std::size_t kLongestLine = 16384;

struct Statement {
  int line = 0;  // counted from 1
  std::string_view label;
  bool label_in_column_one = false;  // written there without its colon
  std::string_view operation;
  std::string_view operands;  // the text after the operation, without the comment
};

// The statement of one line (without its line break).
Statement ParseStatement(std::string_view text, int line);

// The statements of a source, each line that holds a label or an operation,
// kept in a few bytes each as places in the source (which must outlive it).
class SourceStatements {
 public:
  // Throws TrackError, naming the line, for text that the build does not
  // read as the lines of a song file (LF or CR LF line ends): UTF-16 text, a
  // byte-order mark, CR-only line ends, a NUL byte, a line longer than
  // kLongestLine.
  explicit SourceStatements(std::string_view source);

  std::size_t size() const { return packed_.size(); }
  Statement operator[](std::size_t index) const;

 private:
  struct Packed {
    std::uint32_t line;
    std::uint32_t at;  // of the line in the source
    // Places in the line, which is at most kLongestLine long.
    std::uint16_t label_at, label_size, operation_at, operation_size, operands_at, operands_size;
    bool label_in_column_one;
  };

  std::string_view source_;
  std::vector<Packed> packed_;
};

// The operands of a statement, each without blanks around it. An empty
// operand list gives no operands; "a, , b" gives an empty second one.
std::vector<std::string_view> SplitOperands(std::string_view operands);
// The same into `result`, whose room serves statement after statement.
void SplitOperands(std::string_view operands, std::vector<std::string_view>& result);

// A piece of source text as an error line quotes it: its first 40
// characters, then "..." if there are more; control characters and bytes
// beyond ASCII written as \xNN, so that the line stays one readable line.
std::string Excerpt(std::string_view text);

}  // namespace quorlin

#endif  // QUORLIN_SMPS2ASM_SOURCE_LINES_H_
