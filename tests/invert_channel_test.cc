// State inversion: each state flag carries the state before it, E7 and F9
// are placed for the reversed song, and the final state is appended before
// the closing flag.
#include "reverse/invert_channel.h"

#include <gtest/gtest.h>

#include "reverse/reverse_channel.h"
#include "song_builder.h"

namespace quorlin::testing {
namespace {

ChannelHeader Channel(ChannelKind kind) {
  ChannelHeader channel;
  channel.kind = kind;
  return channel;
}

// Inverts `flattened` with tempo 0x05 and divider 0x01 and returns the
// converted list from the work area.
std::string Invert(const char* flattened, ChannelKind kind = ChannelKind::kFm) {
  return ToHex(ChannelInverter(kSonic1Driver, 0x05, 0x01, DividerInversion::kRestoreFlags)
                   .Invert(ChannelWith(Hex(flattened)), Channel(kind)));
}

struct InvertCase {
  const char* name;
  const char* flattened;
  const char* converted;
  ChannelKind kind = ChannelKind::kFm;
};

void PrintTo(const InvertCase& c, std::ostream* out) { *out << c.name; }

class InvertExampleTest : public ::testing::TestWithParam<InvertCase> {};

TEST_P(InvertExampleTest, ConvertsList) {
  EXPECT_EQ(Invert(GetParam().flattened, GetParam().kind), ToHex(Hex(GetParam().converted)));
}

constexpr ChannelKind kDac = ChannelKind::kDac;

INSTANTIATE_TEST_SUITE_P(
    Inversion, InvertExampleTest,
    ::testing::Values(
        InvertCase{"WorkedExample", "E0 40 90 10 E6 04 E7 92 10 80 08 F6 00 00",
                   "E0 C0 90 10 E6 FC 92 10 E7 80 08 E0 40 E6 04 F6 00 00", kDac},
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
                   "F4 F0 00 00 00 00 90 10 E7 F1 F0 01 02 03 04 F2", kDac},
        // Running totals wrap at 256; the step is written negated.
        InvertCase{"StepTotalsWrap", "E6 04 E6 FE F2", "E6 FC E6 02 E6 02 F2"},
        InvertCase{"ZeroStepStillAppended", "E9 00 F2", "E9 00 E9 00 F2"},
        InvertCase{"StepOf80", "EC 80 F2", "EC 80 EC 80 F2"},
        InvertCase{"ModulationToggles", "F1 F1 F4 F2", "F4 F1 F1 F4 F2"},
        InvertCase{"ModulationOnOnly", "F1 F2", "F4 F1 F2"},
        // On the DAC channel E7 spares the next note: it moves behind that
        // note, past any flag.
        InvertCase{"NoAttackPassesRewrittenPan", "E7 E0 40 90 10 F2", "E0 C0 90 10 E7 E0 40 F2",
                   kDac},
        InvertCase{"NoAttackPassesStep", "E7 E9 02 90 10 F2", "E9 FE 90 10 E7 E9 02 F2", kDac},
        InvertCase{"RepeatedNoAttackLeavesOne", "E7 E7 90 10 F2", "90 10 E7 F2", kDac},
        InvertCase{"NoAttackBeforeStopIsDropped", "90 10 E7 F2", "90 10 F2", kDac},
        InvertCase{"NoAttackPendingAtEndIsDropped", "90 10 E7", "90 10", kDac},
        InvertCase{"OnlyStop", "F2", "F2"}, InvertCase{"Empty", "", ""},
        InvertCase{"MidListJumpVanishes", "F6 00 05 90 10 F6 00 00", "90 10 F6 00 00"},
        InvertCase{"MeaninglessFlagsVanish", "FA 90 10 FF F2", "90 10 F2"},
        InvertCase{"CopiedFlagsAppendNothing", "E3 ED EE F9 F2", "E3 ED EE F9 F2", kDac},
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
  const FlatChannel flat = ChannelWith(Hex(GetParam().flattened), Hex(GetParam().dividers));
  EXPECT_EQ(ToHex(ChannelInverter(kSonic1Driver, 5, 1, DividerInversion::kPerNote)
                      .Invert(flat, Channel(ChannelKind::kFm))),
            ToHex(Hex(GetParam().converted)));
}

INSTANTIATE_TEST_SUITE_P(
    Inversion, PerNoteDividerTest,
    ::testing::Values(
        // E5 and EB vanish; E5 follows a note whose divider the next note
        // does not share, and the last note.
        PerNoteCase{"DividerAfterChangeAndLast", "EB 02 81 0C E5 03 82 0C 83 0C F2", "02 03 03",
                    "81 0C E5 02 82 0C 83 0C E5 03 F2"},
        // The E7 of a join stands behind its note, before the note's E5.
        PerNoteCase{"NoAttackBetweenNoteAndDivider", "81 0C E7 82 0C F2", "01 02",
                    "81 0C E7 E5 01 82 0C E5 02 F2"},
        PerNoteCase{"NoNotesNoDivider", "E5 02 E0 40 F2", "", "E0 C0 E0 40 F2"}),
    [](const auto& info) { return std::string(info.param.name); });

// Legato and fast release, from the fitted list to the reversed one (final
// state included): a join of two notes joins the same two notes backwards.
struct TieCase {
  const char* name;
  const char* flattened;
  const char* reversed;
  ChannelKind kind = ChannelKind::kFm;
  const char* dividers = "";  // given: notes keep their dividers with E5
};

void PrintTo(const TieCase& c, std::ostream* out) { *out << c.name; }

class TieAndReleaseTest : public ::testing::TestWithParam<TieCase> {};

TEST_P(TieAndReleaseTest, ReversesList) {
  const TieCase& c = GetParam();
  const Bytes converted =
      ChannelInverter(
          kSonic1Driver, 0x05, 0x01,
          *c.dividers != 0 ? DividerInversion::kPerNote : DividerInversion::kRestoreFlags)
          .Invert(ChannelWith(Hex(c.flattened), Hex(c.dividers)), Channel(c.kind));
  EXPECT_EQ(ToHex(ReverseChannel(kSonic1Driver, converted, "FM1")), ToHex(Hex(c.reversed)));
}

INSTANTIATE_TEST_SUITE_P(
    Inversion, TieAndReleaseTest,
    ::testing::Values(
        TieCase{"Tie", "A1 0C E7 A5 0C F2", "A5 0C E7 A1 0C F2"},
        TieCase{"TieWithFlagsBetween", "A1 0C E6 02 E7 E1 05 A5 0C F2",
                "E6 02 E1 05 A5 0C E1 00 E6 FE E7 A1 0C F2"},
        TieCase{"Chain", "A1 0C E7 A5 0C E7 A8 0C F2", "A8 0C E7 A5 0C E7 A1 0C F2"},
        TieCase{"NothingSoundsAfterARest", "A1 0C 80 0C E7 A5 0C F2", "A5 0C 80 0C A1 0C F2"},
        TieCase{"NothingSoundsAtTheStart", "E7 A1 0C A5 0C F2", "A5 0C A1 0C F2"},
        TieCase{"NoteFillCutTheNoteBefore", "E8 04 A1 0C E8 00 E7 A5 0C F2",
                "E8 00 A5 0C E8 04 A1 0C E8 00 F2"},
        TieCase{"HeldRest", "A1 0C E7 80 0C A5 0C F2", "A5 0C A1 0C E7 A1 0C F2"},
        TieCase{"HeldRestUnderItsOwnTransposition", "A1 0C E9 02 E7 80 0C E9 FE A5 0C F2",
                "E9 00 A5 0C E9 02 9F 0C E9 FE E7 A1 0C F2"},
        TieCase{"HeldRestWithoutANoteOfItsPitch", "A1 0C E9 21 E7 80 0C F2",
                "E9 21 E9 FF 81 0C E9 01 E9 DF E7 A1 0C F2"},
        // E7 spared A5 from note fill: attacked backwards, it is spared by
        // note fill switched off.
        TieCase{"SparedFromNoteFill", "E8 04 A1 0C E7 A5 0C F2",
                "E8 04 E8 00 A5 0C E8 04 A1 0C E8 00 F2"},
        TieCase{"ModulationLetsARestGo", "F1 A1 0C E7 80 0C A5 0C F2",
                "F1 A5 0C 80 0C A1 0C F4 F2"},
        TieCase{"PsgRestIsSilent", "A1 0C E7 80 0C E7 A5 0C F2", "A5 0C 80 0C A1 0C F2",
                ChannelKind::kPsg},
        // PSG note fill: a counter set at each attack, run on through E7.
        // Forwards A1 leaves 12 - 3 = 9 to A5; backwards A5 leaves 9 to A1.
        TieCase{"PsgFillRunsOnThroughAJoin", "E8 0C A1 04 E7 A5 04 F2",
                "E8 0C A5 04 E7 A1 04 E8 00 F2", ChannelKind::kPsg},
        // The rest starts the counter at 12 again; A5 after E7 finds 9 left
        // and is cut 9 ticks in. Attacked backwards it gets note fill 9.
        TieCase{"PsgNoteAfterARestKeepsItsCut", "E8 0C A1 04 80 04 E7 A5 0C F2",
                "E8 0C E8 09 A5 0C E8 0C 80 04 A1 04 E8 00 F2", ChannelKind::kPsg},
        TieCase{"DacKeepsNoAttackBeforeItsNote", "81 0C E7 82 0C F2", "E7 82 0C 81 0C F2", kDac},
        TieCase{"TieWithPerNoteDividers", "E5 01 A1 0C E7 E5 02 A5 0C F2",
                "E5 02 A5 0C E5 01 E7 A1 0C F2", ChannelKind::kFm, "01 02"},
        TieCase{"FastReleaseUntilTheNextVoice", "EF 00 A1 0C F9 A5 0C EF 01 A8 0C F2",
                "EF 01 A8 0C EF 00 F9 A5 0C EF 00 A1 0C EF 00 F2"},
        TieCase{"FastReleaseToTheEnd", "EF 00 A1 0C F9 A5 0C F2",
                "EF 00 F9 A5 0C EF 00 A1 0C EF 00 F2"},
        TieCase{"FastReleaseTwice", "EF 02 F9 A1 0C F9 A5 0C F2",
                "EF 02 F9 A5 0C F9 A1 0C EF 02 EF 00 F2"},
        TieCase{"PsgCopiesFastRelease", "F9 A1 0C F2", "A1 0C F9 F2", ChannelKind::kPsg}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorlin::testing
