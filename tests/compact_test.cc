// Compaction: reversed channels written with loops and calls play exactly
// the events of their played-out lists, within the driver's loop counters
// and call stack, and never take more bytes.
#include <gtest/gtest.h>

#include <filesystem>

#include "compact/compact_channel.h"
#include "convert/convert_song.h"
#include "format/sonic2_driver.h"
#include "song_builder.h"
#include "song_generator.h"
#include "song_player.h"

namespace quorlin::testing {
namespace {

struct CompactCase {
  const char* name;
  const char* list;
  const char* compacted;
};

void PrintTo(const CompactCase& c, std::ostream* out) { *out << c.name; }

class CompactChannelTest : public ::testing::TestWithParam<CompactCase> {};

TEST_P(CompactChannelTest, WritesLoopsAndCalls) {
  ChannelHeader fm;
  fm.kind = ChannelKind::kFm;
  EXPECT_EQ(ToHex(ChannelCompactor(kSonic1Driver, 1).Compact(Hex(GetParam().list), fm)),
            ToHex(Hex(GetParam().compacted)));
}

INSTANTIATE_TEST_SUITE_P(
    Compaction, CompactChannelTest,
    ::testing::Values(
        // Four plays of two notes: one loop, its pointer back 8 bytes.
        CompactCase{"TandemRepeat", "81 0C 82 0C 81 0C 82 0C 81 0C 82 0C 81 0C 82 0C F2",
                    "81 0C 82 0C  F7 00 04 FF F8  F2"},
        // A repeat that the channel's end cuts short: the rest follows the loop.
        CompactCase{"RepeatCutByTheEnd", "81 0C 82 0C 81 0C 82 0C 81 0C 82 0C 81 0C F2",
                    "81 0C 82 0C  F7 00 03 FF F8  81 0C  F2"},
        // Loops inside a loop take the next counter; the closing jump leads
        // back to the first byte.
        CompactCase{"NestedLoops",
                    "A1 0C A1 0C A1 0C A1 0C A1 0C A1 0C 90 30 "
                    "A1 0C A1 0C A1 0C A1 0C A1 0C A1 0C 90 30 F6 FF FF",
                    "A1 0C  F7 01 06 FF FA  90 30  F7 00 02 FF F3  F6 FF F0"},
        // A block in three places, between flags that differ: a subroutine
        // behind the closing jump, called three times.
        CompactCase{"SubroutineCalledThrice",
                    "E0 40 A1 0C A3 0C A5 0C A7 0C E0 80 A1 0C A3 0C A5 0C A7 0C "
                    "E0 C0 A1 0C A3 0C A5 0C A7 0C F6 00 00",
                    "E0 40 F8 00 0E  E0 80 F8 00 09  E0 C0 F8 00 04  F6 FF EF  "
                    "A1 0C A3 0C A5 0C A7 0C E3"},
        CompactCase{"LoopInsideASubroutine",
                    "E0 40 A1 0C A1 0C A1 0C A1 0C 90 30 92 30 "
                    "E0 80 A1 0C A1 0C A1 0C A1 0C 90 30 92 30 F2",
                    "E0 40 F8 00 07  E0 80 F8 00 02  F2  A1 0C F7 00 04 FF FA 90 30 92 30 E3"},
        // Nothing repeats enough to pay for a loop or a call.
        CompactCase{"NothingToGain", "E0 40 81 01 E0 80 81 01 F2", "E0 40 81 01 E0 80 81 01 F2"}),
    [](const auto& info) { return std::string(info.param.name); });

struct Sizes {
  std::size_t input = 0, plain = 0, compacted = 0;
};

// Plays every channel of the plain and of the compacted reversal once
// through with the tests' player: the same sounds, loop counters 0-3 and
// calls at most as deep as the track's memory holds beside them (Sonic 1:
// two; Sonic 2: three).
void ExpectCompactedPlaysAsPlain(const Bytes& input, Sizes& sizes, Sonic2Base base = {}) {
  const Driver driver = base ? kSonic2Driver.AtAddress(*base) : kSonic1Driver;
  const Bytes plain = ConvertSong(driver, input).bytes;
  ConvertOptions options;
  options.compact = true;
  const Bytes compacted = ConvertSong(driver, input, options).bytes;
  sizes.input += input.size();
  sizes.plain += plain.size();
  sizes.compacted += compacted.size();
  EXPECT_LE(compacted.size(), plain.size());
  const auto plain_channels = ChannelsOf(plain, base);
  const auto compacted_channels = ChannelsOf(compacted, base);
  ASSERT_EQ(plain_channels.size(), compacted_channels.size());
  DividerChanges plain_changes, compacted_changes;
  for (std::size_t c = 0; c < plain_channels.size(); ++c) {
    SCOPED_TRACE("channel " + std::to_string(c));
    const ChannelKind kind = plain_channels[c].kind;
    DividerChanges* const record = c == 0 ? &plain_changes : nullptr;
    const Playback expected = Play(plain, kind, StartOf(plain, plain_channels[c]), INT64_MAX, true,
                                   plain_changes, record);
    const Playback played =
        Play(compacted, kind, StartOf(compacted, compacted_channels[c]), INT64_MAX, true,
             compacted_changes, c == 0 ? &compacted_changes : nullptr);
    EXPECT_TRUE(played.sounds == expected.sounds);
    EXPECT_EQ(played.stopped, expected.stopped);
    EXPECT_LE(played.deepest_call, base ? 3 : 2);
    EXPECT_LE(played.highest_loop_index, 3);
  }
}

TEST(CompactionPropertyTest, CompactedSongsPlayAsPlainOnes) {
  Sizes sizes;
  for (unsigned number = 1; number <= 300; ++number) {
    SCOPED_TRACE("case " + std::to_string(number));
    ExpectCompactedPlaysAsPlain(SongGenerator(number).Song(), sizes);
  }
  // The loops and calls that were played out come back: reversed, the songs
  // take at most half as much again as the originals.
  EXPECT_LE(sizes.compacted * 2, sizes.input * 3);
}

TEST(CompactionPropertyTest, CompactedSonic2SongsPlayAsPlainOnes) {
  Sizes sizes;
  int converted = 0;
  for (unsigned number = 1; number <= 150; ++number) {
    SCOPED_TRACE("case " + std::to_string(number));
    SongShape shape;
    shape.sonic2_base = 0x1380;
    const Bytes song = SongGenerator(number, shape).Song();
    // Loop counters that share bytes with return addresses are refused.
    if (!TrackErrorOf([&] { ConvertSong(kSonic2Driver.AtAddress(0x1380), song); }).empty()) {
      continue;
    }
    ExpectCompactedPlaysAsPlain(song, sizes, shape.sonic2_base);
    ++converted;
  }
  EXPECT_GT(converted, 120);
  EXPECT_LE(sizes.compacted * 2, sizes.input * 3);
}

// Songs with long bodies and loops of many plays, nested: lists of tens of
// thousands of bytes, runs longer than one F7 counts.
TEST(CompactionPropertyTest, LongSongsPlayAsPlainOnes) {
  Sizes sizes;
  int converted = 0;
  for (unsigned number = 1; number <= 40; ++number) {
    SCOPED_TRACE("case " + std::to_string(number));
    const Bytes song = SongGenerator(number, {1, 3, 0, 2, 10, 30, 2, 60, {}}).Song();
    // Some are longer than the walks may run.
    if (!TrackErrorOf([&] { Reversed(song); }).empty()) continue;
    ExpectCompactedPlaysAsPlain(song, sizes);
    ++converted;
  }
  EXPECT_GT(converted, 20);
  EXPECT_GT(sizes.plain, 400'000u);
}

// The game's own songs, when a copy of them lies beside the checkout.
TEST(CompactionPropertyTest, SongsOfTheGameTakeLittleMoreThanTheirOriginals) {
  const std::filesystem::path folder = QUORLIN_SOURCE_DIR "/../shared/songs";
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no songs in " << folder;
  Sizes sizes;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".bin") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ExpectCompactedPlaysAsPlain(ReadFile(entry.path().string()), sizes);
  }
  EXPECT_LE(sizes.compacted * 2, sizes.input * 3);
}

}  // namespace
}  // namespace quorlin::testing
