// Sound effects: read from bytes and source, reversed with their tracks lined
// up at the end, written back as bytes and as source.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "convert/convert_effect.h"
#include "format/sonic1_effects.h"
#include "smps2asm/assembler.h"
#include "smps2asm/writer.h"
#include "song_builder.h"
#include "song_player.h"

namespace quorlin::testing {
namespace {

struct EffectCase {
  const char* name;
  Bytes effect;
  std::string reversed;
};

// The voice record of the effects that have one, as Effect writes it.
const std::string kVoice = ToHex(Effect({}, 1)).substr(std::string("00 1D 01 00 ").size());

void PrintTo(const EffectCase& c, std::ostream* out) { *out << c.name; }

class EffectTest : public ::testing::TestWithParam<EffectCase> {};

TEST_P(EffectTest, ReversesTrackByTrack) {
  EXPECT_EQ(ToHex(ReversedEffect(GetParam().effect)), GetParam().reversed);
}

// The written source assembles into exactly the written bytes, compacted or not.
TEST_P(EffectTest, SourceAssemblesToTheBytes) {
  for (const bool compact : {false, true}) {
    const Bytes reversed = ReversedEffect(GetParam().effect, compact);
    const std::string source = WriteEffectSource(kSonic1Effects, reversed, "SndA0_Test", "test");
    const AssembledSong assembled = AssembleSource(kSonic1Driver, source, StandardDefines());
    EXPECT_TRUE(assembled.effect);
    EXPECT_EQ(ToHex(assembled.bytes), ToHex(reversed)) << source;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Effects, EffectTest,
    ::testing::Values(
        // Volume 4 on A5 for 6 frames after volume 2 on A1 for 4: backwards the
        // entry starts at volume 4; the envelope F5 comes first.
        EffectCase{"OneTrack", Effect({{0x80, Hex("F5 01 A1 04 EC 02 A5 06 F2"), 0xF4, 0x02}}),
                   "00 15 01 01 80 80 00 0A F4 04 "  // header; PSG1 transposed F4, volume 4
                   "F5 01 A5 06 EC FE A1 04 F5 00 F2"},
        // FM5 plays 6 frames, PSG3 2: PSG3 waits 4 frames reversed. The voice
        // comes before FM5's first note.
        EffectCase{"UnequalTracks",
                   Effect({{0x05, Hex("EF 00 A1 06 F2")}, {0xC0, Hex("B1 02 F2")}}, 1),
                   "00 1C 01 02 80 05 00 10 00 00 80 C0 00 17 00 00 "
                   "EF 00 A1 06 EF 00 F2 "  // FM5
                   "80 04 B1 02 F2 "        // PSG3: 4 frames of rest first
                       + kVoice},
        // The noise form comes first, and the tone form back before the stop.
        EffectCase{"NoiseTrack", Effect({{0xC0, Hex("F3 E7 C6 03 EC 01 C6 02 F2")}}),
                   "00 15 01 01 80 C0 00 0A 00 01 F3 E7 C6 02 EC FF C6 03 F3 E0 F2"},
        // ED stays right before the stop: a push request cannot restart the sound.
        EffectCase{"ClearPushBeforeStop",
                   Effect({{0x04, Hex("EF 00 A1 07 80 10 ED F2"), 0x00, 0x06}}, 1),
                   "00 14 01 01 80 04 00 0A 00 06 EF 00 80 10 A1 07 EF 00 ED F2 " + kVoice},
        // The special effect ends with EE, whatever its length.
        EffectCase{"SpecialStop", Effect({{0x04, Hex("EF 00 A1 05 80 01 EE")}}, 1),
                   "00 13 01 01 80 04 00 0A 00 00 EF 00 80 01 A1 05 EF 00 EE " + kVoice},
        // Up 18 steps of 8 after 2 frames of wait: backwards it starts at the
        // end period (0x1AB - 144: note 0x94 detuned by -2) and steps at once
        // the other way, then holds the first note's period for those frames.
        EffectCase{"SweepUpRunsDown", Effect({{0x80, Hex("F0 02 01 F8 65 8D 15 F2")}}),
                   "00 26 01 01 80 80 00 0A 00 00 "
                   "F0 02 01 F8 65 F1 "           // the state the forward sweep ends in
                   "E1 FE F0 00 01 08 24 94 13 "  // 19 frames from 0x11B up to 0x1AB
                   "F4 E1 00 E7 8D 02 "           // 2 more frames at 0x1AB
                   "F0 00 00 00 00 F4 F2"},
        // Down 3 steps of 16 every 2 frames, and a vibrato, which stays as it is.
        // The first step backwards falls a frame late: speed 2 cannot step sooner.
        EffectCase{"SweepDownRunsUp",
                   Effect({{0x05, Hex("EF 00 F0 01 02 F0 0A B1 08 F0 00 01 10 04 A1 0C F2")}}, 1),
                   "00 32 01 01 80 05 00 0A 00 00 F0 00 01 10 04 F1 EF 00 A1 0C "
                   "F0 01 02 F0 0A F1 "           // the sweep's set-up restored
                   "E1 F6 F0 00 02 10 06 B0 07 "  // from 0x2254 (0x225E - 10) up
                   "F4 E1 00 E7 B1 01 "           // to 0x2284 (note B1), held
                   "F0 00 00 00 00 F4 EF 00 F2 " +
                       kVoice},
        // Steps of -128 would run back by +128, which no delta byte holds: the
        // note keeps its sweep.
        EffectCase{"SweepOfMinus128Stays", Effect({{0x80, Hex("F0 00 01 80 04 A0 04 F2")}}),
                   "00 19 01 01 80 80 00 0A 00 00 F0 00 01 80 04 F1 A0 04 F0 00 00 00 00 F4 F2"},
        // Two tracks on one channel: the second one's label is numbered.
        EffectCase{"OneChannelTwice", Effect({{0x80, Hex("A1 02 F2")}, {0x80, Hex("A5 02 F2")}}),
                   "00 16 01 02 80 80 00 10 00 00 80 80 00 13 00 00 A1 02 F2 A5 02 F2"},
        // A track that would loop is cut where the longest stops, and stopped.
        EffectCase{"LoopingTrackIsCut",
                   Effect({{0x80, Hex("A1 02 F6 FF FC")}, {0xA0, Hex("A1 05 F2")}}),
                   "00 1A 01 02 80 80 00 10 00 00 80 A0 00 17 00 00 "
                   "A1 01 A1 02 A1 02 F2 "  // PSG1: 2 + 2 + 1 frames, reversed
                   "A1 05 F2"}));

// One-way sweeps of speed 1, up and down, FM and PSG, detuned either way:
// backwards the pitch runs frame by frame through the forward pitches in
// reverse order (the player checks it), where the end pitch can be written
// exactly.
TEST(EffectTest, SweepsRunBackwardsFrameByFrame) {
  std::mt19937 random(24);
  const auto pick = [&](int low, int high) {
    return static_cast<std::uint8_t>(std::uniform_int_distribution<int>(low, high)(random));
  };
  int sweeps = 0, exact = 0;
  ChannelCounts counts;
  for (int i = 0; i < 200; ++i) {
    const bool fm = pick(0, 1) == 1;
    const std::uint8_t delta = pick(0, 1) ? pick(1, 24) : pick(232, 255);
    const std::uint8_t detune = pick(0, 1) ? pick(0, 8) : pick(248, 255);
    // E1 detune; F0 wait, 1, delta, steps; a note; its frames.
    const Bytes forward = Effect({{fm ? std::uint8_t{0x05} : std::uint8_t{0x80},
                                   {0xE1, detune, 0xF0, pick(0, 4), 0x01, delta, pick(2, 255),
                                    pick(fm ? 0x81 : 0x85, fm ? 0xDF : 0xB0), pick(6, 60), 0xF2}}});
    const ConvertedEffect reversed = ConvertEffect(kSonic1Effects, forward);
    sweeps += reversed.sweeps.sweeps;
    if (reversed.sweeps.exact == 0) continue;
    ++exact;
    ExpectEffectPlaysBackwards(forward, reversed.bytes, counts);
  }
  EXPECT_GT(sweeps, 100);
  EXPECT_GT(exact, sweeps / 2);
  EXPECT_EQ(counts.sweeps, exact);
}

TEST(EffectTest, HeaderTellsEffectsFromSongs) {
  // Jump-like: PSG1, data right behind the header.
  EXPECT_TRUE(IsEffect(kSonic1Effects, Effect({{0x80, Hex("A1 01 F2")}})));
  EXPECT_FALSE(IsEffect(kSonic1Effects, SongBuilder().Dac(Hex("F2")).Build()));
  // Flags other than 0x80, a channel no effect takes, data outside the track.
  EXPECT_EQ(
      TrackErrorOf([] { ReadEffectHeader(kSonic1Effects, Hex("00 0A 01 01 00 80 00 0A 00 00")); }),
      "track entry 1 has the playback flags 0x0000 at 0x0004, not 0x0080");
  EXPECT_EQ(TrackErrorOf(
                [] { ReadEffectHeader(kSonic1Effects, Hex("00 0A 01 01 80 06 00 0A 00 00 F2")); }),
            "track entry 1 names no channel an effect can take (0x0006 at 0x0005)");
  EXPECT_EQ(TrackErrorOf(
                [] { ReadEffectHeader(kSonic1Effects, Hex("00 0A 01 01 80 80 00 0B 00 00 F2")); }),
            "PSG1's data offset 0x000B lies outside the track's data, from 0x000A to 0x000B");
}

// The worked example of an effect as the disassembly writes one.
TEST(EffectTest, SourceOfTheDisassemblyAssembles) {
  const char* source =
      "SndXX_Tiny_Header:\n"
      "\tsmpsHeaderStartSong 1\n"
      "\tsmpsHeaderVoice     SndXX_Tiny_Voices\n"
      "\tsmpsHeaderTempoSFX  $01\n"
      "\tsmpsHeaderChanSFX   $02\n\n"
      "\tsmpsHeaderSFXChannel cPSG1, SndXX_Tiny_PSG1,\t$F4, $02\n"
      "\tsmpsHeaderSFXChannel cPSG3, SndXX_Tiny_PSG3,\t$00, $01\n"
      "SndXX_Tiny_PSG1:\n"
      "\tsmpsPSGvoice        $00\n"
      "\tdc.b\tnC4, $04\n"
      "SndXX_Tiny_Loop00:\n"
      "\tdc.b\tsmpsNoAttack, $02\n"
      "\tsmpsPSGAlterVol     $04\n"
      "\tsmpsLoop            $00, $03, SndXX_Tiny_Loop00\n"
      "\tsmpsStop\n"
      "SndXX_Tiny_PSG3:\n"
      "\tsmpsPSGform         $E7\n"
      "\tdc.b\tnRst, $03, nA5, $06\n"
      "\tsmpsPSGAlterVol     $02\n"
      "\tsmpsStop\n"
      "; Song seems to not use any FM voices\n"
      "SndXX_Tiny_Voices:\n";
  const AssembledSong effect = AssembleSource(kSonic1Driver, source, StandardDefines());
  EXPECT_TRUE(effect.effect);
  EXPECT_EQ(ToHex(effect.bytes),
            "00 27 01 02 80 80 00 10 F4 02 80 C0 00 1E 00 01 F5 00 B1 04 E7 02 EC 04 "
            "F7 00 03 FF F8 F2 F3 E7 80 03 C6 06 EC 02 F2");
  EXPECT_EQ(TrackErrorOf([&] {
              AssembleSource(kSonic1Driver,
                             "S:\n\tsmpsHeaderStartSong 1\n\tsmpsHeaderVoice S\n"
                             "\tsmpsHeaderTempoSFX 1\n\tsmpsHeaderChanSFX 1\n"
                             "\tsmpsHeaderSFXChannel cFM6, S, 0, 0\n",
                             StandardDefines());
            }),
            "line 6: smpsHeaderSFXChannel with cFM6 stops the build: effects cannot take FM6");
}

}  // namespace
}  // namespace quorlin::testing
