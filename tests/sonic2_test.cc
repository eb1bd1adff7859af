// Sonic 2 songs: pointers that hold addresses at a base, the flags in which
// the driver differs from Sonic 1's, and its track memory.
#include <gtest/gtest.h>

#include "convert/convert_song.h"
#include "format/song_base.h"
#include "format/sonic2_driver.h"
#include "smps2asm/assembler.h"
#include "smps2asm/writer.h"
#include "song_builder.h"

namespace quorlin::testing {
namespace {

// The two bytes of the address of song offset `at`, low byte first.
Bytes At(std::int64_t base, int at) {
  const std::int64_t address = base + at;
  return {static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(address >> 8)};
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Voice() {
  Bytes voice = {0x3C};  // algorithm 4, feedback 7
  for (std::uint8_t b = 1; b <= 24; ++b) voice.push_back(b);
  return voice;
}

// DAC, FM1 and PSG1 of 24 ticks each; FM1 calls a loop and uses ED and EE,
// PSG1 steps its volume with E6 and ties two notes. Voices at 0x32.
Bytes Song(std::int64_t base) {
  // clang-format off
  return Join({
      At(base, 0x32), {0x02, 0x01, 0x01, 0xC0},  // voices; DAC + 1 FM, 1 PSG; divider 1, tempo C0
      At(base, 0x14), {0x00, 0x00},              // DAC at 0x14
      At(base, 0x19), {0x00, 0x00},              // FM1 at 0x19
      At(base, 0x2A), {0x00, 0x00, 0x00, 0x00},  // PSG1 at 0x2A
      {0x81, 0x0C, 0x82, 0x0C, 0xF2},            // 14 DAC: kick, snare, stop
      {0xEF, 0x00, 0xED, 0x55, 0xEE, 0xF8},      // 19 FM1: voice 0, ED and its byte, EE, call
      At(base, 0x22), {0xF2},                    //    0x22, stop
      {0xA1, 0x0C, 0xF7, 0x00, 0x02},            // 22 A1 twice: loop 0, count 2,
      At(base, 0x22), {0xE3},                    //    to 0x22, return
      {0xE6, 0x02, 0xB1, 0x0C, 0xE7, 0xB3, 0x0C, 0xF2},  // 2A PSG1: volume +2, B1 tied to B3
      Voice(),                                   // 32
  });
  // clang-format on
}

// Song(base) reversed, at the same base: headers, the voice, then the
// channels in header order.
Bytes SongReversed(std::int64_t base) {
  // clang-format off
  return Join({
      At(base, 0x14), {0x02, 0x01, 0x01, 0xC0},  // voices at 0x14
      At(base, 0x2D), {0x00, 0x00},              // DAC at 0x2D
      At(base, 0x32), {0x00, 0x00},              // FM1 at 0x32
      At(base, 0x3E), {0x00, 0x00, 0x00, 0x00},  // PSG1 at 0x3E
      Voice(),                                   // 14
      {0x82, 0x0C, 0x81, 0x0C, 0xF2},            // 2D snare, kick
      {0xEF, 0x00, 0xA1, 0x0C, 0xA1, 0x0C,       // 32 the loop played out,
       0xEE, 0xED, 0x55, 0xEF, 0x00, 0xF2},      //    EE and ED as read, the voice restored
      {0xE6, 0x02, 0xB3, 0x0C, 0xE7, 0xB1, 0x0C,  // 3E B3 tied to B1,
       0xE6, 0xFE, 0xF2},                         //    the volume stepped back
  });
  // clang-format on
}

TEST(Sonic2Test, SongIsFoundAtItsBaseAndReversedThere) {
  for (const std::int64_t base : {0x1380, 0xD48D}) {
    SCOPED_TRACE(base);
    const Bytes song = Song(base);
    ASSERT_EQ(FindSongAddress(kSonic2Driver, song), base);
    const ConvertedSong out = ConvertSong(kSonic2Driver.AtAddress(base), song, {});
    EXPECT_EQ(ToHex(out.bytes), ToHex(SongReversed(base)));
  }
}

TEST(Sonic2Test, BaseThatFitsNoPointerIsOneError) {
  const struct {
    std::size_t at;
    std::uint8_t value;
    std::string error;
  } cases[] = {
      // PSG1's data at $FFAA, far past the song.
      {0x0F, 0xFF,
       "the song's pointers fit no address for its first byte: placed at $1380, where its "
       "lowest pointer leads right behind its headers, PSG1's data address $FFAA (at 0x000E) "
       "leads outside its data, which lies at $1394-$13CA; give the address with --base"},
      // The call leads to $1313, before the song; at the address that puts
      // it behind the headers, the call is not met.
      {0x1F, 0x13,
       "the song's pointers fit no address for its first byte: placed at $1380, where its "
       "header's lowest pointer leads right behind its headers, the pointer $1313 of the flag "
       "at 0x001E leads outside its data, which lies at $1394-$13CA; give the address with "
       "--base"},
  };
  for (const auto& [at, value, error] : cases) {
    Bytes song = Song(0x1380);
    song[at] = value;
    EXPECT_EQ(TrackErrorOf([&] { FindSongAddress(kSonic2Driver, song); }), error);
  }
}

TEST(Sonic2Test, FlagsOfNoValueAndSharedTrackMemoryAreRefused) {
  const struct {
    Bytes fm1;
    std::string error;
  } cases[] = {
      {{0xFD, 0x00, 0xF2},
       "FM1 reads FD at offset 0x0011, which the Sonic 2 driver takes for no flag of its own: "
       "the value it leaves cannot be known"},
      // Loop counter 9 lies at 0x29, the first return address at 0x28-0x29.
      {Join({{0xF8},
             At(0x1380, 0x15),
             {0xF2, 0xA1, 0x0C, 0xF7, 0x09, 0x02},
             At(0x1380, 0x15),
             {0xE3}}),
       "FM1 uses loop counter 9 and calls 1 deep (at offset 0x0017), which share a byte of the "
       "track's memory: loop counters take $20 + index, return addresses 2 bytes each below "
       "$2A"},
  };
  for (const auto& [fm1, error] : cases) {
    // DAC and FM1, the DAC's rest right behind the headers, FM1 at 0x11.
    const Bytes song = Join({{0x00, 0x00, 0x02, 0x00, 0x01, 0xC0},
                             At(0x1380, 0x0E),
                             {0x00, 0x00},
                             At(0x1380, 0x11),
                             {0x00, 0x00},
                             {0x80, 0x18, 0xF2},
                             fm1});
    EXPECT_EQ(TrackErrorOf([&] { ConvertSong(kSonic2Driver.AtAddress(0x1380), song, {}); }), error);
  }
}

// A song of the DAC channel alone at `base`: `data`, right behind the headers.
Bytes DacSong(const Bytes& data, std::int64_t base = 0x1380) {
  return Join({{0x00, 0x00, 0x01, 0x00, 0x01, 0xC0}, At(base, 0x0A), {0x00, 0x00}, data});
}

TEST(Sonic2Test, ReversalLargerThanACompressedSongIsCompactedOrNoticed) {
  // 1,000 notes from two loops: 2,000 bytes played out, a few compacted.
  const Bytes looped = Join({{0xA1, 0x01, 0xF7, 0x00, 0x0A},
                             At(0x1380, 0x0A),
                             {0xF7, 0x01, 0x64},
                             At(0x1380, 0x0A),
                             {0xF2}});
  // 1,000 notes that hardly repeat: no shorter written with loops and calls.
  Bytes notes;
  for (unsigned x = 1; notes.size() < 2000; x = x * 1103515245 + 12345) {
    notes.push_back(static_cast<std::uint8_t>(0x81 + (x >> 16) % 0x5F));
    notes.push_back(static_cast<std::uint8_t>(1 + (x >> 8) % 0x7F));
  }
  notes.push_back(0xF2);
  const ConvertedSong compacted = ConvertSong(kSonic2Driver.AtAddress(0x1380), DacSong(looped), {});
  EXPECT_LT(compacted.bytes.size(), 100u);
  EXPECT_EQ(compacted.notice,
            "the reversed song takes 2011 bytes, more than the 1984 bytes that a compressed song "
            "may take; the song is written with loops and calls");
  const ConvertedSong large = ConvertSong(kSonic2Driver.AtAddress(0x1380), DacSong(notes), {});
  EXPECT_EQ(large.notice,
            "the reversed song takes 2011 bytes, more than the 1984 bytes that a compressed song "
            "may take, even written with loops and calls; it is written all the same, to be kept "
            "uncompressed");
  // Elsewhere the song is played where it lies: no such limit.
  EXPECT_EQ(ConvertSong(kSonic2Driver.AtAddress(0xD000), DacSong(notes, 0xD000), {}).notice, "");
}

TEST(Sonic2Test, VoiceTableBeforeTheSongIsOneError) {
  // Voice table at address 0, $1380 before the song; 256 voices selected,
  // whose records would end inside the track's 1,500 bytes if counted on.
  Bytes data = {0xEF, 0xFF, 0xF2};
  data.resize(1500 - 10, 0x80);
  const Bytes song = DacSong(data);
  EXPECT_EQ(TrackErrorOf([&] { ConvertSong(kSonic2Driver.AtAddress(0x1380), song); }),
            "voice records 0-255 at -0x1380-0x057F run past the end of the track at 0x05DC");
}

Bytes Assembled(const std::string& source, std::int64_t base = 0x1380) {
  return AssembleSource(kSonic2Driver.AtAddress(base), source, StandardDefines()).bytes;
}

TEST(Sonic2Test, SourceIsWrittenForDriver2AndReadsBackAtAnyBase) {
  const std::string source =
      WriteSource(kSonic2Driver.AtAddress(0x1380), Song(0x1380), "Song", "c");
  for (const char* line : {
           // The voice's TL bytes 23 and 24 lack bit 7, which mode 0 sets.
           "\tsmpsHeaderStartSong 2, 1\n",
           // Arguments 4, 3, 2, 1 are the record's bytes 1, 3, 2, 4.
           "\tsmpsVcCoarseFreq    $04, $02, $03, $01\n",
           "\tsmpsCall            Song_Call00\n",
           // No macro writes ED and EE for driver 2.
           "\tdc.b\t$ED, $55\n\tdc.b\t$EE\n",
       }) {
    EXPECT_NE(source.find(line), std::string::npos) << line << source;
  }
  for (const std::int64_t base : {0x1380, 0xD48D}) {
    EXPECT_EQ(ToHex(Assembled(source, base)), ToHex(Song(base)));
  }
}

TEST(Sonic2Test, MacrosWriteWhatDriver2sIncludeWrites) {
  const std::pair<std::string, std::string> cases[] = {
      {"2\nL:\tsmpsJump L\n\tsmpsLoop $00, $02, L\n\tsmpsCall L\n",
       "F6 80 13 F7 00 02 80 13 F8 80 13"},  // addresses at $1380, low byte first
      // Labels, * and numbers are addresses, as in the build.
      {"2\nL:\tsmpsJump $1385\n\tsmpsCall *\n\tdc.b L&$FF\n", "F6 85 13 F8 83 13 80"},
      {"2\n\tdc.b dTimpani, dLowClap, fTone_0D, nGs1, nBs0, nCb1\n", "85 91 0D 95 8D 8C"},
      {"2\n\tsmpsPSGAlterVolS2 $02\n\tsmpsStopSpecial\n\tsmpsFMAlterVol $01, $03\n",
       "E6 02 F2 E6 03"},
      // Driver 1's tempo 4 is $C0; its modulation waits one frame more.
      {"1\n\tsmpsSetTempoMod $04\n\tsmpsModSet $01, $02, $03, $04\n", "EA C0 F0 02 02 03 04"},
      {"3\n\tsmpsSetTempoMod $20\n\tsmpsFade $10\n\tsmpsFade\n", "EA E0 E2 10 E4"},
      {"2\n\tsmpsSetTempoMod $00\n\tsmpsVcTotalLevel 1, 2, 3, 4\n",
       "EA 00  00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  04 02 03 81"},
  };
  for (const auto& [source, bytes] : cases) {
    EXPECT_EQ(ToHex(Assembled("S:\n\tsmpsHeaderStartSong " + source)), ToHex(Hex(bytes))) << source;
  }
  EXPECT_EQ(TrackErrorOf([] { Assembled("S:\n\tsmpsHeaderStartSong 2\n\tsmpsClearPush\n"); }),
            "line 3: smpsClearPush is no macro of the Sonic 2 driver: it stops the build");
  EXPECT_EQ(TrackErrorOf([] { Assembled("S:\n\tsmpsHeaderStartSong 1\n\tsmpsSetTempoMod 1\n"); }),
            "line 3: a tempo of 1 in a song for the Sonic 1 driver stops the build");
}

}  // namespace
}  // namespace quorlin::testing
