#include "format/channel_buffer.h"

#include <algorithm>

#include "format/bytes.h"

namespace quorlin {

void ChannelBuffer::WriteImage(std::span<std::uint8_t, kImageSize> image) const {
  std::fill(image.begin(), image.end(), 0);
  std::copy(events.begin(), events.end(), image.begin());
  WriteBigEndian16(image, kLengthWord, static_cast<std::uint16_t>(events.size()));
  std::copy(converted.begin(), converted.end(), image.begin() + kWorkArea);
}

}  // namespace quorlin
