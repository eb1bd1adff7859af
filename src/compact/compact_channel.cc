#include "compact/compact_channel.h"

#include <algorithm>
#include <optional>

#include "compact/grammar.h"
#include "compact/write_program.h"
#include "format/events.h"
#include "format/format.h"
#include "format/track_error.h"

namespace quorlin {

ChannelCompactor::ChannelCompactor(const Driver& driver, std::uint8_t song_divider)
    : driver_(driver),
      song_divider_(song_divider),
      folder_(driver.track_memory.written_loop_counters),
      extractor_(driver.track_memory.CallDepthBeside(driver.track_memory.written_loop_counters)),
      walker_(driver) {}

// The list's events in a grammar's main line, each distinct one stored once;
// the closing event apart. Nothing when the list is not a series of whole
// events closed by the flag that closes a converted list (F6, F2 or E4).
std::optional<Grammar> ChannelCompactor::ReadEvents(std::span<const std::uint8_t> list,
                                                    std::span<const std::uint8_t>& closing) {
  Grammar grammar;
  const auto cost = [&](std::uint8_t flag) {
    return 1 + std::size_t{driver_.Flag(flag).parameters};
  };
  grammar.costs = {cost(flag::kLoop), cost(flag::kCall), cost(flag::kReturn)};
  FlatIndex& known = events_;
  known.Reset(list.size() / 2 + 1);
  grammar.sequences[0].reserve(list.size() / 2);
  grammar.event_bytes.reserve(list.size());
  for (EventReader reader(driver_, list); !reader.Done();) {
    const Event read = reader.Next();
    if (!read.Listed()) return std::nullopt;
    const auto event = read.bytes;
    if (reader.Done()) {
      if (read.kind != EventKind::kFlag || read.flag->inversion != FlagInversion::kTakeOut) {
        return std::nullopt;
      }
      closing = event;
      return grammar;
    }
    std::uint64_t key = event.size();
    for (const std::uint8_t b : event) key = key << 8 | b;
    const std::size_t index = known.FindOrAdd(key, grammar.EventCount());
    if (index == grammar.EventCount()) {
      grammar.event_bytes.insert(grammar.event_bytes.end(), event.begin(), event.end());
      grammar.event_starts.push_back(static_cast<std::uint32_t>(grammar.event_bytes.size()));
    }
    grammar.sequences[0].push_back(MakeSymbol(SymbolKind::kEvent, index));
  }
  return std::nullopt;
}

// Replays `data` once through and compares the events with `list` (whose
// closing jump plays as the walk's terminator F6 00 00).
bool ChannelCompactor::PlaysAs(std::span<const std::uint8_t> data,
                               std::span<const std::uint8_t> list, ChannelKind kind) {
  // A step reads an event, or a loop, call or return around them.
  const auto steps = static_cast<std::int64_t>(4 * list.size() + 64);
  const auto replayed = walker_.Replay(kind, data, song_divider_, steps);
  if (!replayed) return false;
  const std::span<const std::uint8_t> played = *replayed;
  if (played.size() != list.size()) return false;
  const bool loops = list.size() >= 3 && played[list.size() - 3] == flag::kJump;
  const std::size_t compared = loops ? list.size() - 2 : list.size();
  return std::equal(list.begin(), list.begin() + compared, played.begin()) &&
         (!loops || (played[list.size() - 2] == 0 && played[list.size() - 1] == 0));
}

std::vector<std::uint8_t> ChannelCompactor::Compact(std::span<const std::uint8_t> events,
                                                    const ChannelHeader& channel) {
  const std::vector<std::uint8_t> plain(events.begin(), events.end());
  std::span<const std::uint8_t> closing;
  std::optional<Grammar> grammar = ReadEvents(events, closing);
  if (!grammar) return plain;
  folder_.Run(*grammar);
  std::optional<std::vector<std::uint8_t>> data;
  if (extractor_.Run(*grammar)) data = WriteProgram(driver_, *grammar, closing);
  // Calls may need more loop counters than a track has, or pointers reach
  // farther than they can: then the loops alone.
  if (!data) {
    grammar = ReadEvents(events, closing);
    folder_.Run(*grammar);
    data = WriteProgram(driver_, *grammar, closing);
  }
  if (!data || data->size() >= plain.size()) return plain;
  if (!PlaysAs(*data, events, channel.kind)) {
    throw TrackError(ErrorKind::kInternal,
                     "internal error: " + channel.Name() +
                         "'s data written with loops and calls does not play as its reversed "
                         "events; the song is not written (please report this track)",
                     {channel.Name(), {}});
  }
  return std::move(*data);
}

}  // namespace quorlin
