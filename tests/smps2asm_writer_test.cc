// The writer of SMPS2ASM source: what it writes reads back into the very
// bytes it was given, laid out as the disassembly's song files are.
#include <gtest/gtest.h>

#include <filesystem>

#include "example_song.h"
#include "smps2asm/assembler.h"
#include "smps2asm/writer.h"
#include "song_generator.h"

namespace quorlin::testing {
namespace {

Bytes ReadBack(const std::string& source) {
  return AssembleSource(kSonic1Driver, source, StandardDefines()).bytes;
}

TEST(WriterTest, GeneratedSongsAndTheirReversalsReadBackByteForByte) {
  int songs = 0;
  for (unsigned number = 1; number <= 200; ++number) {
    SCOPED_TRACE("song " + std::to_string(number));
    const Bytes input = SongGenerator(number).Song();
    ASSERT_EQ(ReadBack(WriteSource(kSonic1Driver, input, "Song", "input")), input);
    Bytes output;
    if (!TrackErrorOf([&] { output = Reversed(input); }).empty()) continue;
    ASSERT_EQ(ReadBack(WriteSource(kSonic1Driver, output, "Song", "output")), output);
    ++songs;
  }
  EXPECT_GT(songs, 180);
}

TEST(WriterTest, ReversalLongerThan64KiBReadsBack) {
  // Two channels of 20,000 notes each, played out: 80,000 bytes of events.
  const Bytes played = Hex("81 01 F7 00 C8 FF FA F7 01 64 FF F5 F2");
  const Bytes output = Reversed(SongBuilder().Dac(played).Fm(played).Build());
  ASSERT_GT(output.size(), 0x10000u);
  EXPECT_EQ(ReadBack(WriteSource(kSonic1Driver, output, "Song", "output")), output);
}

TEST(WriterTest, WritesTheSongAsTheDisassemblyDoes) {
  const std::string source =
      WriteSource(kSonic1Driver, ExampleSongReversed(), "Mus81_Green", "of green.bin");
  EXPECT_TRUE(
      source.starts_with("; of green.bin\n"
                         "Mus81_Green_Header:\n"
                         "\tsmpsHeaderStartSong 1\n"
                         "\tsmpsHeaderVoice     Mus81_Green_Voices\n"
                         "\tsmpsHeaderChan      $02, $00\n"
                         "\tsmpsHeaderTempo     $01, $05\n"
                         "\n"
                         "\tsmpsHeaderDAC       Mus81_Green_DAC\n"
                         "\tsmpsHeaderFM        Mus81_Green_FM1,\t$00, $00\n"
                         "\n"
                         "Mus81_Green_Voices:\n"
                         ";\tVoice $00\n"))
      << source;
  EXPECT_NE(source.find("\n; DAC Data\n"
                        "Mus81_Green_DAC:\n"
                        "\tdc.b\tnRst, $18, dSnare, $0C, dKick, $0C\n"
                        "\tsmpsStop\n"
                        "\n"
                        "; FM1 Data\n"
                        "Mus81_Green_FM1:\n"
                        "\tsmpsSetvoice        $00\n"
                        "\tsmpsAlterVol        $08\n"
                        "\tdc.b\tnAb2, $18, nAb2, $18\n"
                        "\tsmpsSetvoice        $00\n"
                        "\tsmpsAlterVol        $F8\n"
                        "\tsmpsJump            Mus81_Green_FM1\n"),
            std::string::npos)
      << source;
}

TEST(WriterTest, DcbLinesHoldTwelveValuesAtMost) {
  const std::string source = WriteSource(
      kSonic1Driver,
      SongBuilder().Dac(Hex("81 01 82 01 83 01 84 01 85 01 86 01 87 01 F2")).Build(), "S", "");
  EXPECT_NE(source.find("\tdc.b\tdKick, $01, dSnare, $01, dTimpani, $01, $84, $01, $85, $01, "
                        "$86, $01\n\tdc.b\t$87, $01\n"),
            std::string::npos)
      << source;
}

TEST(WriterTest, LabelPrefixFromAFileName) {
  EXPECT_EQ(LabelPrefixFor("Mus81 - GHZ.bin"), "Mus81_GHZ");
  EXPECT_EQ(LabelPrefixFor("my song (2).bin"), "my_song_2");
  EXPECT_EQ(LabelPrefixFor("8-bit.bin"), "Song_8_bit");
}

// The songs of the game, when a copy of them lies beside the checkout: each
// source reads to its bytes (the build pads an odd song with one 00), and
// the reversal of either reads back from what the writer makes of it.
TEST(WriterTest, SongsOfTheGameReadToTheirBytes) {
  const std::filesystem::path folder = QUORLIN_SOURCE_DIR "/../shared/songs";
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no songs in " << folder;
  int songs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".asm") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const Bytes text = ReadFile(entry.path().string());
    Bytes bytes = ReadBack(std::string(text.begin(), text.end()));
    if (bytes.size() % 2 != 0) bytes.push_back(0);
    std::filesystem::path bin = entry.path();
    EXPECT_EQ(bytes, ReadFile(bin.replace_extension(".bin").string()));
    const Bytes reversed = Reversed(bytes);
    EXPECT_EQ(ReadBack(WriteSource(kSonic1Driver, reversed, "Song", "")), reversed);
    ++songs;
  }
  EXPECT_GT(songs, 0);
}

}  // namespace
}  // namespace quorlin::testing
