// A reversed channel as a small program: its events, loops (F7) around runs
// of a block played back to back, and subroutines (F8 ... E3) for blocks
// that stand in several places. Playing the program gives the channel's
// events in their order.
//
// Every sequence is a list of symbols; sequence 0 is the channel's main
// line. A symbol is an event, a loop (a body sequence and a count) or a call
// of a subroutine (a body sequence).
#ifndef QUORLIN_COMPACT_GRAMMAR_H_
#define QUORLIN_COMPACT_GRAMMAR_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorlin {

using Symbol = std::int32_t;

enum class SymbolKind : std::uint8_t { kEvent = 0, kLoop = 1, kCall = 2 };

inline constexpr Symbol MakeSymbol(SymbolKind kind, std::size_t index) {
  return static_cast<Symbol>(index * 4 + static_cast<std::size_t>(kind));
}
inline constexpr SymbolKind KindOf(Symbol symbol) { return static_cast<SymbolKind>(symbol & 3); }
inline constexpr std::size_t IndexOf(Symbol symbol) {
  return static_cast<std::size_t>(symbol) >> 2;
}

// The most times one F7 plays its body (a count byte of 0).
inline constexpr int kMaxLoopCount = 256;

// The bytes the flags of a program take in the channel's data.
struct FlagCosts {
  std::size_t loop;  // F7, index, count, pointer
  std::size_t call;  // F8, pointer
  std::size_t ret;   // E3
};

struct Grammar {
  struct Loop {
    std::size_t body;  // sequence
    int count;         // 2-256
  };

  FlagCosts costs;
  std::vector<std::vector<Symbol>> sequences{1};  // 0: the main line
  std::vector<std::uint8_t> event_bytes;          // every distinct event, back to back
  std::vector<std::uint32_t> event_starts{0};     // event e: [starts[e], starts[e + 1])
  std::vector<Loop> loops;
  std::vector<std::size_t> subroutines;  // each one's body sequence

  std::span<const std::uint8_t> EventBytes(std::size_t event) const {
    return std::span(event_bytes)
        .subspan(event_starts[event], event_starts[event + 1] - event_starts[event]);
  }
  std::size_t EventCount() const { return event_starts.size() - 1; }

  // The bytes each loop takes written out: its body, then F7 and its
  // parameters. A loop's body holds only loops made before it, so one pass
  // in order counts them all.
  std::vector<std::size_t> LoopCosts() const;
  // The bytes a symbol takes where it stands.
  std::size_t SymbolCost(Symbol symbol, std::span<const std::size_t> loop_costs) const;
  // The bytes of a whole sequence.
  std::size_t SequenceCost(std::size_t sequence, std::span<const std::size_t> loop_costs) const;
};

}  // namespace quorlin

#endif  // QUORLIN_COMPACT_GRAMMAR_H_
