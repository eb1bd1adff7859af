// Game images: the music table found by its content, every song reversed
// into a copy of the image, its header sealed anew.
#include <gtest/gtest.h>

#include <sstream>

#include "format/bytes.h"
#include "format/sonic1_effects.h"
#include "format/track_error.h"
#include "frontend/rom_report.h"
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

TEST(RomTest, EffectTablesFoundAndEveryEffectReversedBehindTheImage) {
  // 48 normal entries over three effects, then one special entry.
  const std::vector<Bytes> effects = {
      Effect({{0x80, Hex("F5 01 A1 04 EC 02 A5 06 F2"), 0xF4, 0x02}}),
      Effect({{0x05, Hex("EF 00 A1 06 F2")}, {0xC0, Hex("B1 02 F2")}}, 1),
      Effect({{0x80, Hex("A1 02 E3")}}),  // returns without a call: refused
      Effect({{0x04, Hex("EF 00 A1 05 80 01 EE")}}, 1)};
  Bytes rom = GameImage(0x0800, Songs(8), Each(8));
  constexpr std::size_t kTableAt = 0x0F02, kEffectsAt = 0x10000;
  std::vector<std::uint32_t> addresses;
  std::size_t at = kEffectsAt;
  for (const Bytes& effect : effects) {
    addresses.push_back(static_cast<std::uint32_t>(at));
    std::copy(effect.begin(), effect.end(), rom.begin() + static_cast<std::ptrdiff_t>(at));
    at += (effect.size() + 1) & ~std::size_t{1};
  }
  for (std::size_t i = 0; i < 49; ++i) {
    WriteBigEndian32(rom, kTableAt + 4 * i, addresses[i == 48 ? 3 : i % 3]);
  }
  const ReversedRom reversed = ReverseRom(kSonic1Driver, rom, {}, &kSonic1Effects);
  ASSERT_TRUE(reversed.effect_table);
  EXPECT_EQ(reversed.effect_table->offset, kTableAt);
  EXPECT_EQ(reversed.effect_table->normal_count, 48u);
  ASSERT_EQ(reversed.effects.size(), 49u);
  EXPECT_EQ(reversed.effects[48].id, 0xD0);
  EXPECT_EQ(reversed.effects_reversed, 33);  // all but the 16 entries of the refused one
  EXPECT_EQ(reversed.effects[2].error, "PSG1 returns at offset 0x000C without a call");
  EXPECT_EQ(reversed.effects[4].same_as, 0xA1);
  // The report: the tables, and a line for the effect that failed.
  RomRun run;
  run.size = rom.size();
  run.reversed = reversed;
  std::ostringstream report;
  PrintRomReport(run, report);
  EXPECT_NE(report.str().find("    ROM; effect table at 0x000F02, 48 effects\n"
                              "    ROM; special effect table at 0x000FC2, 1 effect\n"
                              "    Error; effect A2 at 0x010046: PSG1 returns at offset 0x000C "
                              "without a call\n"
                              "    Error; effect A5 at 0x010046: the same effect as A2, not "
                              "reversed either\n"),
            std::string::npos)
      << report.str();
  EXPECT_NE(report.str().find("    ROM; 8 of 8 songs reversed, 33 of 49 effects, 131072 bytes"),
            std::string::npos);
  for (const std::size_t entry : {0, 1, 2, 47, 48}) {
    SCOPED_TRACE(entry);
    const std::uint32_t address = ReadBigEndian32(reversed.image, kTableAt + 4 * entry);
    const Bytes& effect = effects[entry == 48 ? 3 : entry % 3];
    if (entry % 3 == 2 && entry != 48) {
      EXPECT_EQ(address, ReadBigEndian32(rom, kTableAt + 4 * entry));  // kept
      continue;
    }
    EXPECT_GE(address, rom.size());
    EXPECT_EQ(address % 2, 0u);
    const Bytes reversal = ReversedEffect(effect, /*compact=*/true);
    EXPECT_EQ(ToHex(Bytes(reversed.image.begin() + address,
                          reversed.image.begin() + address + reversal.size())),
              ToHex(reversal));
  }
}

TEST(RomTest, EffectEntriesReadAcrossTheMusicTableAreNoTable) {
  // Nine entries of a song at 0x020020; read from 0x0802 on, their halves
  // make eight entries of 0x00200002, where an effect lies.
  Bytes rom = GameImage(0x0800, {}, {}, (2 << 20) + 0x1000);
  const Bytes song = GameSong(1), effect = Effect({{0x80, Hex("A1 02 F2")}});
  std::copy(song.begin(), song.end(), rom.begin() + 0x20020);
  std::copy(effect.begin(), effect.end(), rom.begin() + 0x200002);
  for (std::size_t i = 0; i < 9; ++i) WriteBigEndian32(rom, 0x0800 + 4 * i, 0x20020);
  const ReversedRom reversed = ReverseRom(kSonic1Driver, rom, {}, &kSonic1Effects);
  EXPECT_FALSE(reversed.effect_table);
  for (std::size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(ReadBigEndian32(reversed.image, 0x0800 + 4 * i), rom.size());  // the reversal
  }
}

TEST(RomTest, LongestRunOfSongsIsTheTable) {
  // Eight entries at 0x0800, twelve at 0x0A00.
  Bytes rom = GameImage(0x0A00, Songs(12), Each(12));
  const Bytes eight = GameImage(0x0800, Songs(12), Each(8));
  std::copy(eight.begin() + 0x800, eight.begin() + 0x820, rom.begin() + 0x800);
  EXPECT_EQ(ReverseRom(kSonic1Driver, rom).table.offset, 0x0A00u);
}

TEST(RomTest, SongsThatFailKeepTheirEntriesEvenAtTheEndsAndSharedEntriesShareTheReversal) {
  std::vector<Bytes> songs = Songs(9);
  // The first and the last entry's songs return without a call in their DAC
  // channel: the tool refuses them, and the table still runs from 81 to 8A.
  songs[0] = SongBuilder().Dac(Hex("81 0C E3")).Build();
  songs[8] = songs[0];
  const Bytes rom = GameImage(0x0800, songs, {0, 1, 2, 3, 4, 5, 6, 7, 1, 8});
  const ReversedRom reversed = ReverseRom(kSonic1Driver, rom);
  EXPECT_EQ(reversed.table.offset, 0x800u);
  ASSERT_EQ(reversed.songs.size(), 10u);
  EXPECT_EQ(reversed.reversed, 8);
  for (const std::size_t failed : {0, 9}) {
    EXPECT_EQ(reversed.songs[failed].number, 0x81 + static_cast<int>(failed));
    EXPECT_EQ(reversed.songs[failed].error, "DAC returns at offset 0x000C without a call");
    EXPECT_EQ(ReadBigEndian32(reversed.image, 0x800 + 4 * failed),
              ReadBigEndian32(rom, 0x800 + 4 * failed));
  }
  EXPECT_EQ(reversed.songs[8].same_as, 0x82);
  EXPECT_EQ(ReadBigEndian32(reversed.image, 0x800 + 4 * 8),
            ReadBigEndian32(reversed.image, 0x800 + 4 * 1));
}

TEST(RomTest, ReversalsFollowTheLastByteAndOnlyEntriesAndHeaderChange) {
  // An odd-sized image whose last 32 bytes are data ending in zeros.
  Bytes rom = GameImage(0x0800, Songs(8), Each(8), (128 << 10) + 1);
  for (std::size_t i = 0; i < 32; ++i) rom[rom.size() - 32 + i] = i < 16 ? 0x11 : 0x00;
  const ReversedRom reversed = ReverseRom(kSonic1Driver, rom);
  const Bytes& image = reversed.image;
  EXPECT_EQ(ReadBigEndian32(image, 0x800), rom.size() + 1);  // the first even address behind it
  const auto changes = [&](std::size_t at) {
    return (at >= 0x800 && at < 0x800 + 4 * 8) || at == 0x18E || at == 0x18F ||
           (at >= 0x1A4 && at < 0x1A8);
  };
  for (std::size_t at = 0; at < rom.size(); ++at) {
    if (!changes(at)) {
      ASSERT_EQ(image[at], rom[at]) << "byte " << at;
    }
  }
  EXPECT_EQ(ReadBigEndian32(image, 0x1A4), image.size() - 1);
  std::uint16_t sum = 0;
  for (std::size_t at = 0x200; at + 1 < image.size(); at += 2) {
    sum = static_cast<std::uint16_t>(sum + (image[at] << 8) + image[at + 1]);
  }
  EXPECT_EQ(ReadBigEndian16(image, 0x18E), sum);
}

TEST(RomTest, TableHoldsAtMost127Songs) {
  // Songs 81-FF, two songs taking turns; one entry more is no table.
  const auto entries = [](int count) {
    std::vector<int> entries;
    for (int i = 0; i < count; ++i) entries.push_back(i % 2);
    return entries;
  };
  const ReversedRom reversed = ReverseRom(kSonic1Driver, GameImage(0x0800, Songs(2), entries(127)));
  ASSERT_EQ(reversed.songs.size(), 127u);
  EXPECT_EQ(reversed.songs.back().number, 0xFF);
  EXPECT_EQ(reversed.reversed, 127);
  EXPECT_EQ(
      TrackErrorOf([&] { ReverseRom(kSonic1Driver, GameImage(0x0800, Songs(2), entries(128))); }),
      "no Sonic 1 music table found in this ROM");
}

TEST(RomTest, TheSongsOfAnImageShareOneStepLimit) {
  // Songs are reversed until the image's steps run out; each song behind
  // keeps its entry and gets its error.
  WalkLimits limits;
  limits.steps_per_image = 3000;
  const Bytes rom = GameImage(0x0800, Songs(8), Each(8));
  const ReversedRom reversed = ReverseRom(kSonic1Driver, rom, limits);
  ASSERT_GT(reversed.reversed, 0);
  ASSERT_LT(reversed.reversed, 8);
  for (std::size_t i = static_cast<std::size_t>(reversed.reversed); i < 8; ++i) {
    SCOPED_TRACE(i);
    // The song where the steps ran out stops in some channel; the rest in their first.
    EXPECT_NE(reversed.songs[i].error.find(
                  " brings the game's songs past 3000 steps of flattening, as many as the songs "
                  "of one image may take together (at offset 0x"),
              std::string::npos)
        << reversed.songs[i].error;
    EXPECT_EQ(ReadBigEndian32(reversed.image, 0x800 + 4 * i), ReadBigEndian32(rom, 0x800 + 4 * i));
  }
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
Bytes FullCartridge() { return GameImage(0x0800, Songs(8), Each(8), 4 << 20); }

// A 256 KiB image, as its header says, of which 160 KiB are left.
Bytes CutShort() {
  Bytes rom = GameImage(0x0800, Songs(8), Each(8), 256 << 10);
  WriteBigEndian32(rom, 0x1A4, (256 << 10) - 1);
  rom.resize(160 << 10);
  return rom;
}

// The ninth entry of a table leads past the image's end: the image lost
// its end, and its header does not tell.
Bytes TableLeadsPastTheEnd() {
  Bytes rom = GameImage(0x0800, Songs(9), Each(9));
  WriteBigEndian32(rom, 0x800 + 4 * 8, 0x30000);
  return rom;
}

INSTANTIATE_TEST_SUITE_P(
    Roms, RefusedRomTest,
    ::testing::Values(
        RefusedRomCase{"OnlyLooksLikeARom", GameImage(0x0800, Songs(7), Each(7)),
                       "no Sonic 1 music table found in this ROM"},
        // Over the header's checksum, which is rewritten: no table.
        RefusedRomCase{"TableInTheHeader", GameImage(0x0180, Songs(8), Each(8)),
                       "no Sonic 1 music table found in this ROM"},
        RefusedRomCase{"OutgrowsTheCartridge", FullCartridge(),
                       "with its reversals behind it the ROM would outgrow the 4 MiB of a "
                       "cartridge"},
        RefusedRomCase{"TooSmallToBeAGame", GameImage(0x0800, Songs(8), Each(8), 64 << 10),
                       "the file is marked as a Mega Drive game (\"SEGA\" at 0x100) but holds "
                       "65536 bytes, too few for a game (at least 131072); it is not read as a "
                       "song either"},
        RefusedRomCase{"CutShort", CutShort(),
                       "the ROM is cut short: its header gives its last address as 0x3FFFF, so "
                       "262144 bytes, but the file holds 163840"},
        RefusedRomCase{"TableLeadsPastTheEnd", TableLeadsPastTheEnd(),
                       "the ROM is cut short or damaged: its music table at 0x0800 runs on with "
                       "an entry at 0x0820 that leads to 0x30000, past the end of the file at "
                       "0x20000"}),
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
