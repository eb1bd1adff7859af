#include "track_set.h"

#include <array>
#include <cstdio>

#include "format/bytes.h"
#include "smps2asm/writer.h"
#include "song_generator.h"

namespace quorlin::bench {
namespace {

using testing::Bytes;
using testing::Hex;
using testing::SharedDataSong;

// Four nested loops of 256 around nothing: 2^32 steps if nothing stopped them.
const Bytes kNestedZeroLoops =
    Hex("F7 00 00 FF FC F7 01 00 FF F7 F7 02 00 FF F2 F7 03 00 FF ED F2");
// 150 x 100 notes: a list of 30,001 bytes, close to what a channel holds.
const Bytes kLongList = Hex("81 01 F7 00 96 FF FA F7 01 64 FF F5 F2");

}  // namespace

std::vector<NamedTrack> OrdinarySongs() {
  // The sizes of the 19 songs of the game, smallest 206 bytes, largest 4,813.
  constexpr std::array<std::size_t, 19> kSizes = {1896, 1104, 1118, 1133, 1099, 1360, 486,
                                                  237,  812,  428,  666,  539,  540,  341,
                                                  335,  349,  4813, 298,  206};
  std::vector<NamedTrack> songs;
  unsigned number = 1;
  for (const std::size_t size : kSizes) {
    // Of songs with longer and longer bodies, the one closest to the size;
    // loops of two or three plays, as in the game's songs, are rarely nested.
    testing::Bytes closest;
    const auto distance = [size](const testing::Bytes& song) {
      return song.size() > size ? song.size() - size : size - song.size();
    };
    for (int tries = 0; tries < 20 && (closest.empty() || distance(closest) * 10 > size); ++tries) {
      for (int items = 1; items <= 300; items += 1 + items / 8) {
        const testing::SongShape shape{4, 6, 1, 3, 1, items, 1, 3, {}};
        testing::Bytes song = testing::SongGenerator(number, shape).Song();
        if (closest.empty() || distance(song) < distance(closest)) closest = song;
        if (song.size() > size) break;
      }
      ++number;
    }
    char name[16];
    std::snprintf(name, sizeof name, "song_%02zu", songs.size() + 1);
    songs.push_back({name, std::move(closest)});
  }
  return songs;
}

namespace {

// The Sonic 1 song layout the crafted images are written in.
constexpr std::size_t kSongHeaderSize = kSonic1Driver.song_header.size;
constexpr std::size_t kFmHeaderSize = kSonic1Driver.Entry(ChannelKind::kFm).size;
constexpr std::size_t kPsgHeaderSize = kSonic1Driver.Entry(ChannelKind::kPsg).size;

// An image of `size` bytes filled with 0xFF, marked as a Mega Drive game,
// its last address set.
Bytes BlankRom(std::size_t size) {
  Bytes rom(size, 0xFF);
  const std::string name = "SEGA MEGA DRIVE ";
  std::copy(name.begin(), name.end(), rom.begin() + 0x100);
  WriteBigEndian32(rom, 0x1A4, static_cast<std::uint32_t>(size - 1));
  return rom;
}

// Lays the 19 ordinary songs out from `at`, their table at `table`; returns
// where the songs end.
std::size_t PlaceOrdinarySongs(Bytes& rom, std::size_t table, std::size_t at) {
  const auto songs = OrdinarySongs();
  for (std::size_t i = 0; i < songs.size(); ++i) {
    WriteBigEndian32(rom, table + 4 * i, static_cast<std::uint32_t>(at));
    std::copy(songs[i].bytes.begin(), songs[i].bytes.end(),
              rom.begin() + static_cast<std::ptrdiff_t>(at));
    at = (at + songs[i].bytes.size() + 1) & ~std::size_t{1};
  }
  return at;
}

// See CraftedRoms: `fm` channels (the DAC among them) and `psg` in each
// song; entries in runs of `run`, or one run.
NamedTrack CraftedRom(std::string name, std::size_t size, int fm, int psg, std::size_t run) {
  Bytes rom = BlankRom(size);
  const std::size_t songs_end = PlaceOrdinarySongs(rom, 0x800, 0x1000);
  // The songs of the second half in blocks of 64 KiB: headers from each
  // block's start, the data they all play at its end.
  const Bytes data = Hex("81 01 F7 00 96 FF FA F7 01 64 FF F5 F6 FF F2");
  const std::size_t header_size =
      std::size_t{kSongHeaderSize} + kFmHeaderSize * fm + kPsgHeaderSize * psg;
  std::vector<std::uint32_t> headers;
  for (std::size_t block = size / 2; block < size; block += 0x10000) {
    const std::size_t data_at = block + 0x10000 - 64;
    std::copy(data.begin(), data.end(), rom.begin() + static_cast<std::ptrdiff_t>(data_at));
    for (std::size_t at = block; at + header_size <= data_at; at += (header_size + 1) & ~1u) {
      headers.push_back(static_cast<std::uint32_t>(at));
      const auto to_data = static_cast<std::uint16_t>(data_at - at);
      WriteBigEndian16(rom, at, to_data);  // the voice table: never read
      rom[at + 2] = static_cast<std::uint8_t>(fm);
      rom[at + 3] = static_cast<std::uint8_t>(psg);
      rom[at + 4] = 1;
      rom[at + 5] = 3;
      for (std::size_t channel = at + kSongHeaderSize; channel < at + header_size;) {
        const bool is_fm = channel < at + kSongHeaderSize + kFmHeaderSize * fm;
        WriteBigEndian16(rom, channel, to_data);
        std::fill_n(rom.begin() + static_cast<std::ptrdiff_t>(channel + 2),
                    (is_fm ? kFmHeaderSize : kPsgHeaderSize) - 2, 0);
        channel += is_fm ? kFmHeaderSize : kPsgHeaderSize;
      }
    }
  }
  // The entries, each leading to another header, from behind the ordinary
  // songs to the middle of the image.
  std::size_t next = 0;
  for (std::size_t at = (songs_end + 0xFF) & ~std::size_t{0xFF}, i = 1; at + 4 <= size / 2;
       at += 4, ++i) {
    const bool gap = run != 0 && i % (run + 1) == 0;
    WriteBigEndian32(rom, at, gap ? 0 : headers[next++ % headers.size()]);
  }
  return {std::move(name), std::move(rom)};
}

}  // namespace

NamedTrack GameRom() {
  Bytes rom = BlankRom(512 << 10);
  std::uint32_t state = 1;
  for (std::size_t at = 0x200; at < 0x70000; ++at) {
    state = state * 1664525 + 1013904223;
    rom[at] = static_cast<std::uint8_t>(state >> 24);
  }
  PlaceOrdinarySongs(rom, 0x71A9C, 0x71B00);
  return {"game_rom", std::move(rom)};
}

std::vector<NamedTrack> CraftedRoms() {
  std::vector<NamedTrack> roms;
  roms.push_back(CraftedRom("crafted_rom_128k", 128 << 10, 1, 0, 0));
  roms.push_back(CraftedRom("crafted_rom_3_75m", 15 << 18, 1, 0, 0));
  roms.push_back(CraftedRom("crafted_rom_3_75m_runs_of_127", 15 << 18, 7, 3, 127));
  return roms;
}

NamedTrack LargeSource() {
  // Each channel: voice 199, then runs of eight notes, and a jump back.
  Bytes channel = Hex("EF C7");
  for (int run = 0; run < 150; ++run) {
    for (int note = 0; note < 8; ++note) {
      channel.push_back(static_cast<std::uint8_t>(0xA1 + (run + note) % 24));
      channel.push_back(0x06);
    }
  }
  channel.insert(channel.end(), {0xF6, 0x00, 0x00});
  const std::size_t jump_at = channel.size() - 2;
  WriteBigEndian16(channel, jump_at, static_cast<std::uint16_t>(-static_cast<int>(jump_at + 1)));
  testing::SongBuilder song;
  song.Dac(channel).Voices(200);
  for (int i = 0; i < 5; ++i) song.Fm(channel);
  for (int i = 0; i < 3; ++i) song.Psg(channel);
  const std::string source =
      WriteSource(kSonic1Driver, song.Build(), "Large", "a song of 5,000 lines");
  return {"large_source", Bytes(source.begin(), source.end())};
}

std::vector<NamedTrack> StressTracks(const std::string& examples_folder) {
  std::vector<NamedTrack> set;
  set.push_back({"example_sunrise", testing::ReadFile(examples_folder + "/sunrise.bin")});
  {
    // An ordinary full song: DAC, 5 FM, 3 PSG, each with its own looping part.
    testing::SongBuilder song;
    song.Dac(Hex("81 0C 82 0C 81 06 81 06 82 0C F7 00 08 FF F3 F6 FF F0"));
    for (int i = 0; i < 5; ++i) {
      song.Fm(Hex("EF 01 E0 C0 A1 18 A3 0C A5 0C F7 00 04 FF F6 E6 02 A8 30 E6 FE F6 FF E9"), 2, 4);
    }
    for (int i = 0; i < 3; ++i) song.Psg(Hex("C5 06 C8 06 EC 01 CA 0C EC FF F6 FF F3"), 0, 2, 1);
    set.push_back({"ordinary_9_channels", song.Voices(2).Build()});
  }
  set.push_back({"ordinary_510_channels", SharedDataSong(254, 255, Hex("81 0C 82 0C F6 FF FA"))});
  set.push_back({"nested_zero_loops", SharedDataSong(0, 0, kNestedZeroLoops)});
  set.push_back({"nested_zero_loops_510_channels", SharedDataSong(254, 255, kNestedZeroLoops)});
  set.push_back({"jump_onto_itself_510_channels", SharedDataSong(254, 255, Hex("F6 FF FE"))});
  {
    testing::SongBuilder song;
    song.Dac(Hex("81 7F F2"));
    for (int i = 0; i < 254; ++i) song.Fm(Hex("E0 40 F6 FF FC"));  // loops that add no time
    set.push_back({"loop_without_time_255_channels", song.Build()});
  }
  {
    testing::SongBuilder song;
    song.Dac(Hex("81 7F F2"));
    for (int i = 0; i < 254; ++i) song.Fm(Hex("E5 00 81 0C F6 FF FA"));  // divider 0
    set.push_back({"divider_zero_255_channels", song.Build()});
  }
  {
    // Every FM and PSG channel jumps back and forth through four nested loops
    // that play nothing: 2^32 states without time, so no state repeats soon.
    const Bytes idle =
        Hex("F6 00 03 F2 F2 F7 00 00 FF F7 F7 01 00 FF F2 F7 02 00 FF ED "
            "F7 03 00 FF E8 F2");
    testing::SongBuilder song;
    song.Dac(Hex("81 7F F2"));
    for (int i = 0; i < 254; ++i) song.Fm(idle);
    for (int i = 0; i < 255; ++i) song.Psg(idle);
    set.push_back({"idle_loops_behind_jumps_510_channels", song.Build()});
  }
  set.push_back({"song_divider_zero_510_channels",
                 SharedDataSong(254, 255, Hex("81 0C F6 FF FC"), /*divider=*/0)});
  {
    // The DAC plays 64 notes of 127 units at divider 255; every other channel
    // stops at once and is filled with close to 32,766 bytes of rests.
    testing::SongBuilder song;
    song.Dac(Hex("E5 FF 81 7F F7 00 40 FF FB F2"));
    for (int i = 0; i < 254; ++i) song.Fm(Hex("F2"));
    for (int i = 0; i < 255; ++i) song.Psg(Hex("F2"));
    set.push_back({"fill_rests_510_channels", song.Build()});
  }
  set.push_back({"long_lists_3_channels", SharedDataSong(2, 0, kLongList)});
  set.push_back({"long_lists_510_channels", SharedDataSong(254, 255, kLongList)});
  return set;
}

}  // namespace quorlin::bench
