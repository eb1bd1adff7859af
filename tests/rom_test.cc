// Game images: the music table found by its content, every song reversed
// into a copy of the image, its header sealed anew.
#include <gtest/gtest.h>

#include "format/bytes.h"
#include "format/track_error.h"
#include "rom/reverse_rom.h"
#include "rom/rom_image.h"
#include "song_builder.h"
#include "song_generator.h"
#include "song_player.h"

namespace quorlin::testing {
namespace {

// Songs of our own, each converting.
Bytes GameSong(unsigned number) { return SongGenerator(number).Song(); }

std::vector<Bytes> Songs(int count) {
  std::vector<Bytes> songs;
  for (int i = 1; i <= count; ++i) songs.push_back(GameSong(static_cast<unsigned>(i)));
  return songs;
}

std::vector<int> Each(int count) {
  std::vector<int> entries;
  for (int i = 0; i < count; ++i) entries.push_back(i);
  return entries;
}

// The song an entry of a table leads to, to the image's end.
Bytes SongAt(const Bytes& rom, std::size_t table_at, std::size_t entry) {
  return Bytes(rom.begin() + ReadBigEndian32(rom, table_at + 4 * entry), rom.end());
}

TEST(RomTest, TableFoundAnywhereAndEverySongReversed) {
  for (const std::size_t table_at : {std::size_t{0x0800}, std::size_t{0x1B00A}}) {
    SCOPED_TRACE(table_at);
    const Bytes rom = GameImage(table_at, Songs(10), Each(10));
    const ReversedRom reversed = ReverseRom(kSonic1Driver, rom);
    EXPECT_EQ(reversed.table.offset, table_at);
    EXPECT_EQ(reversed.reversed, 10);
    for (std::size_t i = 0; i < 10; ++i) {
      SCOPED_TRACE(i);
      // Each entry leads to the reversal of its song, which plays it backwards.
      ChannelCounts counts;
      ExpectPlaysBackwards(SongAt(rom, table_at, i), SongAt(reversed.image, table_at, i), counts);
    }
  }
}

TEST(RomTest, LongestRunOfSongsIsTheTable) {
  // Eight entries at 0x0800, twelve at 0x0A00.
  Bytes rom = GameImage(0x0A00, Songs(12), Each(12));
  const Bytes eight = GameImage(0x0800, Songs(12), Each(8));
  std::copy(eight.begin() + 0x800, eight.begin() + 0x820, rom.begin() + 0x800);
  EXPECT_EQ(ReverseRom(kSonic1Driver, rom).table.offset, 0x0A00u);
}

TEST(RomTest, SongThatFailsKeepsItsEntryAndSharedEntriesShareTheReversal) {
  std::vector<Bytes> songs = Songs(9);
  // Song 3 returns without a call in its DAC channel: the tool refuses it.
  songs[3] = SongBuilder().Dac(Hex("81 0C E3")).Build();
  const Bytes rom = GameImage(0x0800, songs, {0, 1, 2, 3, 4, 5, 6, 7, 8, 1});
  const ReversedRom reversed = ReverseRom(kSonic1Driver, rom);
  ASSERT_EQ(reversed.songs.size(), 10u);
  EXPECT_EQ(reversed.reversed, 9);
  EXPECT_EQ(reversed.songs[3].error, "DAC returns at offset 0x000C without a call");
  EXPECT_EQ(ReadBigEndian32(reversed.image, 0x800 + 4 * 3), ReadBigEndian32(rom, 0x800 + 4 * 3));
  EXPECT_EQ(reversed.songs[9].same_as, 0x82);
  EXPECT_EQ(ReadBigEndian32(reversed.image, 0x800 + 4 * 9),
            ReadBigEndian32(reversed.image, 0x800 + 4 * 1));
}

TEST(RomTest, HeaderGetsTheNewLastAddressAndChecksum) {
  const ReversedRom reversed = ReverseRom(kSonic1Driver, GameImage(0x0800, Songs(8), Each(8)));
  const Bytes& image = reversed.image;
  EXPECT_EQ(ReadBigEndian32(image, 0x1A4), image.size() - 1);
  std::uint16_t sum = 0;
  for (std::size_t at = 0x200; at + 1 < image.size(); at += 2) {
    sum = static_cast<std::uint16_t>(sum + (image[at] << 8) + image[at + 1]);
  }
  EXPECT_EQ(ReadBigEndian16(image, 0x18E), sum);
}

TEST(RomTest, ReversedTwiceItPlaysAsTheOriginal) {
  const Bytes rom = GameImage(0x0800, Songs(8), Each(8));
  const Bytes once = ReverseRom(kSonic1Driver, rom).image;
  const Bytes twice = ReverseRom(kSonic1Driver, once).image;
  for (std::size_t i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    ChannelCounts counts;
    ExpectPlaysBackwards(SongAt(once, 0x800, i), SongAt(twice, 0x800, i), counts);
  }
}

struct RefusedRomCase {
  const char* name;
  Bytes rom;
  const char* error;
};

void PrintTo(const RefusedRomCase& c, std::ostream* out) { *out << c.name; }

class RefusedRomTest : public ::testing::TestWithParam<RefusedRomCase> {};

TEST_P(RefusedRomTest, GetsOneError) {
  EXPECT_EQ(TrackErrorOf([&] { ReverseRom(kSonic1Driver, GetParam().rom); }), GetParam().error);
}

// A full 4 MiB image: no room for the reversals behind its last byte.
Bytes FullCartridge() {
  Bytes rom = GameImage(0x0800, Songs(8), Each(8), 4 << 20);
  rom.back() = 0x55;
  return rom;
}

INSTANTIATE_TEST_SUITE_P(
    Roms, RefusedRomTest,
    ::testing::Values(
        RefusedRomCase{"OnlyLooksLikeARom", GameImage(0x0800, Songs(7), Each(7)),
                       "no Sonic 1 music table found in this ROM"},
        RefusedRomCase{"OutgrowsTheCartridge", FullCartridge(),
                       "with its reversed songs the ROM would outgrow the 4 MiB of a cartridge"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RomImageTest, OtherDumpFormsAreToldApart) {
  const Bytes rom = GameImage(0x0800, Songs(8), Each(8));
  EXPECT_TRUE(IsMegaDriveRom(rom));
  EXPECT_FALSE(OtherDumpForm(rom));
  Bytes headered(512, 0);
  headered.insert(headered.end(), rom.begin(), rom.end());
  EXPECT_EQ(OtherDumpForm(headered).value_or("").substr(0, 36),
            "a ROM behind a 512-byte copier heade");
  headered[8] = 0xAA;
  headered[9] = 0xBB;
  EXPECT_EQ(OtherDumpForm(headered).value_or("").substr(0, 12), "an SMD dump ");
  Bytes halves(rom.size());
  for (std::size_t i = 0; i < rom.size(); ++i) {
    halves[(i % 2 == 1 ? 0 : rom.size() / 2) + i / 2] = rom[i];
  }
  EXPECT_EQ(OtherDumpForm(halves).value_or("").substr(0, 12), "an MGD dump ");
}

}  // namespace
}  // namespace quorlin::testing
