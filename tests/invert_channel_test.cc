// State inversion: each state flag carries the state before it, E7 moves one
// event later, and the final state is appended before the closing flag.
#include "reverse/invert_channel.h"

#include <gtest/gtest.h>

#include "song_builder.h"

namespace quorlin::testing {
namespace {

// Inverts `flattened` with tempo 0x05 and divider 0x01 and returns the
// converted list from the work area.
std::string Invert(const char* flattened, std::uint8_t tempo = 0x05, std::uint8_t divider = 0x01) {
  ChannelBuffer buffer = ChannelWith(Hex(flattened));
  InvertChannel(buffer, tempo, divider, DividerInversion::kRestoreFlags, "FM1");
  return ToHex(buffer.converted);
}

struct InvertCase {
  const char* name;
  const char* flattened;
  const char* converted;
};

void PrintTo(const InvertCase& c, std::ostream* out) { *out << c.name; }

class InvertExampleTest : public ::testing::TestWithParam<InvertCase> {};

TEST_P(InvertExampleTest, ConvertsList) {
  EXPECT_EQ(Invert(GetParam().flattened), ToHex(Hex(GetParam().converted)));
}

INSTANTIATE_TEST_SUITE_P(
    Inversion, InvertExampleTest,
    ::testing::Values(
        InvertCase{"WorkedExample", "E0 40 90 10 E6 04 E7 92 10 80 08 F6 00 00",
                   "E0 C0 90 10 E6 FC 92 10 E7 80 08 E0 40 E6 04 F6 00 00"},
        InvertCase{"StopFlagExample", "E6 03 90 10 F1 92 10 F2",
                   "E6 FD 90 10 F4 92 10 E6 03 F1 F2"},
        // First flags of a kind carry the starting values; EA the song's
        // tempo, EB and E5 its divider, E2 0.
        InvertCase{"StartingValues", "EF 03 F3 E7 EA 09 EB 02 E5 03 E2 07 E1 04 E8 05 F5 02 F2",
                   "EF 00 F3 E0 EA 05 EB 01 E5 01 E2 00 E1 00 E8 00 F5 00 "
                   "E1 04 E2 07 E5 03 E8 05 EA 09 EB 02 EF 03 F3 E7 F5 02 F2"},
        // F0 switches modulation on too: the modulation state before it, then
        // the set-up before it; modulation is on at the end.
        InvertCase{"ModulationSetup", "F0 01 02 03 04 F0 05 06 07 08 F2",
                   "F4 F0 00 00 00 00 F1 F0 01 02 03 04 F1 F0 05 06 07 08 F2"},
        InvertCase{"ModulationSetupAfterOnAndOff", "F1 F4 F0 0C 0D 0E 0F F2",
                   "F4 F1 F4 F0 00 00 00 00 F1 F0 0C 0D 0E 0F F2"},
        InvertCase{"ModulationOffAfterSetup", "F0 0C 0D 0E 0F F4 F2",
                   "F4 F0 00 00 00 00 F1 F4 F0 0C 0D 0E 0F F2"},
        InvertCase{"NoAttackPassesBothSetupEvents", "E7 F0 01 02 03 04 90 10 F2",
                   "F4 F0 00 00 00 00 90 10 E7 F1 F0 01 02 03 04 F2"},
        // Running totals wrap at 256; the step is written negated.
        InvertCase{"StepTotalsWrap", "E6 04 E6 FE F2", "E6 FC E6 02 E6 02 F2"},
        InvertCase{"ZeroStepStillAppended", "E9 00 F2", "E9 00 E9 00 F2"},
        InvertCase{"StepOf80", "EC 80 F2", "EC 80 EC 80 F2"},
        InvertCase{"ModulationToggles", "F1 F1 F4 F2", "F4 F1 F1 F4 F2"},
        InvertCase{"ModulationOnOnly", "F1 F2", "F4 F1 F2"},
        // E7 spares the next note: it moves behind that note, past any flag.
        InvertCase{"NoAttackPassesRewrittenPan", "E7 E0 40 90 10 F2", "E0 C0 90 10 E7 E0 40 F2"},
        InvertCase{"NoAttackPassesStep", "E7 E9 02 90 10 F2", "E9 FE 90 10 E7 E9 02 F2"},
        InvertCase{"RepeatedNoAttackLeavesOne", "E7 E7 90 10 F2", "90 10 E7 F2"},
        InvertCase{"NoAttackBeforeStopIsDropped", "90 10 E7 F2", "90 10 F2"},
        InvertCase{"NoAttackPendingAtEndIsDropped", "90 10 E7", "90 10"},
        InvertCase{"OnlyStop", "F2", "F2"}, InvertCase{"Empty", "", ""},
        InvertCase{"MidListJumpVanishes", "F6 00 05 90 10 F6 00 00", "90 10 F6 00 00"},
        InvertCase{"MeaninglessFlagsVanish", "FA 90 10 FF F2", "90 10 F2"},
        InvertCase{"CopiedFlagsAppendNothing", "E3 ED EE F9 F2", "E3 ED EE F9 F2"},
        InvertCase{"LoopAndCallParameters", "F7 01 02 03 04 F8 05 06 E4",
                   "F7 00 00 00 00 F8 00 00 F7 01 02 03 04 F8 05 06 E4"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InvertTest, AllFinalStateCommandsInTheirOrder) {
  EXPECT_EQ(Invert("F8 00 01 F7 01 02 03 04 F5 01 F3 02 F1 F0 01 02 03 04 EF 01 EC 01 EB 02 "
                   "EA 03 E9 01 E8 01 E6 01 E5 02 E2 01 E1 01 E0 80 F6 00 00"),
            ToHex(Hex("F8 00 00 F7 00 00 00 00 F5 00 F3 E0 F4 F1 F0 00 00 00 00 EF 00 EC FF EB 01 "
                      "EA 05 E9 FF E8 00 E6 FF E5 01 E2 00 E1 00 E0 C0 "
                      // final state
                      "E0 80 E1 01 E2 01 E5 02 E6 01 E8 01 E9 01 EA 03 EB 02 EC 01 EF 01 "
                      "F1 F0 01 02 03 04 F3 02 F5 01 F7 01 02 03 04 F8 00 01 F6 00 00")));
}

struct PerNoteCase {
  const char* name;
  const char* flattened;
  const char* dividers;  // one per note or rest
  const char* converted;
};

void PrintTo(const PerNoteCase& c, std::ostream* out) { *out << c.name; }

class PerNoteDividerTest : public ::testing::TestWithParam<PerNoteCase> {};

TEST_P(PerNoteDividerTest, ConvertsList) {
  ChannelBuffer buffer = ChannelWith(Hex(GetParam().flattened), Hex(GetParam().dividers));
  InvertChannel(buffer, 5, 1, DividerInversion::kPerNote, "FM1");
  EXPECT_EQ(ToHex(buffer.converted), ToHex(Hex(GetParam().converted)));
}

INSTANTIATE_TEST_SUITE_P(
    Inversion, PerNoteDividerTest,
    ::testing::Values(
        // E5 and EB vanish; E5 follows a note whose divider the next note
        // does not share, and the last note.
        PerNoteCase{"DividerAfterChangeAndLast", "EB 02 81 0C E5 03 82 0C 83 0C F2", "02 03 03",
                    "81 0C E5 02 82 0C 83 0C E5 03 F2"},
        // E7 stays directly before its note once reversed: E5 stands behind it.
        PerNoteCase{"NoAttackBetweenNoteAndDivider", "E7 81 0C 82 0C F2", "01 02",
                    "81 0C E7 E5 01 82 0C E5 02 F2"},
        // A dropped divider flag is no event: the E7 waits for the note.
        PerNoteCase{"NoAttackAcrossADroppedDivider", "E7 EB 02 81 0C F6 00 00", "02",
                    "81 0C E7 E5 02 F6 00 00"},
        PerNoteCase{"NoNotesNoDivider", "E5 02 E0 40 F2", "", "E0 C0 E0 40 F2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InvertTest, ConvertedListThatOutgrowsTheEventAreaIsRefused) {
  // 16,375 notes and five state flags fit; with their final state they do not.
  Bytes list;
  for (int i = 0; i < 16375; ++i) list.insert(list.end(), {0x81, 0x01});
  for (std::uint8_t f : {0xE0, 0xE1, 0xE2, 0xE8, 0xEA}) list.insert(list.end(), {f, 0x01});
  list.push_back(0xF2);
  ASSERT_EQ(list.size(), 0x7FF9u);
  ChannelBuffer buffer = ChannelWith(list);
  EXPECT_EQ(
      TrackErrorOf([&] { InvertChannel(buffer, 5, 1, DividerInversion::kRestoreFlags, "PSG2"); }),
      "PSG2 grows beyond 32766 bytes of events when its state is inverted");
}

}  // namespace
}  // namespace quorlin::testing
