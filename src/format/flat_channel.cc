#include "format/flat_channel.h"

namespace quorlin {

void AddNotes(std::vector<DividerRun>& runs, std::uint8_t divider, std::size_t notes) {
  if (notes == 0) return;
  if (runs.empty() || runs.back().divider != divider) runs.push_back({divider, 0});
  runs.back().notes = static_cast<std::uint32_t>(runs.back().notes + notes);
}

}  // namespace quorlin
