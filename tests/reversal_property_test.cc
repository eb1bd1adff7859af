// The reversal is right beyond the worked examples: for many generated valid
// songs, every output channel sounds its input channel's notes in reverse
// order, with the same durations and the same state around each note, and
// every two notes joined by a tie are joined the other way round.
//
// Both the input and the output are read by a small player of this file's
// own that follows the sound driver's rules directly (loop counters that
// count down, a call stack, durations that belong to the note before them,
// E7's ties and held rests, F9's fast release); it shares no code with the
// conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "convert/convert_song.h"
#include "format/bytes.h"
#include "song_builder.h"
#include "song_generator.h"

namespace quorlin::testing {
namespace {

// ---------------------------------------------------------------- player --

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
  // What is heard (Listen): the pitch that sounds during it, and whether it
  // continues the sound of the note before it instead of a new attack.
  std::optional<int> pitch;
  bool joined = false;
  std::optional<int> cut;  // the tick at which note fill silences it
};

void PrintTo(const Sound& s, std::ostream* out) {
  *out << std::hex << "note " << int{s.note} << " dur " << s.duration << " div " << s.divider
       << " voice " << int{s.state.voice} << " pan " << int{s.state.pan} << " vol "
       << int{s.state.fm_volume} << "/" << int{s.state.psg_volume} << " tr "
       << int{s.state.transpose} << " mod " << s.state.modulation_on << " fill "
       << int{s.state.timeout} << " fast " << s.state.fast_release << " na " << s.no_attack
       << " pitch " << (s.pitch ? *s.pitch : -1) << " joined " << s.joined << " cut "
       << (s.cut ? *s.cut : -1);
}

// The driver's rules for what E7 does to the sound of FM and PSG channels.
// E7 before a note keeps the note before it keyed on: the note continues
// that sound. Note fill keys a note off after that many ticks of its
// duration (duration x divider, kept in one byte), unless E7 spares it. An
// FM rest after E7 holds the sound on, unless modulation is on; a PSG rest
// is silent. Pitches are note plus transposition, seven bits of it.
void Listen(std::vector<Sound>& sounds, ChannelKind kind) {
  if (kind == ChannelKind::kDac) return;  // the DAC ignores E7
  std::optional<int> sounding;
  for (Sound& s : sounds) {
    const bool joinable = s.no_attack && sounding.has_value();
    if (s.note != 0x80) {
      s.joined = joinable;
      s.pitch = (s.note + s.state.transpose) & 0x7F;
      sounding = s.pitch;
      const int ticks = (s.duration * s.divider) & 0xFF;
      if (!s.no_attack && s.state.timeout > 0 && s.state.timeout < ticks) {
        s.cut = s.state.timeout;
        sounding.reset();
      }
    } else if (kind == ChannelKind::kFm && joinable && !s.state.modulation_on) {
      s.joined = true;
      s.pitch = sounding;
    } else {
      sounding.reset();
    }
  }
}

// Whether the reversed channel sounds `backwards` where the input sounds
// `forward`. A rest that holds a sound may come back as a note of its pitch;
// what counts of note fill is where it cuts a note, of transposition the
// pitch.
bool SoundsAlike(const Sound& forward, const Sound& backwards, ChannelKind kind) {
  if (forward.duration != backwards.duration || forward.divider != backwards.divider) {
    return false;
  }
  if (kind == ChannelKind::kDac) {
    return forward.state == backwards.state && forward.note == backwards.note &&
           forward.no_attack == backwards.no_attack;
  }
  DriverState forward_state = forward.state, backwards_state = backwards.state;
  forward_state.timeout = backwards_state.timeout = 0;
  forward_state.transpose = backwards_state.transpose = 0;
  return forward_state == backwards_state && forward.cut == backwards.cut &&
         forward.pitch == backwards.pitch &&
         (forward.note == backwards.note || (forward.note == 0x80 && forward.joined));
}

// The DAC channel's changes of the global divider EB, at the time each was
// read. The driver plays the DAC channel first in every frame, so a change
// holds for everything the other channels read from that time on.
using DividerChanges = std::vector<std::pair<std::int64_t, int>>;

struct Playback {
  std::vector<Sound> sounds;
  std::int64_t time = 0;  // in clock units: duration * 256 * divider
  bool stopped = false;
};

struct PlayerStart {
  std::size_t offset;
  DriverState state;
  int divider;
};

// Plays a channel from `start` until it stops, until `limit` clock units have
// sounded (the last note then ends exactly at the limit), or, with
// `until_first_jump`, until its first F6. The DAC channel records its EB
// changes in `record`; the other channels take the changes in `changes`.
Playback Play(const Bytes& song, ChannelKind kind, PlayerStart start, std::int64_t limit,
              bool until_first_jump, const DividerChanges& changes = {},
              DividerChanges* record = nullptr) {
  Playback out;
  DriverState state = start.state;
  int divider = start.divider;
  std::size_t pc = start.offset;
  std::size_t next_change = 0;
  std::array<int, 4> counters{};
  std::vector<std::size_t> returns;
  std::uint8_t note = 0x80;
  int duration = 0;
  int duration_divider = divider;
  bool no_attack = false;
  const auto pointer = [&](std::size_t at) {
    return at + 1 + static_cast<std::int16_t>(ReadBigEndian16(song, at));
  };
  const auto sound = [&] {
    const std::int64_t length = std::int64_t{duration} * 256 * duration_divider;
    int written = duration;
    if (out.time + length > limit) {
      written = duration - static_cast<int>((out.time + length - limit) / (256 * duration_divider));
    }
    out.sounds.push_back({note, written, duration_divider, state, no_attack, {}, false, {}});
    no_attack = false;
    out.time += length;
  };
  for (int guard = 0; guard < 1'000'000 && out.time < limit; ++guard) {
    while (next_change < changes.size() && changes[next_change].first <= out.time) {
      divider = changes[next_change++].second;
    }
    const std::uint8_t b = song.at(pc++);
    if (b >= 0x80 && b < 0xE0) {
      note = b;
      // A duration right behind the note is its own; otherwise the last one.
      if (song.at(pc) >= 0x80) sound();
    } else if (b < 0x80) {
      duration = b;
      duration_divider = divider;
      sound();
    } else {
      switch (b) {
        case 0xE0:
          state.pan = song.at(pc++);
          break;
        case 0xE1:
          state.detune = song.at(pc++);
          break;
        case 0xE2:
          state.communication = song.at(pc++);
          break;
        case 0xE3:
          pc = returns.back();
          returns.pop_back();
          break;
        case 0xE4:
        case 0xF2:
          out.stopped = true;
          Listen(out.sounds, kind);
          return out;
        case 0xE5:
          divider = song.at(pc++);
          break;
        case 0xE6:
          state.fm_volume += song.at(pc++);
          break;
        case 0xE7:
          no_attack = true;
          break;
        case 0xE8:
          state.timeout = song.at(pc++);
          break;
        case 0xE9:
          state.transpose += song.at(pc++);
          break;
        case 0xEA:
          state.tempo = song.at(pc++);
          break;
        case 0xEB:
          divider = song.at(pc++);
          if (record != nullptr) record->emplace_back(out.time, divider);
          break;
        case 0xEC:
          state.psg_volume += song.at(pc++);
          break;
        case 0xEF:
          state.voice = song.at(pc++);
          state.fast_release = false;
          break;
        case 0xF0:
          // Setting modulation up switches it on too.
          for (auto& m : state.modulation) m = song.at(pc++);
          state.modulation_on = true;
          break;
        case 0xF1:
          state.modulation_on = true;
          break;
        case 0xF3:
          state.noise = song.at(pc++);
          break;
        case 0xF4:
          state.modulation_on = false;
          break;
        case 0xF5:
          state.psg_voice = song.at(pc++);
          break;
        case 0xF6:
          if (until_first_jump) {
            Listen(out.sounds, kind);
            return out;
          }
          pc = pointer(pc);
          break;
        case 0xF7: {
          const std::uint8_t index = song.at(pc);
          const int count = song.at(pc + 1) == 0 ? 256 : song.at(pc + 1);
          if (counters[index] == 0) counters[index] = count;
          pc = --counters[index] != 0 ? pointer(pc + 2) : pc + 4;
          break;
        }
        case 0xF8:
          returns.push_back(pc + 2);
          pc = pointer(pc);
          break;
        case 0xF9:
          // Fast release of the voice loaded last; on the PSG and the DAC
          // it has nothing to act on.
          if (kind == ChannelKind::kFm) state.fast_release = true;
          break;
        default:
          break;  // ED, EE change nothing that sounds
      }
    }
  }
  Listen(out.sounds, kind);
  return out;
}

// ------------------------------------------------------------------ test --

struct ChannelStart {
  ChannelKind kind;
  std::size_t offset;
  std::uint8_t transpose, volume, psg_voice;
};

std::vector<ChannelStart> ChannelsOf(const Bytes& song) {
  std::vector<ChannelStart> channels;
  std::size_t at = 6;
  for (int i = 0; i < song[2] + song[3]; ++i) {
    const ChannelKind kind = i == 0        ? ChannelKind::kDac
                             : i < song[2] ? ChannelKind::kFm
                                           : ChannelKind::kPsg;
    ChannelStart c{kind, ReadBigEndian16(song, at), 0, 0, 0};
    if (kind != ChannelKind::kDac) {
      c.transpose = song[at + 2];
      c.volume = song[at + 3];
    }
    if (kind == ChannelKind::kPsg) c.psg_voice = song[at + 5];
    channels.push_back(c);
    at += kind == ChannelKind::kPsg ? 6 : 4;
  }
  return channels;
}

// The driver's state when a channel starts: the song's tempo, the header's
// transposition, volume and PSG voice; and the song's divider.
PlayerStart StartOf(const Bytes& song, const ChannelStart& c) {
  PlayerStart start{c.offset, {}, song[4]};
  start.state.tempo = song[5];
  start.state.transpose = c.transpose;
  (c.kind == ChannelKind::kPsg ? start.state.psg_volume : start.state.fm_volume) = c.volume;
  start.state.psg_voice = c.psg_voice;
  return start;
}

struct ChannelCounts {
  int looping = 0;
  int stopped = 0;
  int joins = 0;
};

// Checks every channel of `output` against the same channel of `input`.
void ExpectPlaysBackwards(const Bytes& input, const Bytes& output, ChannelCounts& counts) {
  const auto in_channels = ChannelsOf(input);
  const auto out_channels = ChannelsOf(output);
  ASSERT_EQ(in_channels.size(), out_channels.size());
  // The reversed song, each channel once through; the DAC channel first, as
  // its divider changes time the others.
  std::vector<Playback> reversed;
  DividerChanges reversed_changes;
  for (const ChannelStart& c : out_channels) {
    reversed.push_back(Play(output, c.kind, StartOf(output, c), INT64_MAX, true, reversed_changes,
                            reversed.empty() ? &reversed_changes : nullptr));
  }
  const auto [shortest, longest] = std::minmax_element(
      reversed.begin(), reversed.end(), [](auto& a, auto& b) { return a.time < b.time; });
  DividerChanges changes;
  Play(input, ChannelKind::kDac, StartOf(input, in_channels[0]), longest->time, false, {},
       &changes);
  for (std::size_t c = 0; c < in_channels.size(); ++c) {
    SCOPED_TRACE("channel " + std::to_string(c));
    const ChannelKind kind = in_channels[c].kind;
    const PlayerStart in_start = StartOf(input, in_channels[c]);
    const Playback forward = Play(input, kind, in_start, reversed[c].time, false, changes);
    std::vector<Sound> backwards(reversed[c].sounds.rbegin(), reversed[c].sounds.rend());
    ASSERT_GE(backwards.size(), forward.sounds.size());
    // Rests that fill a stopped channel to the song's length come first in
    // the output, so last when read backwards.
    for (std::size_t i = forward.sounds.size(); i < backwards.size(); ++i) {
      EXPECT_TRUE(forward.stopped);
      EXPECT_EQ(backwards[i].note, 0x80);
    }
    backwards.resize(forward.sounds.size());
    const auto [played, expected] =
        std::mismatch(backwards.begin(), backwards.end(), forward.sounds.begin(),
                      [kind](const Sound& b, const Sound& f) { return SoundsAlike(f, b, kind); });
    ASSERT_TRUE(played == backwards.end())
        << "sound " << played - backwards.begin() << " of " << backwards.size()
        << " played backwards: " << ::testing::PrintToString(*played)
        << "; forward: " << ::testing::PrintToString(*expected);
    // A note joined to the one before it forwards: backwards that one is
    // joined to it. Nothing is joined across the reversed channel's end.
    for (std::size_t k = 0; k < backwards.size(); ++k) {
      const bool joined_forward = k + 1 < forward.sounds.size() && forward.sounds[k + 1].joined;
      ASSERT_EQ(backwards[k].joined, joined_forward)
          << "join of sounds " << k << " and " << k + 1 << "; forward "
          << ::testing::PrintToString(forward.sounds[k]) << " then "
          << (k + 1 < forward.sounds.size() ? ::testing::PrintToString(forward.sounds[k + 1])
                                            : "nothing")
          << "; backwards " << ::testing::PrintToString(backwards[k]);
      counts.joins += joined_forward;
    }
    if (reversed[c].stopped) {
      // The channel that set the song's length meets its stop flag just
      // when its time is up: played on, it stops without another sound.
      const Playback on = Play(input, kind, in_start, reversed[c].time + 1, false, changes);
      EXPECT_TRUE(on.stopped);
      EXPECT_EQ(on.sounds.size(), forward.sounds.size());
      ++counts.stopped;
    } else {
      EXPECT_FALSE(forward.stopped);
      ++counts.looping;
    }
  }
  // One length for all: a looping channel may run on by less than one
  // duration unit, a filled one stop short by less than one.
  EXPECT_LT(longest->time - shortest->time, 2 * 256 * 3);
}

TEST(ReversalPropertyTest, OutputChannelsSoundTheInputBackwards) {
  constexpr unsigned kCases = 400;
  int refused = 0;
  ChannelCounts counts, round_trip;
  for (unsigned case_number = 1; case_number <= kCases; ++case_number) {
    SCOPED_TRACE("case " + std::to_string(case_number));
    const Bytes input = SongGenerator(case_number).Song();
    Bytes output;
    const std::string error = TrackErrorOf([&] { output = Reversed(input); });
    if (!error.empty()) {
      // Very long songs may outgrow a channel; anything else is a fault.
      ASSERT_NE(error.find("flattens to more than"), std::string::npos) << error;
      ++refused;
      continue;
    }
    ExpectPlaysBackwards(input, output, counts);
    // Reversed again, it plays the original forwards.
    ExpectPlaysBackwards(output, Reversed(output), round_trip);
  }
  EXPECT_LT(refused, static_cast<int>(kCases) / 10);
  EXPECT_GT(counts.looping, 200);
  EXPECT_GT(counts.stopped, 200);
  EXPECT_GT(counts.joins, 400);
}

// The shapes real tracks have: shared data, a channel that falls through
// into the next one's data, channels that start at one shared F2, calls two
// deep, nested loops of indices 0-2, stray bytes nobody plays, E6 on a PSG
// channel, more voice records than the song selects.
TEST(ReversalPropertyTest, SongWithSharedAndFallThroughData) {
  ChannelWriter w;
  const int dac = w.NewLabel(), beat = w.NewLabel(), roll = w.NewLabel();
  const int fm1 = w.NewLabel(), fm2 = w.NewLabel(), shared_stop = w.NewLabel();
  const int psg2 = w.NewLabel(), sub = w.NewLabel(), inner_sub = w.NewLabel();
  w.Place(dac);
  w.Place(beat);
  w.Emit({0x81, 0x0C, 0x82, 0x0C, 0xF7, 0x00, 0x02});  // beat twice
  w.PointerTo(beat);
  w.Place(roll);
  w.Emit({0x81, 0x06, 0xF7, 0x01, 0x03});  // roll three times
  w.PointerTo(roll);
  w.Emit({0xF7, 0x02, 0x02});  // all of it twice
  w.PointerTo(beat);
  w.Emit(0xF6);
  w.PointerTo(dac);
  w.Emit({0xF2, 0xF6, 0xFF, 0xFE});  // stray: a stop and a jump onto itself
  w.Place(fm1);
  w.Emit({0xEF, 0x01, 0x91, 0x18, 0x93, 0x18});  // no end of its own
  w.Place(fm2);
  w.Emit({0xEF, 0x02, 0xE0, 0x80, 0xA1, 0x0C, 0xA3, 0x0C, 0xF6});
  w.PointerTo(fm2);
  w.Place(shared_stop);
  w.Emit(0xF2);
  w.Place(psg2);
  w.Emit({0xE6, 0x02, 0xC5, 0x0C, 0xF8});
  w.PointerTo(sub);
  w.Emit({0xC8, 0x18, 0xF2});
  w.Place(sub);
  w.Emit({0xCA, 0x06, 0xF8});
  w.PointerTo(inner_sub);
  w.Emit(0xE3);
  w.Place(inner_sub);
  w.Emit({0xCC, 0x06, 0xCD, 0x06, 0xE3});
  const Bytes data = w.Finish();

  const std::size_t data_at = 6 + 4 * 4 + 6 * 2;
  Bytes song(data_at + data.size() + 5 * kVoiceRecordSize, 0x5A);  // five voices, three selected
  std::fill(song.begin(), song.begin() + data_at, 0);
  std::copy(data.begin(), data.end(), song.begin() + data_at);
  WriteBigEndian16(song, 0, static_cast<std::uint16_t>(data_at + data.size()));
  song[2] = 4;
  song[3] = 2;
  song[4] = 1;
  song[5] = 4;
  const auto header = [&](std::size_t at, int label, std::uint8_t transpose, std::uint8_t volume) {
    WriteBigEndian16(song, at, static_cast<std::uint16_t>(data_at + w.At(label)));
    song[at + 2] = transpose;
    song[at + 3] = volume;
  };
  header(6, dac, 0, 0);
  header(10, fm1, 0x0C, 0x02);
  header(14, fm2, 0, 0);
  header(18, shared_stop, 0, 0);
  header(22, shared_stop, 0, 0x03);
  header(28, psg2, 0xF4, 0x01);
  song[33] = 0x02;  // PSG2's voice

  const Bytes output = Reversed(song);
  EXPECT_EQ(ReadBigEndian16(output, 6), 6 + 4 * 4 + 6 * 2 + 3 * kVoiceRecordSize);
  ChannelCounts counts;
  ExpectPlaysBackwards(song, output, counts);
  EXPECT_EQ(counts.looping, 3);
  EXPECT_EQ(counts.stopped, 3);
}

// The game's own songs, when a copy of them lies beside the checkout; they
// are never part of it.
TEST(ReversalPropertyTest, SongsOfTheGamePlayBackwards) {
  const std::filesystem::path folder = QUORLIN_SOURCE_DIR "/../shared/songs";
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no songs in " << folder;
  int songs = 0;
  ChannelCounts counts;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".bin") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const Bytes input = ReadFile(entry.path().string());
    const Bytes output = Reversed(input);
    ExpectPlaysBackwards(input, output, counts);
    ExpectPlaysBackwards(output, Reversed(output), counts);
    ++songs;
  }
  EXPECT_GT(songs, 0);
  EXPECT_GT(counts.joins, 0);
}

}  // namespace
}  // namespace quorlin::testing
