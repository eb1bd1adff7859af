// Flattening one channel: calls, loops and jumps played out, explicit
// durations, the header values as leading commands.
#include <gtest/gtest.h>

#include "song_builder.h"

namespace quorlin::testing {
namespace {

struct FlattenCase {
  const char* data;
  const char* events;
};

void PrintTo(const FlattenCase& c, std::ostream* out) { *out << c.data; }

class WorkedExampleTest : public ::testing::TestWithParam<FlattenCase> {};

TEST_P(WorkedExampleTest, MeasuringWalkOfFmChannelGivesEventList) {
  const Walk walk = WalkChannel(ChannelKind::kFm, Hex(GetParam().data));
  EXPECT_EQ(ToHex(walk.events), ToHex(Hex(GetParam().events)));
}

INSTANTIATE_TEST_SUITE_P(
    Flattening, WorkedExampleTest,
    ::testing::Values(
        // A bare duration repeats the note; a duration after a flag repeats it too.
        FlattenCase{"81 0C 0C E0 40 18 F2", "81 0C 81 0C E0 40 81 18 F2"},
        // Notes without a duration take the last one.
        FlattenCase{"81 0C 82 83 F2", "81 0C 82 0C 83 0C F2"},
        // A duration at the very start is written as a rest.
        FlattenCase{"0C 81 F2", "80 0C 81 0C F2"},
        // Intro, then a body played twice before the second jump onto played data.
        FlattenCase{"81 30 82 0C F6 FF FC", "81 30 82 0C 82 0C F6 00 00"},
        // Loop index 0, count 3.
        FlattenCase{"81 0C F7 00 03 FF FA F2", "81 0C 81 0C 81 0C F2"},
        // A call and its return.
        FlattenCase{"F8 00 02 F2 81 0C E3", "81 0C F2"},
        // FA-FF are dropped; the duration after one repeats the note.
        FlattenCase{"81 01 FA 02 F2", "81 01 81 02 F2"},
        // A note before any duration gets duration 0.
        FlattenCase{"81 F2", "81 00 F2"},
        // A channel that stops at once.
        FlattenCase{"F2", "F2"},
        // A loop of count 1 skips its pointer unread: a jump onto it is a
        // jump onto data not played yet, the second and third are not.
        FlattenCase{"F7 00 01 81 0C F6 FF FC", "81 0C 81 0C F6 00 00"}));

// Measures a channel with the given header values whose data starts at 0.
WalkResult MeasureWithHeader(ChannelKind kind, std::uint8_t transpose, std::uint8_t volume,
                             std::uint8_t psg_voice, const Bytes& data) {
  const ChannelHeader header{kind, 1, 0, transpose, volume, psg_voice};
  WalkSettings settings;
  settings.song_divider = 1;
  return ChannelWalker(kSonic1Driver).Walk(header, data, settings);
}

std::string FlattenWithHeader(ChannelKind kind, std::uint8_t transpose, std::uint8_t volume,
                              std::uint8_t psg_voice, const char* data) {
  return ToHex(MeasureWithHeader(kind, transpose, volume, psg_voice, Hex(data)).channel.events);
}

TEST(InitialCommandsTest, PsgHeaderValuesLeadInOrder) {
  EXPECT_EQ(FlattenWithHeader(ChannelKind::kPsg, 0xF4, 0x03, 0x05, "F2"), "E9 F4 EC 03 F5 05 F2");
}

TEST(InitialCommandsTest, FmUsesVolumeStepE6AndNoVoice) {
  EXPECT_EQ(FlattenWithHeader(ChannelKind::kFm, 0x00, 0x08, 0x05, "F2"), "E6 08 F2");
}

TEST(InitialCommandsTest, DacChannelGetsNoneAndKeepsItsNotes) {
  EXPECT_EQ(FlattenWithHeader(ChannelKind::kDac, 0x10, 0x20, 0x30, "81 0C 80 0C DF F2"),
            "81 0C 80 0C DF 0C F2");
}

TEST(LoopTest, CountOnePlaysBodyOnceAndSkipsPointer) {
  EXPECT_EQ(ToHex(WalkChannel(ChannelKind::kFm, Hex("81 0C F7 00 01 FF FA F2")).events),
            "81 0C F2");
}

TEST(LoopTest, CountZeroPlays256Times) {
  const Walk walk = WalkChannel(ChannelKind::kFm, Hex("81 F7 01 00 FF FB F2"));
  // 256 notes of two bytes each, then F2.
  EXPECT_EQ(walk.events.size(), 256u * 2 + 1);
  EXPECT_EQ(walk.clock, 1);  // every note has duration 0
}

TEST(LoopTest, NestedLoopsMultiply) {
  // Outer loop 1 (count 2) around: inner loop 0 (count 2) around note 81 01.
  //   0: 81 01   2: F7 00 02 FF FA (to 0)   7: F7 01 02 FF F5 (to 0)   C: F2
  const Walk walk = WalkChannel(ChannelKind::kFm, Hex("81 01 F7 00 02 FF FA F7 01 02 FF F5 F2"));
  EXPECT_EQ(ToHex(walk.events), "81 01 81 01 81 01 81 01 F2");
}

TEST(LoopTest, FinishedLoopMetAgainStartsAfresh) {
  // A loop of two plays inside a subroutine that is called twice.
  const Bytes data =
      Hex("F8 00 05"        // 0: call 7
          "F8 00 02"        // 3: call 7
          "F2"              // 6: stop
          "81 01"           // 7: note
          "F7 00 02 FF FA"  // 9: loop 0 twice back to 7
          "E3");            // E: return
  EXPECT_EQ(ToHex(WalkChannel(ChannelKind::kFm, data).events), "81 01 81 01 81 01 81 01 F2");
}

TEST(CallTest, CallWithinCallReturnsToEachCaller) {
  const Bytes data =
      Hex("F8 00 04"  // 0: call 6
          "81 01"     // 3: note after the outer call
          "F2"        // 5: stop
          "82 01"     // 6: outer body
          "F8 00 02"  // 8: call C
          "E3"        // B: return
          "83 01"     // C: inner body
          "E3");      // E: return
  EXPECT_EQ(ToHex(WalkChannel(ChannelKind::kFm, data).events), "82 01 83 01 81 01 F2");
}

TEST(JumpTest, ForwardJumpLeavesBudgetAlone) {
  // 0: 81 01   2: F6 00 02 (to 6)   5: F2 (skipped)   6: 82 01   8: F6 FF F6 (back to 0)
  // The first jump to 6 costs nothing; the jump back to 0 and the second jump
  // to 6 spend the budget.
  const Walk walk = WalkChannel(ChannelKind::kFm, Hex("81 01 F6 00 02 F2 82 01 F6 FF F6"));
  EXPECT_EQ(ToHex(walk.events), "81 01 82 01 81 01 F6 00 00");
}

TEST(VoiceTest, MaxVoiceRisesOnlyWhenGreater) {
  const WalkResult walk = MeasureWithHeader(ChannelKind::kFm, 0, 0, 0, Hex("EF 02 EF 10 EF 07 F2"));
  EXPECT_EQ(walk.max_voice, 0x10);
}

}  // namespace
}  // namespace quorlin::testing
