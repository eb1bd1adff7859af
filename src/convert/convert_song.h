// The one entry point of a conversion: a track's bytes in, the reversed
// song's bytes out. The stages run in this order: song and channel headers,
// both flattening passes, the voices, the state inversion and the event
// reversal of every channel, the diagnostic dumps, the compaction (when
// asked for, or when the played-out channels do not fit a song), the output
// assembly.
// Nothing is written to disk here, so a failed conversion leaves no trace.
#ifndef QUORLIN_CONVERT_CONVERT_SONG_H_
#define QUORLIN_CONVERT_CONVERT_SONG_H_

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "diagnostics/dump.h"
#include "flatten/unpack_channel.h"
#include "format/driver.h"
#include "format/effect_layout.h"
#include "format/song_layout.h"

namespace quorlin {

struct ConvertOptions {
  WalkLimits limits;
  // Writes every channel with loops and calls where its events repeat.
  // Without it, only a song that cannot be written played out is.
  bool compact = false;
  // Told the report values as soon as they are known, so that a console shows
  // them even when a later stage refuses the track.
  std::function<void(const SongHeader&)> on_song_header;
  std::function<void(const EffectHeader&)> on_effect_header;  // an effect's
  std::function<void(int voice_count)> on_voice_count;
};

struct ConvertedSong {
  SongHeader song;
  int voice_count = 1;
  std::vector<std::uint8_t> bytes;  // the reversed song
  // Why the song had to be written with loops and calls though not asked
  // to; empty when it was not.
  std::string notice;
};

// Reads `track` as a song of `driver` and writes its reversal for the same
// driver. Throws TrackError, naming what was expected and where, for a
// track that cannot be reversed faithfully. With `dumps`, the intermediate
// lists are handed to it before the output is assembled.
ConvertedSong ConvertSong(const Driver& driver, std::span<const std::uint8_t> track,
                          const ConvertOptions& options = {}, DumpSink* dumps = nullptr);

}  // namespace quorlin

#endif  // QUORLIN_CONVERT_CONVERT_SONG_H_
