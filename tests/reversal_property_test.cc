// The reversal is right beyond the worked examples: for many generated valid
// songs, every output channel sounds its input channel's notes in reverse
// order, with the same durations and the same state around each note, and
// every two notes joined by a tie are joined the other way round.
//
// Both the input and the output are read by the tests' own player, which
// shares no code with the conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "convert/convert_song.h"
#include "format/bytes.h"
#include "format/song_base.h"
#include "format/sonic2_driver.h"
#include "format/sonic1_effects.h"
#include "smps2asm/assembler.h"
#include "smps2asm/writer.h"
#include "song_builder.h"
#include "song_generator.h"
#include "song_player.h"

namespace quorlin::testing {
namespace {

TEST(ReversalPropertyTest, OutputChannelsSoundTheInputBackwards) {
  constexpr unsigned kCases = 400;
  int refused = 0;
  ChannelCounts counts, round_trip;
  for (unsigned case_number = 1; case_number <= kCases; ++case_number) {
    SCOPED_TRACE("case " + std::to_string(case_number));
    const Bytes input = SongGenerator(case_number).Song();
    Bytes output;
    const std::optional<TrackError> error = CaughtTrackError([&] { output = Reversed(input); });
    if (error) {
      // Very long songs may run past the walks' step limits; anything else is a fault.
      ASSERT_EQ(error->kind(), ErrorKind::kStepLimit) << error->what();
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

// The same for Sonic 2 songs at bases of their own, found from their
// pointers; a song whose loop counters share bytes with its calls' return
// addresses is refused.
TEST(ReversalPropertyTest, Sonic2SongsSoundBackwards) {
  constexpr unsigned kCases = 300;
  int refused = 0, shared = 0;
  ChannelCounts counts, round_trip;
  for (unsigned case_number = 1; case_number <= kCases; ++case_number) {
    SCOPED_TRACE("case " + std::to_string(case_number));
    SongShape shape;
    shape.sonic2_base = case_number % 2 == 0 ? 0x1380 : 0x8000 + 37 * case_number;
    const Bytes input = SongGenerator(case_number, shape).Song();
    ASSERT_EQ(FindSongAddress(kSonic2Driver, input), *shape.sonic2_base);
    const Driver driver = kSonic2Driver.AtAddress(*shape.sonic2_base);
    Bytes output;
    const std::optional<TrackError> error =
        CaughtTrackError([&] { output = ConvertSong(driver, input).bytes; });
    if (error) {
      if (error->kind() == ErrorKind::kMalformedTrack) {
        EXPECT_NE(std::string(error->what()).find("share a byte of the track's memory"),
                  std::string::npos)
            << error->what();
        ++shared;
      } else {
        ASSERT_EQ(error->kind(), ErrorKind::kStepLimit) << error->what();
        ++refused;
      }
      continue;
    }
    ExpectPlaysBackwards(input, output, counts, shape.sonic2_base);
    ExpectPlaysBackwards(output, ConvertSong(driver, output).bytes, round_trip, shape.sonic2_base);
  }
  EXPECT_LT(refused + shared, static_cast<int>(kCases) / 4);
  EXPECT_GT(shared, 0);
  EXPECT_GT(counts.looping, 150);
  EXPECT_GT(counts.stopped, 150);
  EXPECT_GT(counts.joins, 600);
}

// Effects: every track sounds backwards, all ending together, each stopped;
// compacted the same; the written source assembles to the bytes.
TEST(ReversalPropertyTest, EffectTracksSoundTheInputBackwards) {
  constexpr unsigned kCases = 200;
  int refused = 0;
  ChannelCounts counts;
  for (unsigned case_number = 1; case_number <= kCases; ++case_number) {
    SCOPED_TRACE("case " + std::to_string(case_number));
    const Bytes input = SongGenerator(case_number).Effect();
    Bytes output;
    const std::optional<TrackError> error =
        CaughtTrackError([&] { output = ReversedEffect(input); });
    if (error) {
      ASSERT_EQ(error->kind(), ErrorKind::kStepLimit) << error->what();
      ++refused;
      continue;
    }
    ExpectEffectPlaysBackwards(input, output, counts);
    const Bytes compact = ReversedEffect(input, /*compact=*/true);
    ExpectEffectPlaysBackwards(input, compact, counts);
    const std::string source = WriteEffectSource(kSonic1Effects, compact, "SndA0_Case", "case");
    EXPECT_EQ(ToHex(AssembleSource(kSonic1Driver, source, StandardDefines()).bytes),
              ToHex(compact));
  }
  EXPECT_LT(refused, static_cast<int>(kCases) / 10);
  EXPECT_GT(counts.looping, 100);
  EXPECT_GT(counts.stopped, 100);
  EXPECT_GT(counts.joins, 100);
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

// Note fill where the driver counts it otherwise than E7's rule at first
// sight says: the track's reversed channel as the tool writes it, played as
// the driver plays it.
struct NoteFillCase {
  const char* name;
  Bytes track;
  const char* dump;      // the channel's dump file
  const char* reversed;  // its reversed list
};

void PrintTo(const NoteFillCase& c, std::ostream* out) { *out << c.name; }

class NoteFillTest : public ::testing::TestWithParam<NoteFillCase> {};

TEST_P(NoteFillTest, ReversedChannelPlaysBackwards) {
  const NoteFillCase& c = GetParam();
  const Dumped dumped = ConvertWithDumps(c.track);
  EXPECT_EQ(ReversedListIn(dumped.sink.files.at(c.dump)), ToHex(Hex(c.reversed)));
  ChannelCounts counts;
  ExpectPlaysBackwards(c.track, dumped.output, counts);
}

INSTANTIATE_TEST_SUITE_P(
    Ties, NoteFillTest,
    ::testing::Values(
        // 48 bytes: 00 17 02 00 04 05 00 0E 00 00 00 0F 00 00 F2, FM1's
        // data, one voice. A1 40 at divider 4 plays 256 ticks, kept as 0:
        // note fill 1 cuts it and the E7 after it joins nothing.
        NoteFillCase{
            "NoteOf256Ticks",
            SongBuilder().Divider(4).Dac(Hex("F2")).Fm(Hex("E8 01 A1 40 E7 A5 01 F2")).Build(),
            "FM01.bin", "E8 01 E8 00 A5 01 E8 01 A1 40 E8 00 F2"},
        // PSG: A1 leaves 12 - 7 = 5 ticks of note fill to A5, which E7
        // joins and which is cut 5 ticks in; A8 finds it run out and stays
        // silent. Backwards A5 gets note fill 5 and is cut before A1 starts,
        // so A1 is attacked; A8 becomes a rest.
        NoteFillCase{
            "PsgFillRunsOnThroughJoins",
            SongBuilder().Dac(Hex("F2")).Psg(Hex("E8 0C A1 08 E7 A5 08 E7 A8 08 F2")).Build(),
            "PSG01.bin", "E8 0C 80 08 E8 05 A5 08 E8 0C A1 08 E8 00 F2"}),
    [](const auto& info) { return std::string(info.param.name); });

// The game's own songs, when a copy of them lies beside the checkout (they
// are never part of it): Sonic 1's, and Sonic 2's in sonic2/ there at the
// address their pointers show.
TEST(ReversalPropertyTest, SongsOfTheGamesPlayBackwards) {
  const std::filesystem::path folder = QUORLIN_SOURCE_DIR "/../shared/songs";
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no songs in " << folder;
  int songs = 0;
  ChannelCounts counts;
  for (const bool sonic2 : {false, true}) {
    if (sonic2 && !std::filesystem::is_directory(folder / "sonic2")) continue;
    for (const auto& entry :
         std::filesystem::directory_iterator(sonic2 ? folder / "sonic2" : folder)) {
      if (entry.path().extension() != ".bin") continue;
      SCOPED_TRACE(entry.path().filename().string());
      const Bytes input = ReadFile(entry.path().string());
      const Sonic2Base base =
          sonic2 ? Sonic2Base(FindSongAddress(kSonic2Driver, input)) : std::nullopt;
      const Driver driver = base ? kSonic2Driver.AtAddress(*base) : kSonic1Driver;
      const Bytes output = ConvertSong(driver, input).bytes;
      ExpectPlaysBackwards(input, output, counts, base);
      ExpectPlaysBackwards(output, ConvertSong(driver, output).bytes, counts, base);
      ++songs;
    }
  }
  EXPECT_GT(songs, 0);
  EXPECT_GT(counts.joins, 0);
}

}  // namespace
}  // namespace quorlin::testing
