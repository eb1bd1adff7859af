#include "smps2asm/source_lines.h"

#include <algorithm>
#include <cstdio>

#include "format/track_error.h"

namespace quorlin {
namespace {

constexpr std::size_t kExcerptLength = 40;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The text up to a ';' that stands outside quotes.
std::string_view WithoutComment(std::string_view text) {
  char quote = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      return text.substr(0, i);
    }
  }
  return text;
}

// The leading word of `text` up to a blank (or a ':' when `stop_at_colon`).
std::string_view Word(std::string_view text, bool stop_at_colon) {
  std::size_t end = 0;
  while (end < text.size() && !IsBlank(text[end]) && !(stop_at_colon && text[end] == ':')) ++end;
  return text.substr(0, end);
}

[[noreturn]] void FailAt(int line, const std::string& what) {
  throw TrackError(ErrorKind::kSource, "line " + std::to_string(line) + ": " + what,
                   {"", {}, line});
}

// True when the first bytes alternate between NUL and other bytes, as ASCII
// text does saved as UTF-16 without a byte-order mark. A binary file, whose
// NUL bytes fall anywhere, is not taken for it.
bool LooksLikeUtf16(std::string_view source) {
  constexpr std::size_t kLooked = 16;
  const std::size_t looked = std::min(source.size(), kLooked) & ~std::size_t{1};
  if (looked == 0) return false;
  const bool high_first = source[0] == '\0';  // big-endian
  for (std::size_t i = 0; i < looked; ++i) {
    if ((source[i] == '\0') != (high_first == (i % 2 == 0))) return false;
  }
  return true;
}

// Text that no build reads as lines, told by its first bytes.
void CheckEncoding(std::string_view source) {
  constexpr std::string_view kPlainText = "song files are plain ASCII text: save it as such";
  if (source.starts_with("\xFF\xFE") || source.starts_with("\xFE\xFF")) {
    throw TrackError(ErrorKind::kSource,
                     "the file is UTF-16 text (it starts with the byte-order mark " +
                         Excerpt(source.substr(0, 2)) + "); " + std::string(kPlainText));
  }
  if (LooksLikeUtf16(source)) {
    throw TrackError(
        ErrorKind::kSource,
        "the file looks like UTF-16 text (every other byte is \\x00); " + std::string(kPlainText));
  }
  if (source.starts_with("\xEF\xBB\xBF")) {
    FailAt(1, "the file starts with a UTF-8 byte-order mark (\\xEF\\xBB\\xBF); " +
                  std::string(kPlainText) + ", without the mark");
  }
  if (source.find('\n') == std::string_view::npos && source.find('\r') != std::string_view::npos) {
    throw TrackError(
        ErrorKind::kSource,
        "the lines end in CR alone (as on old Mac OS), but the build reads lines that end in LF "
        "or CR LF: save the file with those line ends");
  }
}

// A line the build would not read as one line of a song file.
void CheckLine(std::string_view text, int line) {
  if (text.size() > kLongestLine) {
    FailAt(line, "the line is " + std::to_string(text.size()) + " characters long, more than the " +
                     std::to_string(kLongestLine) + " a line of a song file may have");
  }
  if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
    FailAt(line, "a NUL byte (\\x00) in column " + std::to_string(nul + 1) +
                     ": the file is not plain text");
  }
  if (const std::size_t cr = text.find('\r'); cr != std::string_view::npos) {
    FailAt(line,
           "a CR (\\x0D) alone in column " + std::to_string(cr + 1) + ": lines end in LF or CR LF");
  }
}

}  // namespace

Statement ParseStatement(std::string_view text, int line) {
  Statement statement;
  statement.line = line;
  text = WithoutComment(text);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (!text.empty() && !IsBlank(text[0])) {
    statement.label = Word(text, /*stop_at_colon=*/true);
    text.remove_prefix(statement.label.size());
    statement.label_in_column_one = text.empty() || text[0] != ':';
    if (!statement.label_in_column_one) text.remove_prefix(1);
  }
  text = Trim(text);
  if (text.starts_with(":=")) {
    statement.operation = text.substr(0, 2);
  } else if (text.starts_with("=")) {
    statement.operation = text.substr(0, 1);
  } else {
    statement.operation = Word(text, /*stop_at_colon=*/false);
    // An indented label needs its colon.
    if (statement.label.empty() && statement.operation.size() > 1 &&
        statement.operation.back() == ':') {
      statement.label = statement.operation.substr(0, statement.operation.size() - 1);
      text = Trim(text.substr(statement.operation.size()));
      statement.operation = Word(text, /*stop_at_colon=*/false);
    }
  }
  statement.operands = Trim(text.substr(statement.operation.size()));
  return statement;
}

SourceStatements::SourceStatements(std::string_view source) : source_(source) {
  CheckEncoding(source);
  if (source.size() > UINT32_MAX) {
    throw TrackError(ErrorKind::kSizeLimit, "the source is larger than 4 GiB");
  }
  int line = 0;
  while (!source.empty()) {
    const std::size_t end = source.find('\n');
    std::string_view text = source.substr(0, end);
    source.remove_prefix(end == std::string_view::npos ? source.size() : end + 1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    CheckLine(text, ++line);
    const Statement statement = ParseStatement(text, line);
    if (statement.label.empty() && statement.operation.empty()) continue;
    const auto place = [&text](std::string_view part) {
      return static_cast<std::uint16_t>(part.empty() ? 0 : part.data() - text.data());
    };
    packed_.push_back(
        {static_cast<std::uint32_t>(line), static_cast<std::uint32_t>(text.data() - source_.data()),
         place(statement.label), static_cast<std::uint16_t>(statement.label.size()),
         place(statement.operation), static_cast<std::uint16_t>(statement.operation.size()),
         place(statement.operands), static_cast<std::uint16_t>(statement.operands.size()),
         statement.label_in_column_one});
  }
}

Statement SourceStatements::operator[](std::size_t index) const {
  const Packed& packed = packed_[index];
  const std::string_view text = source_.substr(packed.at);
  Statement statement;
  statement.line = static_cast<int>(packed.line);
  statement.label = text.substr(packed.label_at, packed.label_size);
  statement.label_in_column_one = packed.label_in_column_one;
  statement.operation = text.substr(packed.operation_at, packed.operation_size);
  statement.operands = text.substr(packed.operands_at, packed.operands_size);
  return statement;
}

std::vector<std::string_view> SplitOperands(std::string_view operands) {
  std::vector<std::string_view> result;
  SplitOperands(operands, result);
  return result;
}

void SplitOperands(std::string_view operands, std::vector<std::string_view>& result) {
  result.clear();
  if (Trim(operands).empty()) return;
  int depth = 0;
  char quote = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= operands.size(); ++i) {
    const char c = i < operands.size() ? operands[i] : ',';
    if (quote != 0) {
      if (c == quote && i < operands.size()) quote = 0;
      if (i < operands.size()) continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      --depth;
    } else if (c == ',' && (depth <= 0 || i == operands.size())) {
      result.push_back(Trim(operands.substr(start, i - start)));
      start = i + 1;
    }
  }
}

std::string Excerpt(std::string_view text) {
  std::string excerpt;
  for (const char c : text.substr(0, kExcerptLength)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      excerpt += escaped;
    } else {
      excerpt += c;
    }
  }
  if (text.size() > kExcerptLength) excerpt += "...";
  return excerpt;
}

}  // namespace quorlin
