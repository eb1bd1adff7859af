// A grammar written out as channel data: the main line, the event that
// closes the channel (a jump back to its first byte, or F2 or E4), then the
// body of every subroutine, each ending in E3.
//
// Each loop takes the lowest loop counter that no loop around it uses where
// it plays, also around the calls that lead to it.
#ifndef QUORLIN_COMPACT_WRITE_PROGRAM_H_
#define QUORLIN_COMPACT_WRITE_PROGRAM_H_

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "compact/grammar.h"
#include "format/driver.h"

namespace quorlin {

// `closing` is F6 (with any pointer), F2 or E4. Nothing when a pointer would
// not reach its target or the loops would need more loop counters than the
// driver has.
std::optional<std::vector<std::uint8_t>> WriteProgram(const Driver& driver, const Grammar& grammar,
                                                      std::span<const std::uint8_t> closing);

}  // namespace quorlin

#endif  // QUORLIN_COMPACT_WRITE_PROGRAM_H_
