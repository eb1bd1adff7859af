// The built executable, run as a user runs it: console lines, output files,
// and what it never touches.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "example_song.h"
#include "frontend/debug_mode.h"
#include "run_quorlin.h"

namespace quorlin::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBanner = "Quorlin - by Velloran\n\n";
constexpr const char* kClosing = "\nPress enter key to exit...\n";

std::string ReportOf(const std::string& name, int fm, int psg, const std::string& divide,
                     const std::string& frame, const std::string& voices) {
  return "\n -> " + name + "\n    Channels; DAC 1 FM " + std::to_string(fm) + " PSG " +
         std::to_string(psg) + "\n    Tempo; Divide " + divide + " Frame " + frame +
         "\n    Voices detected; " + voices + "\n";
}

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = ScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    program_ = folder_ + "tools/quorlin";
    fs::create_directories(folder_ + "tools");
    fs::create_directories(folder_ + "music");
  }
  std::string Track(const std::string& name, const Bytes& bytes) {
    const std::string path = folder_ + "music/" + name;
    WriteFile(path, bytes);
    return path;
  }
  std::string OutputOf(const std::string& name) const { return folder_ + "tools/Output/" + name; }

  std::string folder_;
  std::string program_;
};

TEST_F(CommandLineTest, WithoutTracksShowsUsageAndCreatesNothing) {
  const RunResult run = RunQuorlin(program_, {});
  EXPECT_EQ(run.output, std::string(kBanner) +
                            " -> Drag and drop one or more Sonic 1 SMPS track(s) onto this "
                            "application\n" +
                            kClosing);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_FALSE(fs::exists(folder_ + "tools/Output"));
}

TEST_F(CommandLineTest, ConvertsATrackIntoTheOutputFolderBesideTheProgram) {
  const RunResult run = RunQuorlin(program_, {Track("green.bin", ExampleSong())});
  EXPECT_EQ(run.output, std::string(kBanner) + " -> Processing list\n" +
                            ReportOf("green.bin", 1, 0, "1", "5", "1") + kClosing);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(ToHex(ReadFile(OutputOf("green.bin"))), ToHex(ExampleSongReversed()));
}

TEST_F(CommandLineTest, ReportsCountsInUpperCaseHex) {
  SongBuilder builder;
  builder.Dac(Hex("EF 10 F2")).Divider(0x01).Tempo(0x1F).Voices(17);
  for (int i = 0; i < 5; ++i) builder.Fm(Hex("F2"));
  for (int i = 0; i < 3; ++i) builder.Psg(Hex("F2"));
  const RunResult run = RunQuorlin(program_, {Track("marble.bin", builder.Build())});
  EXPECT_NE(run.output.find(ReportOf("marble.bin", 5, 3, "1", "1F", "11")), std::string::npos)
      << run.output;
}

TEST_F(CommandLineTest, FileThatCannotBeOpenedIsReportedAndTheNextStillConverts) {
  const RunResult run =
      RunQuorlin(program_, {folder_ + "music/missing.bin", Track("green.bin", ExampleSong())});
  EXPECT_EQ(run.output, std::string(kBanner) + " -> Processing list\n" +
                            "\n -> missing.bin\n    Error; could not open the file\n" +
                            ReportOf("green.bin", 1, 0, "1", "5", "1") + kClosing);
  EXPECT_TRUE(fs::exists(OutputOf("green.bin")));
  EXPECT_FALSE(fs::exists(OutputOf("missing.bin")));
}

TEST_F(CommandLineTest, AFolderIsAFileThatCannotBeOpened) {
  const RunResult run = RunQuorlin(program_, {folder_ + "music"});
  EXPECT_NE(run.output.find("\n -> music\n    Error; could not open the file\n"), std::string::npos)
      << run.output;
}

TEST_F(CommandLineTest, BrokenTrackGetsOneLineAndTheNextStillConverts) {
  const std::string broken = Track("broken.bin", SongBuilder().Dac(Hex("81 0C E3")).Build());
  const std::string good = Track("green.bin", ExampleSong());
  const auto broken_stamp = fs::last_write_time(broken);
  const auto good_stamp = fs::last_write_time(good);
  const RunResult run = RunQuorlin(program_, {broken, good});
  EXPECT_EQ(run.output, std::string(kBanner) + " -> Processing list\n" +
                            "\n -> broken.bin\n    Channels; DAC 1 FM 0 PSG 0\n"
                            "    Tempo; Divide 1 Frame 5\n"
                            "    Error; DAC returns at offset 0x000C without a call\n" +
                            ReportOf("green.bin", 1, 0, "1", "5", "1") + kClosing);
  EXPECT_FALSE(fs::exists(OutputOf("broken.bin")));
  EXPECT_EQ(ReadFile(OutputOf("green.bin")), ExampleSongReversed());
  // Neither source track was touched.
  EXPECT_EQ(ReadFile(good), ExampleSong());
  EXPECT_EQ(fs::last_write_time(broken), broken_stamp);
  EXPECT_EQ(fs::last_write_time(good), good_stamp);
}

#if defined(__SANITIZE_ADDRESS__)
#define QUORLIN_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORLIN_ADDRESS_SANITIZER 1
#endif
#endif

TEST_F(CommandLineTest, FailedAllocationGetsOneLineAndTheNextStillConverts) {
#ifdef QUORLIN_ADDRESS_SANITIZER
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#endif
  // The DAC plays 64 notes of 127 units at divider 255; the 509 other
  // channels stop at once and are filled with 32,500 bytes of rests each:
  // 16 MB, more than 12,000 KiB of address space holds besides the program.
  SongBuilder song;
  song.Dac(Hex("E5 FF 81 7F F7 00 40 FF FB F2"));
  for (int i = 0; i < 254; ++i) song.Fm(Hex("F2"));
  for (int i = 0; i < 255; ++i) song.Psg(Hex("F2"));
  const std::string big = Track("big.bin", song.Build());
  const RunResult run =
      RunQuorlin(program_, {big, Track("green.bin", ExampleSong())}, "ulimit -v 12000");
  EXPECT_NE(run.output.find("    Error; not enough memory to convert the track\n"),
            std::string::npos)
      << run.output;
  EXPECT_FALSE(fs::exists(OutputOf("big.bin")));
  EXPECT_EQ(ReadFile(OutputOf("green.bin")), ExampleSongReversed());
}

TEST_F(CommandLineTest, OutputReplacesAnOlderFileOfTheSameName) {
  fs::create_directories(folder_ + "tools/Output");
  WriteFile(OutputOf("green.bin"), Bytes(500, 0xEE));
  RunQuorlin(program_, {Track("green.bin", ExampleSong())});
  EXPECT_EQ(ReadFile(OutputOf("green.bin")), ExampleSongReversed());
  EXPECT_FALSE(fs::exists(OutputOf("green.bin.quorlin-tmp")));
}

TEST_F(CommandLineTest, TrackDroppedFromTheOutputFolderIsLeftUnchanged) {
  fs::create_directories(folder_ + "tools/Output");
  const std::string source = OutputOf("green.bin");
  WriteFile(source, ExampleSong());
  const auto stamp = fs::last_write_time(source);
  const RunResult run = RunQuorlin(program_, {source});
  EXPECT_NE(
      run.output.find("    Error; the output " + source +
                      " would replace the source track itself; the track is left unchanged\n"),
      std::string::npos)
      << run.output;
  EXPECT_EQ(ReadFile(source), ExampleSong());
  EXPECT_EQ(fs::last_write_time(source), stamp);
}

TEST_F(CommandLineTest, OutputThatCannotBeWrittenIsReportedAndNothingIsClaimed) {
  // A file named Output stands where the folder should be.
  WriteFile(folder_ + "tools/Output", Bytes{1, 2, 3});
  const RunResult run = RunQuorlin(program_, {Track("green.bin", ExampleSong())});
  EXPECT_NE(run.output.find("    Voices detected; 1\n    Error; could not write the output file " +
                            OutputOf("green.bin") + "\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(ReadFile(folder_ + "tools/Output"), (Bytes{1, 2, 3}));
}

TEST_F(CommandLineTest, FailedWriteKeepsWhatStandsAtTheOutputPath) {
  // A folder occupies the output name: the rename over it fails and the
  // folder and its contents survive.
  fs::create_directories(OutputOf("green.bin"));
  WriteFile(OutputOf("green.bin") + "/keep", Bytes{7});
  const RunResult run = RunQuorlin(program_, {Track("green.bin", ExampleSong())});
  EXPECT_NE(run.output.find("    Error; could not write the output file"), std::string::npos)
      << run.output;
  EXPECT_EQ(ReadFile(OutputOf("green.bin") + "/keep"), Bytes{7});
  EXPECT_FALSE(fs::exists(OutputOf("green.bin.quorlin-tmp")));
}

TEST_F(CommandLineTest, TracksAreConvertedInCommandLineOrder) {
  const std::string a = Track("b_first.bin", ExampleSong());
  const std::string b = Track("a_second.bin", ExampleSong());
  const RunResult run = RunQuorlin(program_, {a, b});
  EXPECT_LT(run.output.find("b_first.bin"), run.output.find("a_second.bin"));
  EXPECT_TRUE(fs::exists(OutputOf("b_first.bin")));
  EXPECT_TRUE(fs::exists(OutputOf("a_second.bin")));
}

TEST_F(CommandLineTest, DumpsFollowTheBuildSwitch) {
  const RunResult run = RunQuorlin(program_, {Track("green.bin", ExampleSong())});
  // The default build never creates a SongFolder; a dumping build fills it.
  EXPECT_EQ(fs::exists(folder_ + "music/green/FM01.bin"), DebugMode != 0);
  EXPECT_EQ(run.output, std::string(kBanner) + " -> Processing list\n" +
                            ReportOf("green.bin", 1, 0, "1", "5", "1") + kClosing);
  EXPECT_EQ(ReadFile(OutputOf("green.bin")), ExampleSongReversed());
}

}  // namespace
}  // namespace quorlin::testing
