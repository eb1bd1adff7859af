#include "compact/grammar.h"

namespace quorlin {

std::size_t Grammar::SymbolCost(Symbol symbol, std::span<const std::size_t> loop_costs) const {
  switch (KindOf(symbol)) {
    case SymbolKind::kEvent:
      return EventBytes(IndexOf(symbol)).size();
    case SymbolKind::kLoop:
      return loop_costs[IndexOf(symbol)];
    case SymbolKind::kCall:
      return costs.call;
  }
  return 0;
}

std::size_t Grammar::SequenceCost(std::size_t sequence,
                                  std::span<const std::size_t> loop_costs) const {
  std::size_t bytes = 0;
  for (const Symbol symbol : sequences[sequence]) bytes += SymbolCost(symbol, loop_costs);
  return bytes;
}

std::vector<std::size_t> Grammar::LoopCosts() const {
  std::vector<std::size_t> loop_costs(loops.size());
  for (std::size_t i = 0; i < loops.size(); ++i) {
    loop_costs[i] = SequenceCost(loops[i].body, loop_costs) + costs.loop;
  }
  return loop_costs;
}

}  // namespace quorlin
