// Subroutines for blocks that stand in several places of a grammar (the
// main line, loop bodies, other subroutines): each becomes one body that
// ends in E3, and every place that plays it calls it with F8, wherever that
// saves bytes. Calls nest at most two deep: the driver keeps its return
// addresses below the track's four loop counters, and a third would
// overwrite them.
#ifndef QUORLIN_COMPACT_EXTRACT_SUBROUTINES_H_
#define QUORLIN_COMPACT_EXTRACT_SUBROUTINES_H_

#include <memory>

#include "compact/grammar.h"

namespace quorlin {

inline constexpr int kCallDepth = 2;

// Keeps the room its passes work in from channel to channel.
class SubroutineExtractor {
 public:
  SubroutineExtractor();
  ~SubroutineExtractor();

  // False when the calls made would nest deeper than that, which the
  // choices made rule out: the caller then writes the grammar without calls.
  bool Run(Grammar& grammar);

 private:
  struct Work;
  std::unique_ptr<Work> work_;
};

}  // namespace quorlin

#endif  // QUORLIN_COMPACT_EXTRACT_SUBROUTINES_H_
