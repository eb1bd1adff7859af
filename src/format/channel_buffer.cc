#include "format/channel_buffer.h"

#include <algorithm>

#include "format/bytes.h"

namespace quorlin {

void AddNotes(std::vector<DividerRun>& runs, std::uint8_t divider, std::size_t notes) {
  if (notes == 0) return;
  if (runs.empty() || runs.back().divider != divider) runs.push_back({divider, 0});
  runs.back().notes = static_cast<std::uint32_t>(runs.back().notes + notes);
}

void ChannelBuffer::WriteImage(std::span<std::uint8_t, kImageSize> image) const {
  std::fill(image.begin(), image.end(), 0);
  std::copy(events.begin(), events.end(), image.begin());
  WriteBigEndian16(image, kLengthWord, static_cast<std::uint16_t>(events.size()));
  std::copy(converted.begin(), converted.end(), image.begin() + kWorkArea);
}

}  // namespace quorlin
