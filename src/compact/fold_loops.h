// Loops for runs: a block of events played two or more times back to back
// in the main line becomes one F7 loop around the block, wherever that saves
// bytes. Shorter blocks are folded first, so that runs of loops fold again
// into loops around them, nested at most as deep as the driver has loop
// counters.
#ifndef QUORLIN_COMPACT_FOLD_LOOPS_H_
#define QUORLIN_COMPACT_FOLD_LOOPS_H_

#include <cstddef>
#include <map>
#include <utility>
#include <vector>

#include "compact/grammar.h"

namespace quorlin {

// Keeps the room it works in from channel to channel.
class LoopFolder {
 public:
  explicit LoopFolder(int loop_counters) : loop_counters_(loop_counters) {}

  // Folds the main line of a grammar that has no loops or calls yet.
  void Run(Grammar& grammar);

 private:
  std::vector<Symbol>& Main() { return grammar_->sequences[0]; }
  bool FoldPeriod(std::size_t period);
  bool Fold(const std::vector<Symbol>& line, std::size_t start, std::size_t period,
            std::size_t plays, std::vector<Symbol>& out, std::size_t& copied);
  std::size_t Cost(Symbol symbol) const;
  Symbol LoopOf(const std::vector<Symbol>& body, int count, std::size_t body_cost, int height);
  bool Saves(std::size_t body_cost, std::size_t plays) const;

  const int loop_counters_;
  Grammar* grammar_ = nullptr;
  // The loops made, so that equal loops are one symbol and runs of them are found.
  std::map<std::pair<int, std::vector<Symbol>>, std::size_t> known_;
  std::vector<std::size_t> costs_;  // per loop, written out in full
  std::vector<int> heights_;        // per loop, counting itself
  std::vector<Symbol> out_;         // the line being folded
};

}  // namespace quorlin

#endif  // QUORLIN_COMPACT_FOLD_LOOPS_H_
