#include "song_generator.h"

#include <algorithm>
#include <array>

#include "format/bytes.h"
#include "format/format.h"

namespace quorlin::testing {
namespace {

constexpr std::uint8_t kRest = kSonic1Driver.notes.rest;

void WriteAddress(Bytes& song, std::size_t at, std::int64_t address) {
  song[at] = static_cast<std::uint8_t>(address & 0xFF);
  song[at + 1] = static_cast<std::uint8_t>(address >> 8 & 0xFF);
}

// A built Sonic 1 song as a Sonic 2 song at `base`: every offset of its
// headers and every relative pointer of its channels (at `pointers` of each
// channel's data) made the address it leads to, low byte first.
Bytes AtSonic2Base(Bytes song, const std::vector<std::vector<std::size_t>>& pointers,
                   std::int64_t base) {
  WriteAddress(song, 0, base + ReadBigEndian16(song, 0));
  std::size_t entry = 6;
  for (std::size_t c = 0; c < pointers.size(); ++c) {
    const std::size_t data = ReadBigEndian16(song, entry);
    WriteAddress(song, entry, base + static_cast<std::int64_t>(data));
    for (const std::size_t p : pointers[c]) {
      const std::size_t at = data + p;
      const auto target =
          static_cast<std::int64_t>(at) + 1 + static_cast<std::int16_t>(ReadBigEndian16(song, at));
      WriteAddress(song, at, base + target);
    }
    entry += c == 0 || c < song[2] ? 4 : 6;
  }
  return song;
}

}  // namespace

int ChannelWriter::NewLabel() {
  labels_.push_back(-1);
  return static_cast<int>(labels_.size()) - 1;
}

void ChannelWriter::Place(int label) { labels_[label] = static_cast<int>(bytes_.size()); }

void ChannelWriter::Emit(std::initializer_list<std::uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void ChannelWriter::PointerTo(int label) {
  fixups_.emplace_back(bytes_.size(), label);
  Emit({0, 0});
}

std::vector<std::size_t> ChannelWriter::Pointers() const {
  std::vector<std::size_t> at;
  for (const auto& fixup : fixups_) at.push_back(fixup.first);
  return at;
}

Bytes ChannelWriter::Finish() {
  for (const auto& [at, label] : fixups_) {
    WriteBigEndian16(bytes_, at, static_cast<std::uint16_t>(labels_[label] - (at + 1)));
  }
  return bytes_;
}

Bytes SongGenerator::Song() {
  SongBuilder builder;
  builder.Divider(static_cast<std::uint8_t>(Pick(1, 2)))
      .Tempo(static_cast<std::uint8_t>(Pick(1, 9)));
  builder.Voices(4);
  // A third of the songs change the global divider in their DAC channel.
  global_dividers_ = Pick(0, 2) == 0;
  in_dac_ = true;
  builder.Dac(Channel());
  in_dac_ = false;
  for (int i = Pick(shape_.min_fm, shape_.max_fm); i > 0; --i)
    builder.Fm(Channel(), Byte(), Byte());
  for (int i = Pick(shape_.min_psg, shape_.max_psg); i > 0; --i)
    builder.Psg(Channel(), Byte(), Byte(), Byte());
  if (!shape_.sonic2_base) return builder.Build();
  return AtSonic2Base(builder.Build(), pointers_, *shape_.sonic2_base);
}

Bytes SongGenerator::Effect() {
  std::vector<std::uint8_t> ids = {0x02, 0x04, 0x05, 0x80, 0xA0, 0xC0, 0xE0};
  std::shuffle(ids.begin(), ids.end(), random_);
  ids.resize(static_cast<std::size_t>(Pick(1, 4)));
  in_effect_ = true;
  std::vector<EffectTrackData> tracks;
  for (const std::uint8_t id : ids) {
    Bytes data = Channel();
    tracks.push_back({id, std::move(data), Byte(), static_cast<std::uint8_t>(Pick(0, 15))});
  }
  in_effect_ = false;
  return quorlin::testing::Effect(tracks, 4);
}

Bytes SongGenerator::Channel() {
  ChannelWriter w;
  subroutine_ = w.NewLabel();
  inner_subroutine_ = w.NewLabel();
  // The first note gives the channel a duration to fall back on.
  w.Emit({Note(), Duration()});
  Items(w, Pick(0, 4), /*loop_depth=*/0, /*sub_level=*/0);
  const int body = w.NewLabel();
  w.Place(body);
  w.Emit({Note(), Duration()});  // a looped body always plays some time
  Items(w, Pick(shape_.min_items, shape_.max_items), 0, 0);
  switch (Pick(0, 3)) {
    case 0:
      w.Emit(0xF2);
      break;
    case 1:
      w.Emit(static_cast<std::uint8_t>(in_effect_ ? std::array{0xF2, 0xEE}[Pick(0, 1)] : 0xE4));
      break;
    default:
      w.Emit(0xF6);
      w.PointerTo(body);
      break;
  }
  w.Place(subroutine_);
  Items(w, Pick(1, 4), 0, 1);
  w.Emit(0xE3);
  w.Place(inner_subroutine_);
  w.Emit({Note(), Duration()});
  Items(w, Pick(0, 3), 0, 2);
  w.Emit(0xE3);
  pointers_.push_back(w.Pointers());
  return w.Finish();
}

void SongGenerator::Items(ChannelWriter& w, int count, int loop_depth, int sub_level) {
  for (int i = 0; i < count; ++i) Item(w, loop_depth, sub_level);
}

void SongGenerator::Item(ChannelWriter& w, int loop_depth, int sub_level) {
  switch (Pick(0, 10)) {
    case 0:
      w.Emit(Note());
      break;  // takes the last duration
    case 1:
      w.Emit(Duration());
      break;  // repeats the last note
    case 2:
      Tie(w);
      break;
    case 3:
    case 4:
      StateFlag(w);
      break;
    case 10:
      // A divider change, then a note that takes the duration read before it.
      w.Emit({in_dac_ && global_dividers_ ? flag::kGlobalTempoDivider : flag::kChannelTempoDivider,
              static_cast<std::uint8_t>(Pick(1, 3)), Note()});
      break;
    case 5:
      // Loops nest two deep at the top; subroutines have indices of their own.
      if (loop_depth < (sub_level == 0 ? shape_.loop_depth : 1)) {
        const int start = w.NewLabel();
        w.Place(start);
        w.Emit({Note(), Duration()});
        Items(w, Pick(0, 3), loop_depth + 1, sub_level);
        int index = sub_level == 0 ? loop_depth : sub_level + 1;
        if (shape_.sonic2_base && sub_level == 0) {
          const int high = Pick(0, 9);
          index += high == 0 ? 8 : high < 4 ? 4 : 0;
        }
        w.Emit({0xF7, static_cast<std::uint8_t>(index),
                static_cast<std::uint8_t>(Pick(1, shape_.max_loop_count))});
        w.PointerTo(start);
        break;
      }
      [[fallthrough]];
    case 6:
      if (sub_level < 2) {
        w.Emit(0xF8);
        w.PointerTo(sub_level == 0 ? subroutine_ : inner_subroutine_);
        break;
      }
      [[fallthrough]];
    default:
      w.Emit({Note(), Duration()});
      break;
  }
}

// Notes joined by E7: chains, with flags between, after a rest, onto a rest
// that holds the sound, after a note that note fill cuts, under note fill
// that stays on (on PSG its counter runs on through the joins), after a note
// of 256 ticks (a duration x divider of 0 in the driver's byte).
void SongGenerator::Tie(ChannelWriter& w) {
  switch (Pick(0, 5)) {
    case 0:
      w.Emit({kRest, Duration()});
      break;
    case 1:
      w.Emit({flag::kNoteTimeout, static_cast<std::uint8_t>(Pick(1, 8)), Note(), Duration(),
              flag::kNoteTimeout, 0x00});
      break;
    case 2:
      w.Emit({flag::kNoteTimeout, static_cast<std::uint8_t>(Pick(1, 0x60)), Note(), Duration()});
      break;
    case 3:
      // The DAC ignores note fill.
      if (!in_dac_) {
        w.Emit({flag::kNoteTimeout, static_cast<std::uint8_t>(Pick(1, 0x60)),
                flag::kChannelTempoDivider, 0x04, Note(), 0x40, flag::kChannelTempoDivider,
                static_cast<std::uint8_t>(Pick(1, 3))});
        break;
      }
      [[fallthrough]];
    default:
      w.Emit({Note(), Duration()});
      break;
  }
  for (int joined = Pick(1, 3); joined > 0; --joined) {
    w.Emit(flag::kNoAttack);
    if (Pick(0, 2) == 0) StateFlag(w);
    w.Emit({Pick(0, 3) == 0 ? kRest : Note(), Duration()});
  }
}

void SongGenerator::StateFlag(ChannelWriter& w) {
  static constexpr std::uint8_t kOneByte[] = {0xE0, 0xE1, 0xE2, 0xE6, 0xE8,
                                              0xE9, 0xEA, 0xEC, 0xF3, 0xF5};
  int kind = Pick(0, 7);
  // No modulation set-up in an effect, nor EE, which stops its track there.
  while (in_effect_ && kind == 2) kind = Pick(0, 7);
  switch (kind) {
    case 0:
      w.Emit({0xEF, static_cast<std::uint8_t>(Pick(0, 3))});
      break;
    case 1:
      w.Emit({in_dac_ && global_dividers_ ? flag::kGlobalTempoDivider : flag::kChannelTempoDivider,
              static_cast<std::uint8_t>(Pick(1, 3))});
      break;
    case 2:
      w.Emit({0xF0, Byte(), Byte(), Byte(), Byte()});
      break;
    case 3:
      w.Emit(Pick(0, 1) ? 0xF1 : 0xF4);
      break;
    case 4:
      if (shape_.sonic2_base) {
        // ED, FA, FB and FC take a byte for Sonic 2.
        const int pick = Pick(0, 5);
        if (pick < 4) {
          w.Emit({static_cast<std::uint8_t>(std::array{0xED, 0xFA, 0xFB, 0xFC}[pick]), Byte()});
        } else {
          w.Emit(pick == 4 ? 0xEE : 0xF9);
        }
        break;
      }
      w.Emit(static_cast<std::uint8_t>(
          std::array{0xED, in_effect_ ? 0xED : 0xEE, 0xF9, 0xF9}[Pick(0, 3)]));
      break;
    default:
      w.Emit({kOneByte[Pick(0, 9)], Byte()});
      break;
  }
}

}  // namespace quorlin::testing
