// A whole track converted in memory, stage by stage.
#include <gtest/gtest.h>

#include "convert/convert_song.h"
#include "example_song.h"
#include "flatten/flatten_song.h"
#include "format/bytes.h"
#include "song_player.h"

namespace quorlin::testing {
namespace {

FlattenedSong Flatten(const Bytes& track) {
  const SongHeader song = ReadSongHeader(kSonic1Driver, track);
  const auto headers = ReadChannelHeaders(kSonic1Driver, track, song);
  return FlattenSong(kSonic1Driver, track, song, headers, {});
}

TEST(ExampleSongTest, MeasuringWalksGiveListsAndClocks) {
  const Bytes image = ExampleSong();
  const SongHeader song = ReadSongHeader(kSonic1Driver, image);
  const auto headers = ReadChannelHeaders(kSonic1Driver, image, song);
  ChannelWalker walker(kSonic1Driver);
  WalkSettings settings;
  settings.song_divider = song.tempo_divider;
  const WalkResult dac = walker.Walk(headers[0], image, settings);
  const WalkResult fm = walker.Walk(headers[1], image, settings);
  EXPECT_EQ(dac.clock, 2 * 12 * 256 + 1);
  EXPECT_EQ(fm.clock, 2 * 24 * 256);
  EXPECT_EQ(ToHex(dac.channel.events), "81 0C 82 0C F2");
  EXPECT_EQ(ToHex(fm.channel.events), "E6 08 EF 00 A1 18 A1 18 F6 00 00");
}

TEST(ExampleSongTest, FittingWalksBringTheDacToTheLongestClock) {
  const FlattenedSong flat = Flatten(ExampleSong());
  EXPECT_EQ(flat.longest_clock, 2 * 24 * 256);
  EXPECT_EQ(ToHex(flat.channels[0].events), "81 0C 82 0C 80 18 F2");
  EXPECT_EQ(ToHex(flat.channels[1].events), "E6 08 EF 00 A1 18 A1 18 F6 00 00");
  EXPECT_EQ(flat.voice_count, 1);
}

TEST(ExampleSongTest, ReversalLeavesConvertedAndReversedLists) {
  const Dumped dumped = ConvertWithDumps(ExampleSong());
  const Bytes& dac = dumped.sink.files.at("DAC01.bin");
  const Bytes& fm = dumped.sink.files.at("FM01.bin");
  EXPECT_EQ(ConvertedListIn(dac), "81 0C 82 0C 80 18 F2");
  EXPECT_EQ(ConvertedListIn(fm), "E6 F8 EF 00 A1 18 A1 18 E6 08 EF 00 F6 00 00");
  EXPECT_EQ(ReversedListIn(dac), "80 18 82 0C 81 0C F2");
  EXPECT_EQ(ReversedListIn(fm), "EF 00 E6 08 A1 18 A1 18 EF 00 E6 F8 F6 FF F2");
}

TEST(ExampleSongTest, AssemblesTheReversedSongByteForByte) {
  EXPECT_EQ(ToHex(Reversed(ExampleSong())), ToHex(ExampleSongReversed()));
}

TEST(ExampleSongTest, ReportsHeaderAndVoiceCountAsTheyAreKnown) {
  std::vector<std::string> seen;
  ConvertOptions options;
  options.on_song_header = [&](const SongHeader& song) {
    seen.push_back("header " + std::to_string(song.fm_count) + " " + std::to_string(song.tempo));
  };
  options.on_voice_count = [&](int count) { seen.push_back("voices " + std::to_string(count)); };
  const ConvertedSong converted = ConvertSong(kSonic1Driver, ExampleSong(), options);
  EXPECT_EQ(seen, (std::vector<std::string>{"header 1 5", "voices 1"}));
  EXPECT_EQ(converted.voice_count, 1);
}

TEST(ConversionTest, ChannelsKeepHeaderOrderWhateverTheirDataOffsets) {
  Bytes song = {
      0x00, 0x17, 0x02, 0x01, 0x01, 0x05,  // voices at 0x17, DAC + 1 FM, 1 PSG
      0x00, 0x16, 0x00, 0x00,              // DAC: data at 0x16
      0x00, 0x15, 0x00, 0x00,              // FM: data at 0x15
      0x00, 0x14, 0x00, 0x00, 0x00, 0x00,  // PSG: data at 0x14
      0xF2, 0xE4, 0xF2,                    // PSG: F2, FM: E4, DAC: F2
  };
  song.resize(song.size() + 25);
  const Bytes out = Reversed(song);
  // 20 bytes of headers, one voice, then DAC F2, FM E4, PSG F2.
  ASSERT_EQ(out.size(), 20u + 25 + 3);
  EXPECT_EQ(ToHex(Bytes(out.end() - 3, out.end())), "F2 E4 F2");
  EXPECT_EQ(ReadBigEndian16(out, 6), 45);
  EXPECT_EQ(ReadBigEndian16(out, 10), 46);
  EXPECT_EQ(ReadBigEndian16(out, 14), 47);
}

TEST(ConversionTest, OutputLayoutOfFiveFmAndThreePsgChannels) {
  SongBuilder builder;
  builder.Dac(Hex("F2"));
  for (int i = 0; i < 5; ++i) builder.Fm(Hex("F2"), 0x0C, 0x02);
  for (int i = 0; i < 3; ++i) builder.Psg(Hex("F2"), 0x00, 0x01, 0x03);
  const Bytes out = Reversed(builder.Voices(2).Build());
  EXPECT_EQ(ReadBigEndian16(out, 0), 0x30);
  EXPECT_EQ(out[2], 6);
  EXPECT_EQ(out[3], 3);
  EXPECT_EQ(ReadBigEndian16(out, 6), 0x30 + 25);  // voice count 1: no EF selects voice 1
  for (std::size_t at = 6; at < 0x30; at += 1) {
    const bool offset_byte = (at < 30) ? (at - 6) % 4 < 2 : (at - 30) % 6 < 2;
    if (!offset_byte) {
      EXPECT_EQ(out[at], 0) << "header byte " << at;
    }
  }
  // FM1: E9 0C E6 02 F2 -> inverted E9 F4 E6 FE E6 02 E9 0C F2 ... reversed.
  const std::size_t fm1 = ReadBigEndian16(out, 10);
  EXPECT_EQ(ToHex(Bytes(out.begin() + fm1, out.begin() + fm1 + 9)), "E9 0C E6 02 E6 FE E9 F4 F2");
}

TEST(ConversionTest, VoiceFFGives256VoiceRecords) {
  const Bytes out = Reversed(SongBuilder().Dac(Hex("EF FF F2")).Voices(256).Build());
  EXPECT_EQ(ReadBigEndian16(out, 0), 10);
  EXPECT_EQ(ReadBigEndian16(out, 6), 10 + 6400);
  EXPECT_EQ(out.size(), 10u + 6400 + 5);
}

TEST(ConversionTest, SongWithoutVoicesGetsNone) {
  // The voice table offset is the file's end, and no EF selects a voice.
  const ConvertedSong converted =
      ConvertSong(kSonic1Driver, Hex("00 0D 01 00 01 05 00 0A 00 00 81 0C F2"));
  EXPECT_EQ(converted.voice_count, 0);
  EXPECT_EQ(ToHex(converted.bytes), "00 0A 01 00 01 05 00 0A 00 00 81 0C F2");
  // Beyond the file's end, one byte on.
  EXPECT_EQ(ConvertSong(kSonic1Driver,
                        Hex("00 19 02 00 01 03 00 0E 00 00 00 13 00 00 81 10 F6 FF FC A1 10 F6 "
                            "FF FC"))
                .voice_count,
            0);
}

TEST(ConversionTest, UnreadHeaderBytesDoNotMatter) {
  Bytes song = SongBuilder().Dac(Hex("81 0C F2")).Psg(Hex("81 18 F2"), 0, 0, 2).Build();
  const Bytes plain = Reversed(song);
  song[8] = 0x55;  // DAC header bytes 2-3
  song[9] = 0x66;
  song[14] = 0x77;  // PSG header byte 4
  EXPECT_EQ(Reversed(song), plain);
}

TEST(ConversionTest, GlobalDividerOfTheDacTimesTheOtherChannels) {
  // The DAC sets divider 2 at clock 0; the FM channel plays at 2 from its
  // first duration on, measuring 4 x 6144.
  const Bytes song =
      SongBuilder().Dac(Hex("EB 02 81 0C F2")).Fm(Hex("81 0C 82 0C F6 FF FA")).Build();
  const FlattenedSong flat = Flatten(song);
  EXPECT_EQ(flat.longest_clock, 24576);
  // The DAC is filled with (24576 - 6144) / 2 / 256 = 36 units.
  EXPECT_EQ(ToHex(flat.channels[0].events), "EB 02 81 0C 80 24 F2");
  EXPECT_EQ(ToHex(flat.channels[1].events), "81 0C 82 0C 81 0C 82 0C F6 00 00");
  // EB vanishes: every channel sets the divider of its notes with E5.
  const Dumped dumped = ConvertWithDumps(song);
  EXPECT_EQ(ReversedListIn(dumped.sink.files.at("DAC01.bin")), "E5 02 80 24 81 0C F2");
  EXPECT_EQ(ReversedListIn(dumped.sink.files.at("FM01.bin")),
            "E5 02 82 0C 81 0C 82 0C 81 0C F6 FF F4");
}

TEST(ConversionTest, EbSongTimesEachNoteWithTheDividerThatCountedIt) {
  // FM: 81 at the DAC's divider 2, then E5 01; 82 and 83 (which reuses 82's
  // duration) at 1. Reversed, 83 and 82 play at 1, then 81 at 2.
  const Dumped dumped = ConvertWithDumps(
      SongBuilder().Dac(Hex("EB 02 81 18 F2")).Fm(Hex("81 0C E5 01 82 0C 83 F2")).Build());
  EXPECT_EQ(ConvertedListIn(dumped.sink.files.at("FM01.bin")), "81 0C E5 02 82 0C 83 0C E5 01 F2");
  EXPECT_EQ(ReversedListIn(dumped.sink.files.at("FM01.bin")), "E5 01 83 0C 82 0C E5 02 81 0C F2");
}

TEST(ConversionTest, NoteThatKeepsAnOlderDividerGetsItsOwn) {
  // No EB, but 82 reuses a duration read at divider 1 after E5 02: the
  // reversed channel times it at 1 with an E5 of its own.
  const Dumped dumped =
      ConvertWithDumps(SongBuilder().Dac(Hex("F2")).Fm(Hex("81 0C E5 02 82 F2")).Build());
  EXPECT_EQ(ReversedListIn(dumped.sink.files.at("FM01.bin")), "E5 01 82 0C 81 0C F2");
  EXPECT_EQ(ReversedListIn(dumped.sink.files.at("DAC01.bin")), "E5 01 80 18 F2");
}

TEST(ConversionTest, RestsThatFillAStoppedChannelHoldNoSound) {
  // FM stops right after E7: its fill rests follow the stop, so nothing
  // sounds into them and no note comes of them.
  const Dumped dumped =
      ConvertWithDumps(SongBuilder().Dac(Hex("81 18 F2")).Fm(Hex("A1 0C E7 F2")).Build());
  EXPECT_EQ(ReversedListIn(dumped.sink.files.at("FM01.bin")), "80 0C A1 0C F2");
}

TEST(ConversionTest, AllMeasuresZeroMakesBothPassesMeasure) {
  // No channel plays any time: the target stays 0 and pass 2 measures again.
  const FlattenedSong flat = Flatten(SongBuilder().Dac(Hex("E0 40 F6 FF FC")).Build());
  EXPECT_EQ(flat.longest_clock, 0);
  EXPECT_EQ(ToHex(flat.channels[0].events), "E0 40 E0 40 F6 00 00");
}

// Data anywhere in a large file: FM1 at 0x8000, the DAC at 0xFFF0 jumping
// 0x7F00 bytes on, past 0x10000.
Bytes FarDataSong() {
  Bytes song(0x17EF7, 0);
  song[1] = 0x0E;  // voice record 0 at 0x0E
  song[2] = 0x02;
  song[4] = 0x01;
  song[5] = 0x05;
  WriteBigEndian16(song, 6, 0xFFF0);
  WriteBigEndian16(song, 10, 0x8000);
  const Bytes dac = Hex("F6 7F 00"), fm = Hex("A1 18 F2"), far = Hex("81 0C 82 0C F2");
  std::copy(dac.begin(), dac.end(), song.begin() + 0xFFF0);
  std::copy(fm.begin(), fm.end(), song.begin() + 0x8000);
  std::copy(far.begin(), far.end(), song.end() - 5);
  return song;
}

struct BigSongCase {
  const char* name;
  Bytes track;
  const char* notice;
};

void PrintTo(const BigSongCase& c, std::ostream* out) { *out << c.name; }

class BigSongTest : public ::testing::TestWithParam<BigSongCase> {};

TEST_P(BigSongTest, ConvertsAndPlaysBackwards) {
  const ConvertedSong converted = ConvertSong(kSonic1Driver, GetParam().track);
  EXPECT_EQ(converted.notice, GetParam().notice);
  ChannelCounts counts;
  ExpectPlaysBackwards(GetParam().track, converted.bytes, counts);
}

// 200 x 100 notes of 81 01: 40,000 bytes played out, then F2 or a jump back.
const char* const kLongChannel = "81 01 F7 00 C8 FF FA F7 01 64 FF F5";

INSTANTIATE_TEST_SUITE_P(
    Limits, BigSongTest,
    ::testing::Values(
        BigSongCase{"DataAnywhereInTheFile", FarDataSong(), ""},
        BigSongCase{
            "LongChannelThatStops",
            SongBuilder().Dac(Hex("81 0C F2")).Fm(Hex(kLongChannel + std::string(" F2"))).Build(),
            ""},
        // Played twice by the measuring walk: 80,000 bytes and a jump.
        BigSongCase{"LongChannelThatLoops",
                    SongBuilder()
                        .Dac(Hex("81 0C F2"))
                        .Fm(Hex(kLongChannel + std::string(" F6 FF F2")))
                        .Build(),
                    "FM1 is 80003 bytes long reversed, more than its closing jump can reach back "
                    "(32769); the song is written with loops and calls"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorlin::testing
