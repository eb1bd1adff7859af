#include "reverse/reverse_channel.h"

#include <algorithm>

#include "format/events.h"
#include "format/track_error.h"
#include "reverse/invert_channel.h"

namespace quorlin {
namespace {

[[noreturn]] void FailMalformed(const std::string& channel_name, std::size_t at) {
  throw TrackError(ErrorKind::kInternal,
                   channel_name +
                       "'s converted event list breaks off inside an event at its byte " +
                       std::to_string(at),
                   {channel_name, static_cast<long long>(at)});
}

// Returns where the reversed list starts: 0 unless dropped bytes shortened it.
std::size_t ReverseEvents(const Driver& driver, std::span<const std::uint8_t> converted,
                          std::span<std::uint8_t> events, const std::string& channel_name) {
  std::size_t write_pos = converted.size();
  for (EventReader reader(driver, converted); !reader.Done();) {
    const Event event = reader.Next();
    if (event.kind == EventKind::kFlag && event.flag->inversion == FlagInversion::kDrop) {
      continue;
    }
    if (!event.Listed() || event.size > write_pos) FailMalformed(channel_name, event.at);
    write_pos -= event.size;
    for (std::size_t i = 0; i < event.size; ++i) events[write_pos + i] = event.bytes[i];
  }
  return write_pos;
}

// Moves the first event behind the rest; a jump gets a pointer back to
// offset 0.
void RotateAndCloseLoop(const Driver& driver, std::span<std::uint8_t> events, std::size_t start) {
  if (start >= events.size()) return;
  const Event closing = EventReader(driver, events).At(start);
  const std::uint8_t first = closing.first();
  const std::size_t rest_end = start + closing.bytes.size();
  std::copy(events.begin() + rest_end, events.end(), events.begin() + start);
  std::size_t at = start + (events.size() - rest_end);
  events[at++] = first;
  // The pointer fits but in the longest channels, which are then written
  // with loops and calls.
  if (first == flag::kJump) driver.data_pointers.Write(events, at, 0);
}

}  // namespace

std::vector<std::uint8_t> ReverseChannel(const Driver& driver,
                                         std::span<const std::uint8_t> converted,
                                         const std::string& channel_name,
                                         std::vector<std::uint8_t> room) {
  // Bytes that dropped events leave unwritten stay zero.
  std::vector<std::uint8_t> reversed = std::move(room);
  reversed.assign(converted.size(), 0);
  const std::size_t start = ReverseEvents(driver, converted, reversed, channel_name);
  RotateAndCloseLoop(driver, reversed, start);
  return reversed;
}

std::vector<std::vector<std::uint8_t>> InvertAndReverse(
    const Driver& driver, const SongHeader& song, std::span<const ChannelHeader> headers,
    std::span<FlatChannel> flat, bool notes_need_their_dividers,
    std::vector<std::vector<std::uint8_t>>* converted) {
  const ChannelInverter inverter(
      driver, song.tempo, song.tempo_divider,
      notes_need_their_dividers ? DividerInversion::kPerNote : DividerInversion::kRestoreFlags);
  std::vector<std::vector<std::uint8_t>> reversed(headers.size());
  for (std::size_t i = 0; i < headers.size(); ++i) {
    std::vector<std::uint8_t> inverted = inverter.Invert(flat[i], headers[i]);
    reversed[i] = ReverseChannel(driver, inverted, headers[i].Name(), std::move(flat[i].events));
    flat[i] = {};
    if (converted != nullptr) converted->push_back(std::move(inverted));
  }
  return reversed;
}

}  // namespace quorlin
