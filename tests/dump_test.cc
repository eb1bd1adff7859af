// Diagnostic dumps: each channel's picture of its lists, the voices and the
// tempo divider timeline of a conversion, written beside the track.
#include "diagnostics/dump.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "example_song.h"
#include "format/bytes.h"
#include "frontend/process_file.h"

namespace quorlin::testing {
namespace {

namespace fs = std::filesystem;

TEST(DumpTest, WritesEveryBufferThenVoicesThenTimeline) {
  SongBuilder builder;
  builder.Dac(Hex("F2")).Fm(Hex("F2")).Fm(Hex("F2")).Psg(Hex("F2"));
  const Dumped dumped = ConvertWithDumps(builder.Build());
  EXPECT_EQ(dumped.sink.names, (std::vector<std::string>{"DAC01.bin", "FM01.bin", "FM02.bin",
                                                         "PSG01.bin", "Voices.bin", "FlagEB.bin"}));
  for (const char* name : {"DAC01.bin", "FM01.bin", "FM02.bin", "PSG01.bin"}) {
    EXPECT_EQ(dumped.sink.files.at(name).size(), 65536u) << name;
  }
  EXPECT_EQ(dumped.sink.files.at("FlagEB.bin").size(), 0u);
}

TEST(DumpTest, TenFmChannelsCountOnInHex) {
  SongBuilder builder;
  builder.Dac(Hex("F2"));
  for (int i = 0; i < 10; ++i) builder.Fm(Hex("F2"));
  const Dumped dumped = ConvertWithDumps(builder.Build());
  EXPECT_EQ(dumped.sink.names[9], "FM09.bin");
  EXPECT_EQ(dumped.sink.names[10], "FM0A.bin");
}

TEST(DumpTest, ChannelFileHoldsOutputDataLengthWordAndConvertedList) {
  const Dumped dumped = ConvertWithDumps(ExampleSong());
  const Bytes& fm = dumped.sink.files.at("FM01.bin");
  // The FM channel's 15 bytes start at 0x2E of the output track.
  EXPECT_EQ(Bytes(fm.begin(), fm.begin() + 15),
            Bytes(dumped.output.begin() + 0x2E, dumped.output.begin() + 0x2E + 15));
  EXPECT_EQ(ReadBigEndian16(fm, 0x7FFE), 15);
  EXPECT_EQ(ToHex(Bytes(fm.begin() + 0x8000, fm.begin() + 0x8000 + 15)),
            "E6 F8 EF 00 A1 18 A1 18 E6 08 EF 00 F6 00 00");
  // Zero behind the event list and behind the converted list.
  EXPECT_TRUE(std::all_of(fm.begin() + 15, fm.begin() + 0x7FFE, [](auto b) { return b == 0; }));
  EXPECT_TRUE(std::all_of(fm.begin() + 0x8000 + 15, fm.end(), [](auto b) { return b == 0; }));
}

TEST(DumpTest, LengthWordHoldsTheEventLengthHighByteFirst) {
  // 200 notes with durations, then F2: 401 bytes = 0x0191.
  Bytes data;
  for (int i = 0; i < 200; ++i) data.insert(data.end(), {0x81, 0x01});
  data.push_back(0xF2);
  const Dumped dumped = ConvertWithDumps(SongBuilder().Dac(data).Build());
  const Bytes& dac = dumped.sink.files.at("DAC01.bin");
  EXPECT_EQ(dac[0x7FFE], 0x01);
  EXPECT_EQ(dac[0x7FFF], 0x91);
}

TEST(DumpTest, VoicesEqualTheOutputVoiceTable) {
  const Dumped dumped = ConvertWithDumps(SongBuilder().Dac(Hex("EF 02 F2")).Voices(3).Build());
  const Bytes& voices = dumped.sink.files.at("Voices.bin");
  ASSERT_EQ(voices.size(), 75u);
  const std::size_t table = ReadBigEndian16(dumped.output, 0);
  EXPECT_EQ(voices, Bytes(dumped.output.begin() + table, dumped.output.begin() + table + 75));
}

TEST(DumpTest, TimelineHoldsClockAndDividerBigEndian) {
  // Divider 2 at DAC clock 0x1800 (24 units at divider 1).
  const Dumped dumped = ConvertWithDumps(SongBuilder().Dac(Hex("81 18 EB 02 81 0C F2")).Build());
  EXPECT_EQ(ToHex(dumped.sink.files.at("FlagEB.bin")), "00 00 18 00 00 00 00 02");
}

class DumpFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = ScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_ + "out");
    WriteFile(folder_ + "green.bin", ExampleSong());
  }
  std::string Run(bool write_dumps) {
    std::ostringstream console;
    RunOutputs outputs;
    ProcessFile(JobFor(folder_ + "green.bin", {}, folder_ + "out/", write_dumps), console, outputs);
    return console.str();
  }
  std::string folder_;
};

TEST_F(DumpFilesTest, OutputIsTheSameWithAndWithoutDumps) {
  const std::string quiet = Run(false);
  EXPECT_FALSE(fs::exists(folder_ + "green"));
  const Bytes plain = ReadFile(folder_ + "out/green.bin");
  const std::string dumping = Run(true);
  // The same report, and one line saying where the dumps went.
  EXPECT_EQ(dumping, quiet + "    Dumps; written into " + folder_ + "green/\n");
  EXPECT_EQ(ReadFile(folder_ + "out/green.bin"), plain);
  EXPECT_EQ(fs::file_size(folder_ + "green/DAC01.bin"), 65536u);
  EXPECT_EQ(fs::file_size(folder_ + "green/Voices.bin"), 25u);
  EXPECT_TRUE(fs::exists(folder_ + "green/FlagEB.bin"));
}

TEST_F(DumpFilesTest, DumpFolderThatCannotBeMadeGetsOneLineAndTheConversionCompletes) {
  WriteFile(folder_ + "green", Bytes{1});  // a file where the folder should be
  const std::string report = Run(true);
  EXPECT_NE(report.find("    Dumps skipped; could not create the folder " + folder_ +
                        "green/ (a file of that name is in the way)\n"),
            std::string::npos)
      << report;
  EXPECT_EQ(ReadFile(folder_ + "out/green.bin"), ExampleSongReversed());
  EXPECT_EQ(ReadFile(folder_ + "green"), Bytes{1});
}

}  // namespace
}  // namespace quorlin::testing
