#include "song_player.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "format/bytes.h"
#include "format/pitch_tables.h"

namespace quorlin::testing {

void PrintTo(const Sound& s, std::ostream* out) {
  *out << std::hex << "note " << int{s.note} << " dur " << s.duration << " div " << s.divider
       << " voice " << int{s.state.voice} << " pan " << int{s.state.pan} << " vol "
       << int{s.state.fm_volume} << "/" << int{s.state.psg_volume} << " tr "
       << int{s.state.transpose} << " mod " << s.state.modulation_on << " fill "
       << int{s.state.timeout} << " fast " << s.state.fast_release << " na " << s.no_attack
       << " pitch " << (s.pitch ? *s.pitch : -1) << " joined " << s.joined << " cut "
       << (s.cut ? *s.cut : -1);
}

namespace {

// The ticks a sound plays: duration x divider, kept in one byte; the driver
// counts 0 down from 256.
int TicksOf(const Sound& s) {
  const int ticks = (s.duration * s.divider) & 0xFF;
  return ticks == 0 ? 256 : ticks;
}

// PSG note fill: a counter set when a note or rest is attacked and by E8,
// counted down in every tick of a sound but its first, that silences the
// channel when it reaches 0, E7 or not. A note after E7 that finds it at 0
// while note fill is on stays silent. A rest is silent.
void ListenPsg(std::vector<Sound>& sounds) {
  std::optional<int> sounding;
  int counter = 0;
  for (Sound& s : sounds) {
    const int ticks = TicksOf(s);
    if (s.fill_set || !s.no_attack) counter = s.state.timeout;
    if (s.note != 0x80 && (s.state.timeout == 0 || counter != 0)) {
      s.joined = s.no_attack && sounding.has_value();
      s.pitch = (s.note + s.state.transpose) & 0x7F;
      sounding = s.pitch;
    } else {
      sounding.reset();
    }
    if (counter > 0 && counter < ticks) {
      if (sounding) s.cut = counter;
      sounding.reset();
      counter = 0;
    } else if (counter > 0) {
      counter -= ticks - 1;
    }
  }
}

// The driver's rules for what E7 does to the sound of FM and PSG channels.
// E7 before a note keeps the note before it keyed on: the note continues
// that sound. On FM note fill keys a note off after that many ticks of it,
// unless E7 spares it; PSG counts it otherwise (ListenPsg). An FM rest after
// E7 holds the sound on, unless modulation is on. Pitches are note plus
// transposition, seven bits of it.
void Listen(std::vector<Sound>& sounds, ChannelKind kind) {
  if (kind == ChannelKind::kDac) return;  // the DAC ignores E7
  if (kind == ChannelKind::kPsg) {
    ListenPsg(sounds);
    return;
  }
  std::optional<int> sounding;
  for (Sound& s : sounds) {
    const bool joinable = s.no_attack && sounding.has_value();
    if (s.note != 0x80) {
      s.joined = joinable;
      s.pitch = (s.note + s.state.transpose) & 0x7F;
      sounding = s.pitch;
      const int ticks = TicksOf(s);
      if (!s.no_attack && s.state.timeout > 0 && s.state.timeout < ticks) {
        s.cut = s.state.timeout;
        sounding.reset();
      }
    } else if (joinable && !s.state.modulation_on) {
      s.joined = true;
      s.pitch = sounding;
    } else {
      sounding.reset();
    }
  }
}

}  // namespace

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
  // A note that never sounds may come back as a rest.
  return forward_state == backwards_state && forward.cut == backwards.cut &&
         forward.pitch == backwards.pitch &&
         (forward.note == backwards.note || (forward.note == 0x80 && forward.joined) ||
          !forward.pitch);
}

namespace {

// The driver's modulation of a note's frequency, frame by frame: the note
// sets its table word plus detune; each later frame, while modulation is on,
// counts the wait down, then every `speed` frames steps the offset by delta
// and writes word + offset, or, its steps used up, reloads them and negates
// delta. An attacked note (and F0) starts the set-up afresh; a tied one
// runs on.
class Modulation {
 public:
  void Load(const std::array<std::uint8_t, 4>& set_up) {
    set_up_ = set_up;
    wait_ = set_up[0], speed_ = set_up[1], delta_ = static_cast<std::int8_t>(set_up[2]);
    steps_ = set_up[3] >> 1, offset_ = 0;
  }

  std::vector<int> Frames(const Sound& s, ChannelKind kind, int ticks) {
    if (!s.no_attack) Load(s.state.modulation);
    if (s.note == 0x80) return {};
    const bool fm = kind == ChannelKind::kFm;
    const std::size_t index =
        fm ? (s.note - 0x80 + s.state.transpose) & 0x7F : (s.note - 0x81 + s.state.transpose) & 0xFF;
    const auto& table = fm ? std::span<const std::uint16_t>(kSonic1Pitch.fm)
                           : std::span<const std::uint16_t>(kSonic1Pitch.psg);
    if (index >= table.size()) return {};
    const int word = table[index] + static_cast<std::int8_t>(s.state.detune);
    std::vector<int> frames(static_cast<std::size_t>(ticks == 0 ? 256 : ticks), word);
    for (std::size_t frame = 1; frame < frames.size(); ++frame) {
      frames[frame] = frames[frame - 1];
      if (!s.state.modulation_on) continue;
      if (wait_ > 0) {
        --wait_;
      } else if (--speed_ == 0) {
        speed_ = set_up_[1];
        if (steps_ == 0) {
          steps_ = set_up_[3];
          delta_ = static_cast<std::int8_t>(-delta_);
        } else {
          --steps_;
          offset_ += delta_;
          frames[frame] = word + offset_;
        }
      }
    }
    return frames;
  }

 private:
  std::array<std::uint8_t, 4> set_up_{};
  int wait_ = 0, steps_ = 0, offset_ = 0;
  std::uint8_t speed_ = 0;
  std::int8_t delta_ = 0;
};

// Whether a note's frames move one way only, and at all.
bool SweepsOneWay(const std::vector<int>& frames) {
  int way = 0;
  for (std::size_t i = 1; i < frames.size(); ++i) {
    const int step = (frames[i] > frames[i - 1]) - (frames[i] < frames[i - 1]);
    if (step != 0 && way != 0 && step != way) return false;
    if (step != 0) way = step;
  }
  return way != 0;
}

// The frames of a playback, a rest's as -1: what is heard from frame to frame.
std::vector<int> Heard(const std::vector<Sound>& sounds) {
  std::vector<int> heard;
  for (const Sound& s : sounds) {
    if (s.frames.empty()) {
      heard.insert(heard.end(), static_cast<std::size_t>(TicksOf(s)), -1);
    } else {
      heard.insert(heard.end(), s.frames.begin(), s.frames.end());
    }
  }
  return heard;
}

// The track's bytes in the driver. Sonic 1: loop counter k at 0x24 + k,
// return addresses of calls four bytes each, growing down from 0x30.
// Sonic 2: loop counter k at 0x20 + k, return addresses two bytes each (an
// address, low byte first), growing down from 0x2A.
struct TrackBytes {
  std::size_t loop_counters, stack_top, entry;
};
constexpr TrackBytes kSonic1Track = {0x24, 0x30, 4};
constexpr TrackBytes kSonic2Track = {0x20, 0x2A, 2};
constexpr std::size_t kTrackSize = 0x30;

}  // namespace

Playback Play(const Bytes& song, ChannelKind kind, PlayerStart start, std::int64_t limit,
              bool until_first_jump, const DividerChanges& changes, DividerChanges* record) {
  Playback out;
  DriverState state = start.state;
  int divider = start.divider;
  std::size_t pc = start.offset;
  std::size_t next_change = 0;
  const Sonic2Base base = start.sonic2_base;
  const TrackBytes memory = base ? kSonic2Track : kSonic1Track;
  std::array<std::uint8_t, kTrackSize> track{};
  std::size_t stack = memory.stack_top;
  std::uint8_t note = 0x80;
  int duration = 0;
  int duration_divider = divider;
  bool no_attack = false;
  bool fill_set = false;
  const auto pointer = [&](std::size_t at) -> std::size_t {
    if (base) return static_cast<std::size_t>((song.at(at) | song.at(at + 1) << 8) - *base);
    return at + 1 + static_cast<std::int16_t>(ReadBigEndian16(song, at));
  };
  Modulation modulation;
  const auto sound = [&] {
    const std::int64_t length = std::int64_t{duration} * 256 * duration_divider;
    int written = duration;
    if (out.time + length > limit) {
      written = duration - static_cast<int>((out.time + length - limit) / (256 * duration_divider));
    }
    out.sounds.push_back(
        {note, written, duration_divider, state, no_attack, fill_set, {}, false, {}, {}});
    if (start.effect) {
      out.sounds.back().frames =
          modulation.Frames(out.sounds.back(), kind, (written * duration_divider) & 0xFF);
    }
    no_attack = false;
    fill_set = false;
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
          if (base) {
            pc = static_cast<std::size_t>((track.at(stack) | track.at(stack + 1) << 8) - *base);
          } else {
            pc = static_cast<std::size_t>(track.at(stack)) << 24 | track.at(stack + 1) << 16 |
                 track.at(stack + 2) << 8 | track.at(stack + 3);
          }
          stack += memory.entry;
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
          // Sonic 2 changes a PSG channel's volume with it too.
          (base && kind == ChannelKind::kPsg ? state.psg_volume : state.fm_volume) += song.at(pc++);
          break;
        case 0xE7:
          no_attack = true;
          break;
        case 0xE8:
          state.timeout = song.at(pc++);
          fill_set = true;
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
          // Setting modulation up switches it on too, and starts it afresh.
          for (auto& m : state.modulation) m = song.at(pc++);
          state.modulation_on = true;
          modulation.Load(state.modulation);
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
          out.highest_loop_index = std::max<int>(out.highest_loop_index, index);
          std::uint8_t& counter = track.at(memory.loop_counters + index);
          if (counter == 0) counter = song.at(pc + 1);  // 0 plays 256 times
          pc = --counter != 0 ? pointer(pc + 2) : pc + 4;
          break;
        }
        case 0xF8: {
          const std::size_t back = pc + 2;
          stack -= memory.entry;
          if (base) {
            const std::int64_t address = *base + static_cast<std::int64_t>(back);
            track.at(stack) = static_cast<std::uint8_t>(address & 0xFF);
            track.at(stack + 1) = static_cast<std::uint8_t>(address >> 8);
          } else {
            for (int i = 0; i < 4; ++i)
              track.at(stack + i) = static_cast<std::uint8_t>(back >> (24 - 8 * i));
          }
          out.deepest_call = std::max<int>(
              out.deepest_call, static_cast<int>((memory.stack_top - stack) / memory.entry));
          pc = pointer(pc);
          break;
        }
        case 0xF9:
          // Fast release of the voice loaded last; on the PSG and the DAC
          // it has nothing to act on.
          if (kind == ChannelKind::kFm) state.fast_release = true;
          break;
        case 0xEE:
          if (start.effect) {
            out.stopped = true;
            Listen(out.sounds, kind);
            return out;
          }
          break;  // in songs EE changes nothing that sounds
        case 0xFA:
        case 0xFB:
          // Sonic 2 reads FA-FF with the pan flag's code: FA and FB set
          // the pan, FC does nothing; each takes a byte.
          if (base) state.pan = song.at(pc++);
          break;
        case 0xED:
        case 0xFC:
          if (base) ++pc;  // Sonic 2 skips the byte behind it
          break;
        default:
          break;
      }
    }
  }
  Listen(out.sounds, kind);
  return out;
}

std::vector<ChannelStart> ChannelsOf(const Bytes& song, Sonic2Base sonic2_base) {
  std::vector<ChannelStart> channels;
  std::size_t at = 6;
  for (int i = 0; i < song[2] + song[3]; ++i) {
    const ChannelKind kind = i == 0        ? ChannelKind::kDac
                             : i < song[2] ? ChannelKind::kFm
                                           : ChannelKind::kPsg;
    const std::size_t offset =
        sonic2_base ? static_cast<std::size_t>((song[at] | song[at + 1] << 8) - *sonic2_base)
                    : ReadBigEndian16(song, at);
    ChannelStart c{kind, offset, 0, 0, 0, sonic2_base};
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

PlayerStart StartOf(const Bytes& song, const ChannelStart& c) {
  PlayerStart start{c.offset, {}, song[4], c.sonic2_base};
  start.state.tempo = song[5];
  start.state.transpose = c.transpose;
  (c.kind == ChannelKind::kPsg ? start.state.psg_volume : start.state.fm_volume) = c.volume;
  start.state.psg_voice = c.psg_voice;
  return start;
}

namespace {

struct Track {
  ChannelKind kind;
  PlayerStart start;
};

std::vector<Track> SongTracks(const Bytes& song, Sonic2Base sonic2_base) {
  std::vector<Track> tracks;
  for (const ChannelStart& c : ChannelsOf(song, sonic2_base)) {
    tracks.push_back({c.kind, StartOf(song, c)});
  }
  return tracks;
}

// An effect's tracks from its header: divider at byte 2, 6-byte entries from
// byte 4 (flags, channel id, data offset, transposition, volume).
std::vector<Track> EffectTracks(const Bytes& effect) {
  std::vector<Track> tracks;
  for (int i = 0; i < effect[3]; ++i) {
    const std::size_t at = 4 + 6 * static_cast<std::size_t>(i);
    const std::uint8_t id = effect[at + 1];
    const ChannelKind kind = id < 0x80 ? ChannelKind::kFm : ChannelKind::kPsg;
    PlayerStart start{ReadBigEndian16(effect, at + 2), {}, effect[2], {}, /*effect=*/true};
    start.state.transpose = effect[at + 4];
    (kind == ChannelKind::kPsg ? start.state.psg_volume : start.state.fm_volume) = effect[at + 5];
    tracks.push_back({kind, start});
  }
  return tracks;
}

// The body of ExpectPlaysBackwards and ExpectEffectPlaysBackwards. With
// `cut_stops`, a reversed channel stops even where the input's loops.
void ExpectTracksPlayBackwards(const Bytes& input, const std::vector<Track>& in_channels,
                               const Bytes& output, const std::vector<Track>& out_channels,
                               bool cut_stops, ChannelCounts& counts) {
  ASSERT_EQ(in_channels.size(), out_channels.size());
  // The reversed song, each channel once through; the DAC channel first, as
  // its divider changes time the others.
  std::vector<Playback> reversed;
  DividerChanges reversed_changes;
  for (const Track& c : out_channels) {
    reversed.push_back(Play(output, c.kind, c.start, INT64_MAX, true, reversed_changes,
                            reversed.empty() ? &reversed_changes : nullptr));
  }
  const auto [shortest, longest] = std::minmax_element(
      reversed.begin(), reversed.end(), [](auto& a, auto& b) { return a.time < b.time; });
  DividerChanges changes;
  if (in_channels[0].kind == ChannelKind::kDac) {
    Play(input, ChannelKind::kDac, in_channels[0].start, longest->time, false, {}, &changes);
  }
  for (std::size_t c = 0; c < in_channels.size(); ++c) {
    SCOPED_TRACE("channel " + std::to_string(c));
    const ChannelKind kind = in_channels[c].kind;
    const PlayerStart in_start = in_channels[c].start;
    const Playback forward = Play(input, kind, in_start, reversed[c].time, false, changes);
    if (std::any_of(forward.sounds.begin(), forward.sounds.end(),
                    [](const Sound& s) { return SweepsOneWay(s.frames); })) {
      // An effect's sweep is written anew backwards: what is heard, frame by
      // frame, is what the input sounds, backwards, behind the rests that
      // line the track up.
      const std::vector<int> ahead = Heard(forward.sounds);
      std::vector<int> back = Heard(reversed[c].sounds);
      std::reverse(back.begin(), back.end());
      ASSERT_GE(back.size(), ahead.size());
      EXPECT_TRUE(std::all_of(back.begin() + static_cast<std::ptrdiff_t>(ahead.size()),
                              back.end(), [](int frame) { return frame == -1; }));
      back.resize(ahead.size());
      EXPECT_EQ(back, ahead);
      ++counts.sweeps;
      continue;
    }
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
    // joined to it, unless note fill cuts the note (PSG): backwards it is
    // cut before that one starts. Nothing is joined across the reversed
    // channel's end.
    for (std::size_t k = 0; k < backwards.size(); ++k) {
      const bool joined_forward = k + 1 < forward.sounds.size() && forward.sounds[k + 1].joined &&
                                  !forward.sounds[k + 1].cut;
      ASSERT_EQ(backwards[k].joined, joined_forward)
          << "join of sounds " << k << " and " << k + 1 << "; forward "
          << ::testing::PrintToString(forward.sounds[k]) << " then "
          << (k + 1 < forward.sounds.size() ? ::testing::PrintToString(forward.sounds[k + 1])
                                            : "nothing")
          << "; backwards " << ::testing::PrintToString(backwards[k]);
      counts.joins += joined_forward;
    }
    if (cut_stops && !forward.stopped) {
      EXPECT_TRUE(reversed[c].stopped);
      ++counts.looping;
    } else if (reversed[c].stopped) {
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
  // duration unit, a filled one stop short by less than one (dividers of
  // up to 4).
  EXPECT_LT(longest->time - shortest->time, 2 * 256 * 4);
}

}  // namespace

void ExpectPlaysBackwards(const Bytes& input, const Bytes& output, ChannelCounts& counts,
                          Sonic2Base sonic2_base) {
  ExpectTracksPlayBackwards(input, SongTracks(input, sonic2_base), output,
                            SongTracks(output, sonic2_base), false, counts);
}

void ExpectEffectPlaysBackwards(const Bytes& input, const Bytes& output, ChannelCounts& counts) {
  ExpectTracksPlayBackwards(input, EffectTracks(input), output, EffectTracks(output), true, counts);
}

}  // namespace quorlin::testing
