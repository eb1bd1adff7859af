#include "compact/write_program.h"

#include <algorithm>
#include <limits>

#include "format/format.h"

namespace quorlin {
namespace {

constexpr std::size_t kUnplayed = std::numeric_limits<std::size_t>::max();

class ProgramWriter {
 public:
  ProgramWriter(const Driver& driver, const Grammar& grammar)
      : driver_(driver),
        grammar_(grammar),
        counter_base_(grammar.subroutines.size(), -1),
        depth_(grammar.subroutines.size(), 0),
        starts_(grammar.subroutines.size(), kUnplayed) {}

  std::optional<std::vector<std::uint8_t>> Run(std::span<const std::uint8_t> closing) {
    if (!AssignCounters()) return std::nullopt;
    Write(0, 0);
    if (closing[0] == flag::kJump) {
      out_.push_back(flag::kJump);
      Pointer(0);
    } else {
      out_.push_back(closing[0]);
    }
    for (const std::size_t sub : order_) {
      starts_[sub] = out_.size();
      Write(grammar_.subroutines[sub], counter_base_[sub]);
      out_.push_back(flag::kReturn);
    }
    for (const auto& [at, sub] : calls_) {
      if (!Patch(at, starts_[sub])) return std::nullopt;
    }
    for (const auto& [at, target] : pointers_) {
      if (!Patch(at, target)) return std::nullopt;
    }
    return std::move(out_);
  }

 private:
  // The lowest counter each subroutine's loops may take: above every
  // counter in use where it is called. Subroutines are looked at after all
  // that call them, by the most calls above them.
  bool AssignCounters() {
    FindDepths(0, 0);
    Visit(0, 0);
    std::vector<std::pair<int, std::size_t>> by_depth;
    for (std::size_t sub = 0; sub < depth_.size(); ++sub) {
      if (depth_[sub] > 0) by_depth.push_back({depth_[sub], sub});
    }
    std::sort(by_depth.begin(), by_depth.end());
    for (const auto& [depth, sub] : by_depth) {
      order_.push_back(sub);
      Visit(grammar_.subroutines[sub], counter_base_[sub]);
    }
    return highest_counter_ < driver_.track_memory.written_loop_counters;
  }

  void FindDepths(std::size_t sequence, int depth) {
    for (const Symbol symbol : grammar_.sequences[sequence]) {
      if (KindOf(symbol) == SymbolKind::kLoop) {
        FindDepths(grammar_.loops[IndexOf(symbol)].body, depth);
      } else if (KindOf(symbol) == SymbolKind::kCall && depth_[IndexOf(symbol)] < depth + 1) {
        depth_[IndexOf(symbol)] = depth + 1;
        FindDepths(grammar_.subroutines[IndexOf(symbol)], depth + 1);
      }
    }
  }

  // `next_counter` is the counter a loop here takes.
  void Visit(std::size_t sequence, int next_counter) {
    for (const Symbol symbol : grammar_.sequences[sequence]) {
      if (KindOf(symbol) == SymbolKind::kLoop) {
        highest_counter_ = std::max(highest_counter_, next_counter);
        Visit(grammar_.loops[IndexOf(symbol)].body, next_counter + 1);
      } else if (KindOf(symbol) == SymbolKind::kCall) {
        int& base = counter_base_[IndexOf(symbol)];
        base = std::max(base, next_counter);
      }
    }
  }

  void Write(std::size_t sequence, int next_counter) {
    for (const Symbol symbol : grammar_.sequences[sequence]) {
      switch (KindOf(symbol)) {
        case SymbolKind::kEvent: {
          const auto bytes = grammar_.EventBytes(IndexOf(symbol));
          out_.insert(out_.end(), bytes.begin(), bytes.end());
          break;
        }
        case SymbolKind::kLoop: {
          const Grammar::Loop& loop = grammar_.loops[IndexOf(symbol)];
          const std::size_t body = out_.size();
          Write(loop.body, next_counter + 1);
          out_.insert(out_.end(), {flag::kLoop, static_cast<std::uint8_t>(next_counter),
                                   static_cast<std::uint8_t>(loop.count & 0xFF)});
          Pointer(body);
          break;
        }
        case SymbolKind::kCall:
          out_.push_back(flag::kCall);
          calls_.push_back({out_.size(), IndexOf(symbol)});
          out_.resize(out_.size() + PointerForm::kBytes);
          break;
      }
    }
  }

  void Pointer(std::size_t target) {
    pointers_.push_back({out_.size(), target});
    out_.resize(out_.size() + PointerForm::kBytes);
  }

  // Writes the pointer at `at`, once its target is known; false when it
  // does not reach that far.
  bool Patch(std::size_t at, std::size_t target) {
    return driver_.data_pointers.Write(out_, at, static_cast<std::int64_t>(target));
  }

  const Driver& driver_;
  const Grammar& grammar_;
  std::vector<int> counter_base_;  // per subroutine; -1 while never called
  std::vector<int> depth_;         // per subroutine: the most calls above it; 0: never called
  std::vector<std::size_t> order_;
  int highest_counter_ = -1;
  std::vector<std::uint8_t> out_;
  std::vector<std::size_t> starts_;
  std::vector<std::pair<std::size_t, std::size_t>> calls_;     // pointer, subroutine
  std::vector<std::pair<std::size_t, std::size_t>> pointers_;  // pointer, target
};

}  // namespace

std::optional<std::vector<std::uint8_t>> WriteProgram(const Driver& driver, const Grammar& grammar,
                                                      std::span<const std::uint8_t> closing) {
  return ProgramWriter(driver, grammar).Run(closing);
}

}  // namespace quorlin
