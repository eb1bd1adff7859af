#include "reverse/reverse_channel.h"

#include <algorithm>

#include "format/bytes.h"
#include "format/format.h"
#include "format/track_error.h"

namespace quorlin {
namespace {

// An event's size from its first byte: notes, rests and flags E0-E2 take the
// byte after them; other flags their parameters. 0 marks a byte that is dropped.
int EventSize(std::uint8_t first) {
  if (first < flag::kReturn) return 2;
  if (IsMeaninglessFlag(first)) return 0;
  return 1 + FlagParameterCount(first);
}

[[noreturn]] void FailMalformed(const std::string& channel_name, std::size_t at) {
  throw TrackError(channel_name +
                   "'s converted event list breaks off inside an event at its byte " +
                   std::to_string(at));
}

// Returns where the reversed list starts: 0 unless dropped bytes shortened it.
std::size_t ReverseEvents(std::span<const std::uint8_t> converted, std::span<std::uint8_t> events,
                          const std::string& channel_name) {
  const std::size_t length = converted.size();
  std::size_t write_pos = length;
  std::size_t read_pos = 0;
  while (read_pos < length) {
    const std::size_t size = EventSize(converted[read_pos]);
    if (size == 0) {
      ++read_pos;
      continue;
    }
    if (read_pos + size > length || size > write_pos) FailMalformed(channel_name, read_pos);
    write_pos -= size;
    for (std::size_t i = 0; i < size; ++i) events[write_pos + i] = converted[read_pos + i];
    read_pos += size;
  }
  return write_pos;
}

// Moves the first event behind the rest; a jump gets a pointer that reads as
// -(p + 1) from its first byte at p, which leads back to offset 0.
void RotateAndCloseLoop(std::span<std::uint8_t> events, std::size_t start) {
  const std::size_t length = events.size();
  if (start >= length) return;
  const std::uint8_t closing = events[start];
  const std::size_t closing_size = (closing == flag::kJump) ? 3 : 1;
  const std::size_t rest_end = std::min(length, start + closing_size);
  std::copy(events.begin() + rest_end, events.begin() + length, events.begin() + start);
  std::size_t at = start + (length - rest_end);
  events[at++] = closing;
  if (closing == flag::kJump) {
    WriteBigEndian16(events, at, static_cast<std::uint16_t>(0xFFFF - at));
  }
}

}  // namespace

void ReverseChannel(ChannelBuffer& buffer, const std::string& channel_name) {
  // Bytes that dropped events leave unwritten stay zero, as in the event area.
  buffer.events.assign(buffer.converted.size(), 0);
  const std::size_t start = ReverseEvents(buffer.converted, buffer.events, channel_name);
  RotateAndCloseLoop(buffer.events, start);
}

}  // namespace quorlin
