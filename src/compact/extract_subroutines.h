// Subroutines for blocks that stand in several places of a grammar (the
// main line, loop bodies, other subroutines): each becomes one body that
// ends in E3, and every place that plays it calls it with F8, wherever that
// saves bytes. Calls nest no deeper than the driver's track memory holds
// return addresses beside all its loop counters (two in Sonic 1: a third
// would overwrite them).
#ifndef QUORLIN_COMPACT_EXTRACT_SUBROUTINES_H_
#define QUORLIN_COMPACT_EXTRACT_SUBROUTINES_H_

#include <memory>

#include "compact/grammar.h"

namespace quorlin {

// Keeps the room its passes work in from channel to channel.
class SubroutineExtractor {
 public:
  explicit SubroutineExtractor(int call_depth);
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
