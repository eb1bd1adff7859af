// The report of a game image: the music table, a line for each of its
// songs, and what came of the whole.
#ifndef QUORLIN_FRONTEND_ROM_REPORT_H_
#define QUORLIN_FRONTEND_ROM_REPORT_H_

#include <ostream>

#include "frontend/run_track.h"

namespace quorlin {

void PrintRomReport(const RomRun& rom, std::ostream& console);

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_ROM_REPORT_H_
