// The channel clock: durations weighted by the divider, cuts at the target,
// rests that fill a stopped channel, divider changes taken from the DAC.
#include <gtest/gtest.h>

#include "song_builder.h"

namespace quorlin::testing {
namespace {

struct ClockCase {
  const char* data;
  std::int32_t target;
  std::uint8_t divider;
  const char* events;
  std::int32_t clock_after;
};

void PrintTo(const ClockCase& c, std::ostream* out) { *out << c.data; }

class ClockExampleTest : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockExampleTest, WalkGivesEventsAndClock) {
  const ClockCase& c = GetParam();
  const Walk walk = WalkChannel(ChannelKind::kFm, Hex(c.data), c.target, c.divider);
  EXPECT_EQ(ToHex(walk.events), ToHex(Hex(c.events)));
  EXPECT_EQ(walk.clock, c.clock_after);
}

INSTANTIATE_TEST_SUITE_P(
    Clock, ClockExampleTest,
    ::testing::Values(
        // A measuring walk adds 1 for the stop flag.
        ClockCase{"81 0C F2", 0, 1, "81 0C F2", 3073},
        // The channel that set the target needs no fill.
        ClockCase{"81 0C F2", 3073, 1, "81 0C F2", 3072},
        ClockCase{"81 0C F2", 10000, 1, "81 0C 80 1B F2", 3072},
        // Full rests of 127 first, the remainder last.
        ClockCase{"81 0C F2", 3072 + 300 * 256 + 1, 1, "81 0C 80 7F 80 7F 80 2E F2", 3072},
        // The fill counts units of the divider in force.
        ClockCase{"81 0C F2", 10000, 2, "81 0C 80 07 F2", 6144},
        // A looping channel's crossing note is cut, never dropped.
        ClockCase{"81 0C F6 FF FC", 5000, 1, "81 0C 81 08 F6 00 00", 6144},
        ClockCase{"81 0C F6 FF FC", 3073, 1, "81 0C 81 01 F6 00 00", 6144},
        ClockCase{"81 0C E0 40 F6 FF FA", 0, 1, "81 0C E0 40 81 0C E0 40 F6 00 00", 6144},
        // A duration that reaches the target exactly ends the walk uncut; the
        // flag behind it is not written.
        ClockCase{"81 0C E0 40 F6 FF FA", 6144, 1, "81 0C E0 40 81 0C F6 00 00", 6144},
        // A fill of exactly 254 units: two full rests, no remainder.
        ClockCase{"81 0C F2", 3072 + 254 * 256, 1, "81 0C 80 7F 80 7F F2", 3072},
        // A gap of less than one unit writes no rest.
        ClockCase{"81 0C F2", 3072 + 255, 1, "81 0C F2", 3072},
        // A note that takes the duration given last keeps the divider of its
        // read: 82 lasts 12 units at divider 1, not 2.
        ClockCase{"81 0C E5 02 82 F2", 0, 1, "81 0C E5 02 82 0C F2", 6145},
        // ...and is cut at that divider: 3,072 + 1,000 leaves 4 of its 12 units.
        ClockCase{"81 0C E5 02 82 F2", 4072, 1, "81 0C E5 02 82 04 F6 00 00", 6144}));

// Runs one pass over a DAC and an FM channel, DAC first, as the song does.
std::pair<Walk, Walk> RunPass(const Bytes& dac, const Bytes& fm, std::int32_t target) {
  const Bytes image = SongBuilder().Dac(dac).Fm(fm).Build();
  const auto song = ReadSongHeader(kSonic1Driver, image);
  const auto headers = ReadChannelHeaders(kSonic1Driver, image, song);
  ChannelWalker walker(kSonic1Driver);
  WalkSettings settings;
  settings.target = target;
  settings.song_divider = song.tempo_divider;
  const WalkResult first = walker.Walk(headers[0], image, settings);
  settings.timeline = first.timeline;
  const WalkResult second = walker.Walk(headers[1], image, settings);
  return {{first.channel.events, first.clock}, {second.channel.events, second.clock}};
}

TEST(TimelineTest, FmTakesDacDividerFromTheClockOfTheChange) {
  // The DAC sets divider 2 at clock 0: it plays first in every frame, so
  // both FM durations play at 2.
  const auto [dac, fm] = RunPass(Hex("EB 02 81 0C F2"), Hex("81 0C 82 0C F2"), 0);
  EXPECT_EQ(dac.clock, 12 * 256 * 2 + 1);
  EXPECT_EQ(fm.clock, 12289);
}

TEST(TimelineTest, FmTakesEveryChangeDueAtOnceAndTheLastWins) {
  // Divider 3, then 2, both at DAC clock 0; the FM channel's first byte is
  // a duration, which plays at 2.
  const auto [dac, fm] = RunPass(Hex("EB 03 EB 02 81 0C F2"), Hex("0C 82 0C F2"), 0);
  EXPECT_EQ(fm.clock, 12289);
}

TEST(TimelineTest, ChannelDividerOfDacStaysInTheDac) {
  const auto [dac, fm] = RunPass(Hex("E5 02 81 0C F2"), Hex("81 0C 82 0C F2"), 0);
  EXPECT_EQ(dac.clock, 6145);
  EXPECT_EQ(fm.clock, 6145);
}

TEST(TimelineTest, FittingDacRecordsAChangeInsideALoopOncePerRepeat) {
  // DAC: EB 01, note, jump back: every repeat records a pair.
  const Bytes image = SongBuilder().Dac(Hex("EB 01 81 0C F6 FF FA")).Build();
  const auto song = ReadSongHeader(kSonic1Driver, image);
  const auto headers = ReadChannelHeaders(kSonic1Driver, image, song);
  WalkSettings settings;
  settings.target = 3 * 3072;
  settings.song_divider = 1;
  const TempoDividerTimeline timeline =
      ChannelWalker(kSonic1Driver).Walk(headers[0], image, settings).timeline;
  ASSERT_EQ(timeline.size(), 3u);
  EXPECT_EQ(timeline[1], (DividerChange{3072, 1}));
  EXPECT_EQ(timeline[2], (DividerChange{6144, 1}));
}

}  // namespace
}  // namespace quorlin::testing
