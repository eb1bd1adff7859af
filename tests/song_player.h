// The tests' own player of songs: follows the sound driver's rules directly
// (loop counters and a call stack in the track's own bytes, durations that
// belong to the note before them, E7's ties and held rests, note fill as
// FM and PSG channels count it, F9's fast release) and shares no code with
// the conversion. The property tests read both a song and its reversal
// with it. It plays Sonic 1 songs, or Sonic 2 songs at a base address:
// pointers that hold addresses, low byte first; loop counters at $20 and
// 2-byte return addresses from $2A down, in the same bytes; ED, which takes
// a byte; E6, which sets a PSG channel's volume; FA-FC, which take a byte
// (FA and FB set the pan).
#ifndef QUORLIN_TESTS_SONG_PLAYER_H_
#define QUORLIN_TESTS_SONG_PLAYER_H_

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

#include "format/format.h"
#include "song_builder.h"

namespace quorlin::testing {

// What the driver holds while a channel plays, besides its tempo divider.
struct DriverState {
  std::uint8_t voice = 0, pan = 0xC0, detune = 0, communication = 0, timeout = 0, tempo = 0;
  std::uint8_t noise = 0xE0, psg_voice = 0, fm_volume = 0, psg_volume = 0, transpose = 0;
  bool modulation_on = false;
  std::array<std::uint8_t, 4> modulation{};
  bool fast_release = false;  // FM: F9 loaded it, the next EF ends it
  bool operator==(const DriverState&) const = default;
};

struct Sound {
  std::uint8_t note;
  int duration;
  // The driver multiplies a duration by the divider as it reads it: a note
  // that reuses the last duration keeps the divider of that read.
  int divider;
  DriverState state;
  bool no_attack;
  bool fill_set;  // E8 since the sound before: the PSG note-fill counter starts anew
  // What is heard (Listen): the pitch that sounds during it, whether it
  // continues the sound of the note before it instead of a new attack, and
  // the tick at which note fill silences it.
  std::optional<int> pitch;
  bool joined = false;
  std::optional<int> cut;
  // On an effect's track, the frequency word (FM block/F-number or PSG
  // period) each frame of a note sounds at, as the driver's modulation moves
  // it; empty for a rest.
  std::vector<int> frames;
  bool operator==(const Sound&) const = default;
};

void PrintTo(const Sound& s, std::ostream* out);

// Whether the reversed channel sounds `backwards` where the input sounds
// `forward`. A rest that holds a sound may come back as a note of its pitch;
// what counts of note fill is where it cuts a note, of transposition the
// pitch.
bool SoundsAlike(const Sound& forward, const Sound& backwards, ChannelKind kind);

// The DAC channel's changes of the global divider EB, at the time each was
// read. The driver plays the DAC channel first in every frame, so a change
// holds for everything the other channels read from that time on.
using DividerChanges = std::vector<std::pair<std::int64_t, int>>;

struct Playback {
  std::vector<Sound> sounds;
  std::int64_t time = 0;  // in clock units: duration * 256 * divider
  bool stopped = false;
  int deepest_call = 0;         // calls nested
  int highest_loop_index = -1;  // of the F7 met
};

// Where a Sonic 2 song's first byte lies; none for a Sonic 1 song.
using Sonic2Base = std::optional<std::int64_t>;

struct PlayerStart {
  std::size_t offset;
  DriverState state;
  int divider;
  Sonic2Base sonic2_base;
  // An effect's track: EE stops it, and each note's pitch is followed frame
  // by frame (Sound::frames).
  bool effect = false;
};

// Plays a channel from `start` until it stops, until `limit` clock units have
// sounded (the last note then ends exactly at the limit), or, with
// `until_first_jump`, until its first F6. The DAC channel records its EB
// changes in `record`; the other channels take the changes in `changes`.
Playback Play(const Bytes& song, ChannelKind kind, PlayerStart start, std::int64_t limit,
              bool until_first_jump, const DividerChanges& changes = {},
              DividerChanges* record = nullptr);

struct ChannelStart {
  ChannelKind kind;
  std::size_t offset;
  std::uint8_t transpose, volume, psg_voice;
  Sonic2Base sonic2_base;
};

// The channels of a song from its headers, in channel order.
std::vector<ChannelStart> ChannelsOf(const Bytes& song, Sonic2Base sonic2_base = {});

// The driver's state when a channel starts: the song's tempo, the header's
// transposition, volume and PSG voice; and the song's divider.
PlayerStart StartOf(const Bytes& song, const ChannelStart& c);

struct ChannelCounts {
  int looping = 0;
  int stopped = 0;
  int joins = 0;
  int sweeps = 0;  // effect tracks with a one-way sweep, checked frame by frame
};

// Checks with GoogleTest that every channel of `output` plays the same
// channel of `input` backwards: each sound mirrored with its duration and
// state, every join of two notes joined the other way round, all channels
// of one length. A PSG note that continues the one before it and that note
// fill then cuts cannot be joined backwards: there it is cut before that
// one starts. Counts the channels and joins checked.
void ExpectPlaysBackwards(const Bytes& input, const Bytes& output, ChannelCounts& counts,
                          Sonic2Base sonic2_base = {});

// The same for the tracks of an effect, which all end together backwards,
// every one stopped: a track that loops forwards is cut at the effect's end.
// A track with a note whose pitch sweeps one way is checked by the pitch
// heard in each frame instead: backwards it is the input's, backwards.
void ExpectEffectPlaysBackwards(const Bytes& input, const Bytes& output, ChannelCounts& counts);

}  // namespace quorlin::testing

#endif  // QUORLIN_TESTS_SONG_PLAYER_H_
