// Both flattening passes over every channel of a song: a measuring walk of
// each channel finds the longest playing time, then a fitting walk of each
// channel plays it to exactly that time.
#ifndef QUORLIN_FLATTEN_FLATTEN_SONG_H_
#define QUORLIN_FLATTEN_FLATTEN_SONG_H_

#include <cstdint>
#include <span>
#include <vector>

#include "flatten/tempo_divider_timeline.h"
#include "flatten/unpack_channel.h"
#include "format/driver.h"
#include "format/flat_channel.h"
#include "format/song_layout.h"

namespace quorlin {

struct FlattenedSong {
  std::vector<FlatChannel> channels;  // fitted event lists, in channel order
  int voice_count = 1;                // the highest voice any EF selects, plus 1
  bool selects_voice = false;         // some EF selects one
  std::int32_t longest_clock = 0;     // the measure every channel was fitted to
  TempoDividerTimeline timeline;      // the DAC's divider changes of the fitting pass
  // A fitted list holds flag EB, or a note there keeps the divider of a
  // duration read before a change: the reversal must time each note itself.
  bool notes_need_their_dividers = false;
};

// Throws TrackError for a channel that breaks a limit. With
// `stop_at_length`, a channel that would play on past the longest time is
// cut there and stopped rather than looped (the tracks of a sound effect).
FlattenedSong FlattenSong(const Driver& driver, std::span<const std::uint8_t> track,
                          const SongHeader& song, std::span<const ChannelHeader> channels,
                          const WalkLimits& limits, bool stop_at_length = false);

}  // namespace quorlin

#endif  // QUORLIN_FLATTEN_FLATTEN_SONG_H_
