#include "smps2asm/expression.h"

#include <cctype>
#include <string>

#include "format/track_error.h"
#include "smps2asm/source_lines.h"

namespace quorlin {
namespace {

// ASCII letters, whatever the locale.
bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

struct BinaryOperator {
  std::string_view text;
  int rank;  // 3 binds tightest, 14 loosest
};

// Longer spellings first, so that "<<" is not read as "<".
constexpr BinaryOperator kOperators[] = {
    {"<<", 3},  {">>", 3},  {"><", 4},  {"&&", 11}, {"||", 12}, {"!!", 13}, {"==", 14}, {"<>", 14},
    {"!=", 14}, {"<=", 14}, {">=", 14}, {"&", 5},   {"|", 6},   {"!", 7},   {"^", 8},   {"*", 9},
    {"/", 9},   {"#", 9},   {"+", 10},  {"-", 10},  {"=", 14},  {"<", 14},  {">", 14},
};

constexpr std::int64_t kLimit = std::int64_t{1} << 48;

class Parser {
 public:
  Parser(std::string_view text, const SymbolLookup& lookup, std::int64_t address)
      : text_(text), lookup_(lookup), address_(address) {}

  std::int64_t Run() {
    const std::int64_t value = Expression();
    SkipBlanks();
    if (at_ != text_.size()) Fail("unexpected '" + Excerpt(text_.substr(at_)) + "'");
    return value;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw TrackError(ErrorKind::kSource, what + " in the expression '" + Excerpt(text_) + "'");
  }

  void SkipBlanks() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
  }

  // A whole expression, or one in parentheses: a leading '-' is "0 -".
  std::int64_t Expression() {
    SkipBlanks();
    std::int64_t left = 0;
    if (at_ >= text_.size() || text_[at_] != '-') left = Operand();
    return Binary(left, 14);
  }

  std::optional<BinaryOperator> PeekOperator() {
    SkipBlanks();
    for (const BinaryOperator& op : kOperators) {
      if (text_.substr(at_).starts_with(op.text)) return op;
    }
    return std::nullopt;
  }

  // Operators of rank up to `loosest` applied to `left`, tighter ones first.
  std::int64_t Binary(std::int64_t left, int loosest) {
    while (const auto op = PeekOperator()) {
      if (op->rank > loosest) break;
      at_ += op->text.size();
      std::int64_t right = Operand();
      while (const auto next = PeekOperator()) {
        if (next->rank >= op->rank) break;
        right = Binary(right, next->rank);
      }
      left = Apply(op->text, left, right);
    }
    return left;
  }

  std::int64_t Operand() {
    // Parentheses and unary operators nest; a bound keeps the stack small.
    struct Depth {
      int& depth;
      explicit Depth(int& d) : depth(d) { ++depth; }
      ~Depth() { --depth; }
    } depth(depth_);
    if (depth_ > kMaxDepth) Fail("parentheses or unary operators nested too deep");
    SkipBlanks();
    if (at_ >= text_.size()) Fail("a value is missing");
    const char c = text_[at_];
    if (text_.substr(at_).starts_with("~~")) {
      at_ += 2;
      return Operand() == 0 ? 1 : 0;
    }
    if (c == '~') {
      ++at_;
      return ~Operand();
    }
    if (c == '(') {
      ++at_;
      const std::int64_t value = Expression();
      SkipBlanks();
      if (at_ >= text_.size() || text_[at_] != ')') Fail("a ')' is missing");
      ++at_;
      return value;
    }
    if (c == '*') {
      ++at_;
      return address_;
    }
    if (c == '-') Fail("a '-' right after an operator (write it in parentheses)");
    if (c == '\'') return Character();
    if (c == '$' || c == '%' || c == '@' || std::isdigit(static_cast<unsigned char>(c))) {
      return Number();
    }
    if (IsNameStart(c)) return Symbol();
    Fail("unexpected '" + Excerpt(text_.substr(at_)) + "'");
  }

  std::int64_t Number() {
    const std::size_t start = at_;
    ++at_;
    while (at_ < text_.size() && IsNameChar(text_[at_])) ++at_;
    const auto value = ParseNumber(text_.substr(start, at_ - start));
    if (!value) Fail("bad number " + Excerpt(text_.substr(start, at_ - start)));
    return *value;
  }

  std::int64_t Character() {
    if (at_ + 2 >= text_.size() || text_[at_ + 2] != '\'') Fail("bad character constant");
    const std::int64_t value = static_cast<unsigned char>(text_[at_ + 1]);
    at_ += 3;
    return value;
  }

  std::int64_t Symbol() {
    const std::size_t start = at_;
    while (at_ < text_.size() && IsNameChar(text_[at_])) ++at_;
    if (at_ < text_.size() && text_[at_] == '.') {
      Fail("local labels such as " + Excerpt(text_.substr(start)) + " are not supported");
    }
    const std::string_view name = text_.substr(start, at_ - start);
    const auto value = lookup_(name);
    if (!value) throw TrackError(ErrorKind::kSource, "unknown symbol " + Excerpt(name));
    return *value;
  }

  std::int64_t Apply(std::string_view op, std::int64_t a, std::int64_t b) const {
    if (op == "<<") return b < 0 ? 0 : Power2Times(a, b);
    if (op == ">>") return b >= 63 || b < 0 ? (a < 0 ? -1 : 0) : a >> b;
    if (op == "><") return Mirror(a, b);
    if (op == "&") return a & b;
    if (op == "|") return a | b;
    if (op == "!") return a ^ b;
    if (op == "^") return Power(a, b);
    if (op == "*") return Multiply(a, b);
    if (op == "/" || op == "#") {
      if (b == 0) Fail("division by zero");
      return op == "/" ? a / b : a % b;
    }
    std::int64_t result = 0;
    if (op == "+") {
      const bool overflowed = __builtin_add_overflow(a, b, &result);
      return Limited(overflowed, result);
    }
    if (op == "-") {
      const bool overflowed = __builtin_sub_overflow(a, b, &result);
      return Limited(overflowed, result);
    }
    if (op == "&&") return a != 0 && b != 0;
    if (op == "||") return a != 0 || b != 0;
    if (op == "!!") return (a != 0) != (b != 0);
    if (op == "=" || op == "==") return a == b;
    if (op == "<>" || op == "!=") return a != b;
    if (op == "<") return a < b;
    if (op == "<=") return a <= b;
    if (op == ">") return a > b;
    return a >= b;
  }

  // The lowest `bits` bits of `value` in reverse order.
  std::int64_t Mirror(std::int64_t value, std::int64_t bits) const {
    if (bits < 0 || bits > 32) Fail("a bit mirror of " + std::to_string(bits) + " bits");
    std::int64_t mirrored = 0;
    for (int i = 0; i < bits; ++i) mirrored |= ((value >> i) & 1) << (bits - 1 - i);
    return mirrored;
  }

  std::int64_t Power(std::int64_t base, std::int64_t exponent) const {
    if (exponent < 0) return 0;
    if (exponent == 0) return 1;
    if (base == 0 || base == 1) return base;
    if (base == -1) return exponent % 2 == 0 ? 1 : -1;
    // |base| >= 2: the value outgrows the limit within 48 factors.
    std::int64_t result = 1;
    for (std::int64_t i = 0; i < exponent; ++i) result = Multiply(result, base);
    return result;
  }

  std::int64_t Power2Times(std::int64_t value, std::int64_t shift) const {
    if (value == 0) return 0;
    if (shift >= 48) Fail("a value too large");
    return Multiply(value, std::int64_t{1} << shift);
  }

  std::int64_t Multiply(std::int64_t a, std::int64_t b) const {
    std::int64_t result = 0;
    const bool overflowed = __builtin_mul_overflow(a, b, &result);
    return Limited(overflowed, result);
  }

  // Values stay far inside 64 bits: anything larger is refused.
  std::int64_t Limited(bool overflowed, std::int64_t value) const {
    if (overflowed || value >= kLimit || value <= -kLimit) Fail("a value too large");
    return value;
  }

  static constexpr int kMaxDepth = 200;

  std::string_view text_;
  const SymbolLookup& lookup_;
  std::int64_t address_;
  std::size_t at_ = 0;
  int depth_ = 0;
};

}  // namespace

std::int64_t Evaluate(std::string_view text, const SymbolLookup& lookup,
                      std::int64_t current_address) {
  return Parser(text, lookup, current_address).Run();
}

std::optional<std::int64_t> ParseNumber(std::string_view text) {
  if (text.empty()) return std::nullopt;
  int base = 10;
  if (text[0] == '$') base = 16;
  if (text[0] == '%') base = 2;
  if (text[0] == '@') base = 8;
  if (base != 10) text.remove_prefix(1);
  if (text.empty() || text.size() > 16) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    const int digit = DigitValue(c);
    if (digit >= base) return std::nullopt;
    value = value * base + digit;
    // Checked at each digit: 16 hex digits would overflow 64 bits.
    if (value >= kLimit) return std::nullopt;
  }
  return value;
}

bool IsName(std::string_view text) {
  if (text.empty() || !IsNameStart(text[0])) return false;
  for (char c : text) {
    if (!IsNameChar(c)) return false;
  }
  return true;
}

}  // namespace quorlin
