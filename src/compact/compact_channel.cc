#include "compact/compact_channel.h"

#include <optional>

#include "compact/grammar.h"
#include "compact/write_program.h"
#include "flatten/unpack_channel.h"
#include "format/format.h"
#include "format/track_error.h"

namespace quorlin {

// The list's events in a grammar's main line, each distinct one stored once;
// the closing event apart. Nothing when the list is not a series of whole
// events closed by F6, F2 or E4.
std::optional<Grammar> ChannelCompactor::ReadEvents(std::span<const std::uint8_t> list,
                                                    std::span<const std::uint8_t>& closing) {
  Grammar grammar;
  FlatIndex& known = events_;
  known.Reset(list.size() / 2 + 1);
  grammar.sequences[0].reserve(list.size() / 2);
  grammar.event_bytes.reserve(list.size());
  std::size_t at = 0;
  while (at < list.size()) {
    const std::size_t size = EventSize(list[at]);
    if (at + size > list.size()) return std::nullopt;
    const auto event = list.subspan(at, size);
    at += size;
    if (at == list.size()) {
      const std::uint8_t b = event[0];
      if (b != flag::kJump && b != flag::kStop && b != flag::kFadeIn) return std::nullopt;
      closing = event;
      return grammar;
    }
    std::uint64_t key = size;
    for (std::size_t i = 0; i < size; ++i) key = key << 8 | event[i];
    const std::size_t index = known.FindOrAdd(key, grammar.EventCount());
    if (index == grammar.EventCount()) {
      grammar.event_bytes.insert(grammar.event_bytes.end(), event.begin(), event.end());
      grammar.event_starts.push_back(static_cast<std::uint32_t>(grammar.event_bytes.size()));
    }
    grammar.sequences[0].push_back(MakeSymbol(SymbolKind::kEvent, index));
  }
  return std::nullopt;
}

ChannelCompactor::ChannelCompactor(std::uint8_t song_divider) {
  replay_.song_divider = song_divider;
  replay_.revisit_budget = 1;
}

// Plays `data` out with the flattening walk, once through, and compares the
// events with `list` (whose closing jump plays as the walk's terminator).
bool ChannelCompactor::PlaysAs(std::span<const std::uint8_t> data,
                               std::span<const std::uint8_t> list, const ChannelHeader& channel) {
  ChannelHeader start = channel;
  start.data_offset = 0;
  start.transpose = start.volume = start.psg_voice = 0;
  // A step reads an event, or a loop, call or return around them.
  const auto steps = static_cast<std::int64_t>(4 * list.size() + 64);
  replay_.limits = {steps, steps};
  replay_.steps_left = steps;
  replay_.timeline.Clear();
  try {
    UnpackChannel(start, data, played_, replay_);
  } catch (const TrackError&) {
    return false;
  }
  const std::vector<std::uint8_t>& played = played_.events;
  if (played.size() != list.size()) return false;
  // The closing jump plays as the walk's terminator F6 00 00.
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
  if (extractor_.Run(*grammar)) data = WriteProgram(*grammar, closing);
  // Calls may need more loop counters than a track has, or pointers reach
  // farther than 16 bits: then the loops alone.
  if (!data) {
    grammar = ReadEvents(events, closing);
    folder_.Run(*grammar);
    data = WriteProgram(*grammar, closing);
  }
  if (!data || data->size() >= plain.size()) return plain;
  if (!PlaysAs(*data, events, channel)) {
    throw TrackError("internal error: " + channel.Name() +
                     "'s data written with loops and calls does not play as its reversed "
                     "events; the song is not written (please report this track)");
  }
  return std::move(*data);
}

}  // namespace quorlin
