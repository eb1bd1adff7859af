#include "smps2asm/source_lines.h"

namespace quorlin {
namespace {

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

}  // namespace

Statement ParseStatement(std::string_view text, int line) {
  Statement statement;
  statement.line = line;
  text = WithoutComment(text);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (!text.empty() && !IsBlank(text[0])) {
    statement.label = Word(text, /*stop_at_colon=*/true);
    text.remove_prefix(statement.label.size());
    if (!text.empty() && text[0] == ':') text.remove_prefix(1);
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

}  // namespace quorlin
