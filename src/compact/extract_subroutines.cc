#include "compact/extract_subroutines.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "compact/flat_index.h"

namespace quorlin {
namespace {

// Passes over the channel: each makes the subroutines of blocks that repeat,
// and the next finds the blocks that repeat with calls in them.
constexpr int kMostPasses = 2;
// The earlier places of the same two symbols that a place is compared with.
constexpr int kChainTries = 16;

// Where each sequence plays and what it calls: `level` is the most calls
// that stand between the main line and it (0 for the main line and the
// loops in it), `height` the most calls it makes in a row below itself.
struct Shape {
  std::vector<int> level;          // -1: not played
  std::vector<int> height;         // per sequence
  std::vector<std::size_t> plays;  // how often its bytes stand in the channel's data
};

class ShapeReader {
 public:
  explicit ShapeReader(const Grammar& grammar) : grammar_(grammar) {
    const std::size_t n = grammar.sequences.size();
    shape_.level.assign(n, -1);
    shape_.height.assign(n, -1);
    shape_.plays.assign(n, 0);
  }

  Shape Read() && {
    Visit(0, 0);
    for (std::size_t s = 0; s < grammar_.sequences.size(); ++s) {
      if (shape_.level[s] >= 0) Height(s);
    }
    CountPlays();
    return std::move(shape_);
  }

 private:
  void Visit(std::size_t sequence, int level) {
    if (shape_.level[sequence] >= level) return;
    shape_.level[sequence] = level;
    for (const Symbol symbol : grammar_.sequences[sequence]) {
      if (KindOf(symbol) == SymbolKind::kLoop) Visit(grammar_.loops[IndexOf(symbol)].body, level);
      if (KindOf(symbol) == SymbolKind::kCall) {
        Visit(grammar_.subroutines[IndexOf(symbol)], level + 1);
      }
    }
  }

  int Height(std::size_t sequence) {
    if (shape_.height[sequence] >= 0) return shape_.height[sequence];
    int height = 0;
    for (const Symbol symbol : grammar_.sequences[sequence]) {
      if (KindOf(symbol) == SymbolKind::kLoop) {
        height = std::max(height, Height(grammar_.loops[IndexOf(symbol)].body));
      } else if (KindOf(symbol) == SymbolKind::kCall) {
        height = std::max(height, 1 + Height(grammar_.subroutines[IndexOf(symbol)]));
      }
    }
    return shape_.height[sequence] = height;
  }

  // The main line and each subroutine body stand once; a loop body as often
  // as its loop stands. A loop's body holds only loops made before it, so
  // the loops are counted from the last one made back to the first.
  void CountPlays() {
    std::vector<std::size_t> loop_places(grammar_.loops.size(), 0);
    const auto count_in = [&](std::size_t sequence, std::size_t times) {
      for (const Symbol symbol : grammar_.sequences[sequence]) {
        if (KindOf(symbol) == SymbolKind::kLoop) loop_places[IndexOf(symbol)] += times;
      }
    };
    count_in(0, 1);
    shape_.plays[0] = 1;
    for (const std::size_t body : grammar_.subroutines) {
      if (shape_.level[body] < 0) continue;
      count_in(body, 1);
      shape_.plays[body] = 1;
    }
    for (std::size_t l = grammar_.loops.size(); l-- > 0;) {
      const std::size_t body = grammar_.loops[l].body;
      if (shape_.level[body] < 0 || loop_places[l] == 0) continue;
      shape_.plays[body] += loop_places[l];
      count_in(body, loop_places[l]);
    }
  }

  const Grammar& grammar_;
  Shape shape_;
};

}  // namespace

struct SubroutineExtractor::Work {
 public:
  explicit Work(int call_depth) : call_depth_(call_depth) {}

  bool Run(Grammar& grammar) {
    grammar_ = &grammar;
    bool found = false;
    for (int pass = 0; pass < kMostPasses; ++pass) {
      if (!Pass()) break;
      found = true;
    }
    if (!found) return true;
    // Inlining takes calls away, never adds any: the calls nest as deep as
    // before it at most. Inlining a subroutine that calls may leave another
    // called once.
    Shape shape = ShapeReader(*grammar_).Read();
    if (!CallsNestWithinLimits(shape)) return false;
    while (InlineSubroutinesCalledOnce(shape)) shape = ShapeReader(*grammar_).Read();
    return true;
  }

 private:
  // One subroutine: its body's run of the text, and where it is called.
  struct Subroutine {
    std::size_t start, length;
    std::size_t index;  // in the grammar's subroutines
  };
  // A block that may become a call here.
  struct Match {
    std::size_t length = 0;
    long long savings = 0;
    std::size_t source = 0;                 // the earlier place, for a new subroutine
    std::optional<std::size_t> subroutine;  // or one made earlier in this pass
  };

  // Reads the text from the first symbol on; at each place, the longest
  // earlier block that is free and the same becomes a subroutine that both
  // call, when that saves bytes; or the place calls a subroutine made
  // earlier in this pass whose body it repeats.
  bool Pass() {
    shape_ = ShapeReader(*grammar_).Read();
    loop_costs_ = grammar_->LoopCosts();
    BuildText();
    const std::size_t n = text_.size();
    claimed_.assign(n, 0);
    made_at_.assign(n, kNone);
    calls_.clear();
    made_.clear();
    LinkEqualPairs();
    bool found = false;
    for (std::size_t at = 0; at + 1 < n;) {
      const Match match = BestMatch(at);
      if (match.savings <= 0) {
        ++at;
        continue;
      }
      Take(at, match);
      at += match.length;
      found = true;
    }
    if (found) Apply();
    return found;
  }

  static constexpr std::size_t kNone = FlatIndex::kNone;

  // The played sequences back to back, each closed by a separator of its
  // own, so that no block runs from one into the next.
  void BuildText() {
    text_.clear();
    places_.clear();
    cost_before_.assign(1, 0);
    for (std::size_t s = 0; s < grammar_->sequences.size(); ++s) {
      if (shape_.level[s] < 0) continue;
      for (std::size_t i = 0; i < grammar_->sequences[s].size(); ++i) {
        const Symbol symbol = grammar_->sequences[s][i];
        text_.push_back(symbol);
        places_.push_back({s, i});
        cost_before_.push_back(cost_before_.back() + grammar_->SymbolCost(symbol, loop_costs_));
      }
      text_.push_back(-1 - static_cast<Symbol>(s));
      places_.push_back({s, grammar_->sequences[s].size()});
      cost_before_.push_back(cost_before_.back());
    }
  }

  static std::uint64_t PairKey(Symbol a, Symbol b) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32 |
           static_cast<std::uint32_t>(b);
  }

  std::uint64_t KeyAt(std::size_t at) const { return PairKey(text_[at], text_[at + 1]); }

  // For each place, the place before it where the same two symbols stand.
  void LinkEqualPairs() {
    const std::size_t n = text_.size();
    previous_.assign(n, kNone);
    FlatIndex& latest = latest_;
    latest.Reset(n);
    for (std::size_t at = 0; at + 1 < n; ++at) {
      if (text_[at] >= 0 && text_[at + 1] >= 0) previous_[at] = latest.Exchange(KeyAt(at), at);
    }
  }

  std::size_t CostOf(std::size_t at, std::size_t length) const {
    return cost_before_[at + length] - cost_before_[at];
  }

  // The symbols from `at` that equal those from `earlier`, ending before
  // `at` and before anything already taken.
  std::size_t CommonLength(std::size_t earlier, std::size_t at) const {
    std::size_t length = 0;
    while (earlier + length < at && at + length < text_.size() && text_[at + length] >= 0 &&
           !claimed_[earlier + length] && text_[earlier + length] == text_[at + length]) {
      ++length;
    }
    return length;
  }

  // The most calls a block makes in a row below itself.
  int HeightOf(std::size_t at, std::size_t length) const {
    int height = 0;
    for (std::size_t i = at; i < at + length; ++i) {
      height = std::max(height, SymbolHeight(text_[i]));
    }
    return height;
  }

  int SymbolHeight(Symbol symbol) const {
    if (KindOf(symbol) == SymbolKind::kLoop) {
      return SequenceHeight(grammar_->loops[IndexOf(symbol)].body);
    }
    if (KindOf(symbol) == SymbolKind::kCall) {
      return 1 + SequenceHeight(grammar_->subroutines[IndexOf(symbol)]);
    }
    return 0;
  }

  int SequenceHeight(std::size_t sequence) const {
    int height = 0;
    for (const Symbol symbol : grammar_->sequences[sequence]) {
      height = std::max(height, SymbolHeight(symbol));
    }
    return height;
  }

  int LevelAt(std::size_t at) const { return shape_.level[places_[at].first]; }

  // Of the earlier places where the same two symbols stand: a subroutine
  // made earlier in this pass whose whole body stands here too, or the free
  // block that repeats longest here, which both places would call.
  Match BestMatch(std::size_t at) const {
    Match best;
    int tries = 0, steps = 0;
    for (std::size_t earlier = previous_[at];
         earlier != kNone && tries < kChainTries && steps < 4 * kChainTries;
         earlier = previous_[earlier], ++steps) {
      if (made_at_[earlier] != kNone) {
        const std::size_t m = made_at_[earlier];
        const Subroutine& sub = made_[m].sub;
        if (at + sub.length <= text_.size() &&
            std::equal(text_.begin() + sub.start, text_.begin() + sub.start + sub.length,
                       text_.begin() + at)) {
          const long long savings = static_cast<long long>(CostOf(at, sub.length)) -
                                    static_cast<long long>(grammar_->costs.call);
          if (savings > best.savings && CanCall(at, made_[m].level, made_[m].height)) {
            best = {sub.length, savings, 0, m};
          }
        }
        continue;
      }
      if (claimed_[earlier]) continue;
      ++tries;
      const std::size_t length = CommonLength(earlier, at);
      if (length < 2) continue;
      const long long savings =
          static_cast<long long>(CostOf(at, length)) -
          static_cast<long long>(2 * grammar_->costs.call + grammar_->costs.ret);
      if (savings <= best.savings) continue;
      const int height = HeightOf(at, length);
      const int level = 1 + std::max(LevelAt(earlier), LevelAt(at));
      if (level + height > call_depth_) continue;
      best = {length, savings, earlier, std::nullopt};
    }
    return best;
  }

  // Whether the place `at` may call a subroutine that plays at `level` and
  // calls `height` deep below itself.
  bool CanCall(std::size_t at, int level, int height) const {
    return std::max(level, 1 + LevelAt(at)) + height <= call_depth_;
  }

  void Take(std::size_t at, const Match& match) {
    std::size_t m = 0;
    if (match.subroutine) {
      m = *match.subroutine;
      if (1 + LevelAt(at) > made_[m].level) {
        made_[m].level = 1 + LevelAt(at);
        RaiseLevels(made_[m].sub.start, made_[m].sub.length, made_[m].level);
      }
    } else {
      m = made_.size();
      const int level = 1 + std::max(LevelAt(match.source), LevelAt(at));
      made_.push_back({{match.source, match.length, 0}, level, HeightOf(at, match.length)});
      Claim(match.source, match.length, m);
      made_at_[match.source] = m;
      RaiseLevels(match.source, match.length, level);
    }
    Claim(at, match.length, m);
  }

  // The loops and calls inside a new subroutine now play one call deeper.
  void RaiseLevels(std::size_t at, std::size_t length, int level) {
    for (std::size_t i = at; i < at + length; ++i) {
      const Symbol symbol = text_[i];
      if (KindOf(symbol) == SymbolKind::kLoop) {
        Raise(grammar_->loops[IndexOf(symbol)].body, level);
      } else if (KindOf(symbol) == SymbolKind::kCall) {
        Raise(grammar_->subroutines[IndexOf(symbol)], level + 1);
      }
    }
  }

  void Raise(std::size_t sequence, int level) {
    if (shape_.level[sequence] >= level) return;
    shape_.level[sequence] = level;
    for (const Symbol symbol : grammar_->sequences[sequence]) {
      if (KindOf(symbol) == SymbolKind::kLoop) Raise(grammar_->loops[IndexOf(symbol)].body, level);
      if (KindOf(symbol) == SymbolKind::kCall) {
        Raise(grammar_->subroutines[IndexOf(symbol)], level + 1);
      }
    }
  }

  void Claim(std::size_t at, std::size_t length, std::size_t made) {
    std::fill(claimed_.begin() + at, claimed_.begin() + at + length, 1);
    calls_.push_back({at, length, made});
  }

  // Writes the pass into the grammar: each subroutine's body, and a call in
  // the place of every block it stands for.
  void Apply() {
    std::vector<std::size_t> index(made_.size());
    for (std::size_t m = 0; m < made_.size(); ++m) {
      const Subroutine& sub = made_[m].sub;
      grammar_->sequences.emplace_back(text_.begin() + sub.start,
                                       text_.begin() + sub.start + sub.length);
      grammar_->subroutines.push_back(grammar_->sequences.size() - 1);
      index[m] = grammar_->subroutines.size() - 1;
    }
    std::sort(calls_.begin(), calls_.end(),
              [](const Subroutine& a, const Subroutine& b) { return a.start < b.start; });
    std::size_t next = 0;
    for (std::size_t s = 0; s < shape_.level.size(); ++s) {
      if (shape_.level[s] < 0) continue;
      // The calls in this sequence come next, in order.
      const std::vector<Symbol>& old = grammar_->sequences[s];
      std::vector<Symbol> now;
      std::size_t copied = 0;
      while (next < calls_.size() && places_[calls_[next].start].first == s) {
        const Subroutine& call = calls_[next++];
        const std::size_t offset = places_[call.start].second;
        now.insert(now.end(), old.begin() + copied, old.begin() + offset);
        now.push_back(MakeSymbol(SymbolKind::kCall, index[call.index]));
        copied = offset + call.length;
      }
      if (copied == 0) continue;
      now.insert(now.end(), old.begin() + copied, old.end());
      grammar_->sequences[s] = std::move(now);
    }
  }

  bool CallsNestWithinLimits(const Shape& shape) const {
    for (std::size_t s = 0; s < grammar_->sequences.size(); ++s) {
      if (shape.level[s] >= 0 && shape.level[s] + shape.height[s] > call_depth_) return false;
    }
    return true;
  }

  // A subroutine whose call stands once in the channel's data costs its F8
  // and E3 for nothing: its body takes the call's place.
  bool InlineSubroutinesCalledOnce(const Shape& shape) {
    std::vector<std::size_t> calls(grammar_->subroutines.size(), 0);
    for (std::size_t s = 0; s < grammar_->sequences.size(); ++s) {
      if (shape.level[s] < 0) continue;
      for (const Symbol symbol : grammar_->sequences[s]) {
        if (KindOf(symbol) == SymbolKind::kCall) calls[IndexOf(symbol)] += shape.plays[s];
      }
    }
    bool inlined_calls = false;
    for (std::size_t s = 0; s < grammar_->sequences.size(); ++s) {
      if (shape.level[s] < 0 || shape.height[s] == 0) continue;
      std::vector<Symbol> now;
      bool changed = false;
      for (const Symbol symbol : grammar_->sequences[s]) {
        if (KindOf(symbol) == SymbolKind::kCall && calls[IndexOf(symbol)] == 1) {
          const std::size_t body = grammar_->subroutines[IndexOf(symbol)];
          now.insert(now.end(), grammar_->sequences[body].begin(), grammar_->sequences[body].end());
          inlined_calls |= shape.height[body] > 0;
          changed = true;
        } else {
          now.push_back(symbol);
        }
      }
      if (changed) grammar_->sequences[s] = std::move(now);
    }
    return inlined_calls;
  }

  struct Made {
    Subroutine sub;
    int level;   // the most calls above it
    int height;  // the most calls below it
  };

  const int call_depth_;
  Grammar* grammar_ = nullptr;
  Shape shape_;
  std::vector<std::size_t> loop_costs_;
  std::vector<Symbol> text_;
  std::vector<std::pair<std::size_t, std::size_t>> places_;  // sequence, offset
  std::vector<std::size_t> cost_before_;
  std::vector<std::uint8_t> claimed_;  // 1: inside a block that became a call
  std::vector<Subroutine> calls_;      // start, length, the subroutine made
  std::vector<Made> made_;
  std::vector<std::size_t> made_at_;   // place -> the subroutine made of the block there
  std::vector<std::size_t> previous_;  // place -> the one before it with the same two symbols
  FlatIndex latest_;                   // two symbols -> the latest place
};

SubroutineExtractor::SubroutineExtractor(int call_depth)
    : work_(std::make_unique<Work>(call_depth)) {}
SubroutineExtractor::~SubroutineExtractor() = default;

bool SubroutineExtractor::Run(Grammar& grammar) { return work_->Run(grammar); }

}  // namespace quorlin
