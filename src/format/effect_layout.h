// Sound effects: the header that makes a track an effect rather than a song,
// and the tracks it lists. Everything behind the header (track data, voice
// records) is read and written as a song's is, by the driver the effect
// format names.
//
// A Sonic 1 effect, all multi-byte values big-endian:
//
//   0x00  u16  voice table offset (absolute)
//   0x02  u8   tempo divider, every track's
//   0x03  u8   track count, at least 1
//   0x04       one 6-byte entry per track, in the order the driver loads them:
//                u8 playback flags (always 0x80), u8 channel id,
//                u16 data offset, u8 transposition, u8 volume
#ifndef QUORLIN_FORMAT_EFFECT_LAYOUT_H_
#define QUORLIN_FORMAT_EFFECT_LAYOUT_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "format/driver.h"
#include "format/pitch_tables.h"
#include "format/song_layout.h"

namespace quorlin {

// A channel an effect track may take: the id its entry holds, the kind of
// channel it plays as and its number among them, and its name (the
// report's and the labels' suffix).
struct EffectChannel {
  std::uint8_t id;
  ChannelKind kind;
  int number;
  std::string_view name;
};

struct EffectHeaderLayout {
  int size;
  int voice_table_at;
  int tempo_divider_at;
  int track_count_at;
  int entry_size;
  int flags_at, id_at, data_at, transpose_at, volume_at;  // in an entry
  std::uint8_t playing;                                   // the playback flags every entry holds
};

// What an effect is for one driver: its header, the channels its tracks
// take, and the driver its tracks are read by.
// The ids a game gives its effects: the normal effects' table holds ids
// from first_id on, the special effects' table from first_special_id on.
struct EffectIds {
  int first_id;
  int normal_count;  // the most entries of the normal table
  int first_special_id;
  int special_count;
};

struct EffectFormat {
  EffectHeaderLayout header;
  std::array<EffectChannel, 7> channels;
  EffectIds ids;
  // The driver of the tracks: a song's, but for the flags that end an
  // effect track and those that keep their place at its end.
  Driver driver;
  PitchTables pitch;  // the driver's, for the sweeps

  const EffectChannel* Channel(std::uint8_t id) const {
    for (const EffectChannel& channel : channels) {
      if (channel.id == id) return &channel;
    }
    return nullptr;
  }
};

struct EffectTrack {
  const EffectChannel* channel;
  ChannelHeader header;  // kind, number, data offset, transposition, volume
};

struct EffectHeader {
  std::size_t voice_table_offset = 0;
  std::uint8_t tempo_divider = 0;
  std::vector<EffectTrack> tracks;  // in header order
};

// The header's size for `tracks` tracks: where the written effect's data starts.
std::size_t EffectHeadersSize(const EffectFormat& format, std::size_t tracks);

// Whether `track` starts with what an effect header looks like: at least
// one entry, every entry inside the track with the playback flags, a
// channel id of the format and its data inside the track behind the header.
bool IsEffect(const EffectFormat& format, std::span<const std::uint8_t> track);

// Throws TrackError naming the entry and offset when IsEffect does not hold.
EffectHeader ReadEffectHeader(const EffectFormat& format, std::span<const std::uint8_t> track);

// Writes the header with one entry per track, each with its data offset, at
// the start of `out` (EffectHeadersSize bytes).
void WriteEffectHeader(const EffectFormat& format, std::span<std::uint8_t> out,
                       const EffectHeader& header, std::span<const std::size_t> data_offsets);

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_EFFECT_LAYOUT_H_
