// The texts the console report is made of: its numbers, the names it shows,
// and the line that opens a track or a folder.
#ifndef QUORLIN_FRONTEND_REPORT_TEXT_H_
#define QUORLIN_FRONTEND_REPORT_TEXT_H_

#include <ostream>
#include <string>
#include <string_view>

namespace quorlin {

// A number of the report: upper-case hexadecimal without leading zeros.
std::string Hex(int value);

// A file name or path as the console shows it: its control characters (the
// ASCII ones, U+0080-U+009F, and bytes 80-9F outside a UTF-8 character,
// which 8-bit consoles read as controls) written as \x1B, so that a name
// holding a line break or an escape sequence can neither break nor colour
// the report.
std::string Printable(std::string_view name);

// An empty line and " -> NAME", the first lines of a track or a folder.
void PrintNameLine(const std::string& name, std::ostream& console);

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_REPORT_TEXT_H_
