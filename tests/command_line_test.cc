// The built executable, run as a user runs it: console lines, exit status,
// output files, and what it never touches.
#include "frontend/command_line.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "example_song.h"
#include "frontend/debug_mode.h"
#include "rom/reverse_rom.h"
#include "run_quorlin.h"
#include "smps2asm/assembler.h"
#include "smps2asm/writer.h"

namespace quorlin::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBanner = "Quorlin - by Velloran\n\n";
constexpr const char* kClosing = "\nPress enter key to exit...";

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
    fs::create_directories(fs::path(path).parent_path());
    WriteFile(path, bytes);
    return path;
  }
  std::string OutputOf(const std::string& name) const { return folder_ + "tools/Output/" + name; }
  // The report of the example song (or its reversal) converted from
  // `folder`NAME, with the line of its dumps in a build that writes them.
  std::string Converted(const std::string& name, const std::string& folder = "music/") const {
    const std::string dumps = DebugMode == 0 ? ""
                                             : "    Dumps; written into " + folder_ + folder +
                                                   name.substr(0, name.rfind('.')) + "/\n";
    return ReportOf(name, 1, 0, "1", "5", "1") + dumps;
  }
  std::string Summary(int converted, int failed, const std::string& folder = "tools/Output") {
    return "\n -> " + std::to_string(converted) + " converted, " + std::to_string(failed) +
           " failed; reversed songs are in " + folder_ + folder + "\n";
  }
  // Chained settings of a run.
  struct Options : RunOptions {
    Options& Limits(std::string text) { return limits = std::move(text), *this; }
    Options& Input(std::string text) { return input = std::move(text), *this; }
    Options& ThenReadInput() { return then_read_input = true, *this; }
    Options& Terminal() { return terminal = true, *this; }
    Options& Folder(std::string path) { return folder = std::move(path), *this; }
  };
  RunResult Run(const std::vector<std::string>& arguments, const RunOptions& options = {}) {
    return RunQuorlin(program_, arguments, options);
  }

  std::string folder_;  // ends with '/'
  std::string program_;
};

TEST_F(CommandLineTest, WithoutTracksShowsUsageAndCreatesNothing) {
  const RunResult run = Run({});
  EXPECT_EQ(run.output, std::string(kBanner) +
                            " -> Drag and drop one or more Sonic 1 SMPS track(s) onto this "
                            "application\n");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_FALSE(fs::exists(folder_ + "tools/Output"));
}

TEST_F(CommandLineTest, ConvertsATrackIntoTheOutputFolderBesideTheProgram) {
  const RunResult run = Run({Track("green.bin", ExampleSong())});
  EXPECT_EQ(run.output, std::string(kBanner) + " -> Processing list\n" +
                            Converted("green.bin") + Summary(1, 0));
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(ToHex(ReadFile(OutputOf("green.bin"))), ToHex(ExampleSongReversed()));
}

TEST_F(CommandLineTest, ReportsCountsInUpperCaseHex) {
  SongBuilder builder;
  builder.Dac(Hex("EF 10 F2")).Divider(0x01).Tempo(0x1F).Voices(17);
  for (int i = 0; i < 5; ++i) builder.Fm(Hex("F2"));
  for (int i = 0; i < 3; ++i) builder.Psg(Hex("F2"));
  const RunResult run = Run({Track("marble.bin", builder.Build())});
  EXPECT_NE(run.output.find(ReportOf("marble.bin", 5, 3, "1", "1F", "11")), std::string::npos)
      << run.output;
}

TEST_F(CommandLineTest, ReportsAnEffectsTracksInHeaderOrder) {
  // FM5 and PSG3, one voice record.
  Bytes effect = Hex("00 16 01 02 80 05 00 10 00 00 80 C0 00 14 00 00 EF 00 A1 02 B1 01 F2 F2");
  effect.resize(effect.size() + kVoiceRecordSize);
  const RunResult run = Run({Track("spring.bin", effect)});
  EXPECT_NE(run.output.find("\n -> spring.bin\n    Effect; FM5 PSG3\n    Tempo; Divide 1\n"
                            "    Voices detected; 1\n"),
            std::string::npos)
      << run.output;
  EXPECT_TRUE(fs::exists(OutputOf("spring.bin")));
}

TEST_F(CommandLineTest, FileErrorsGiveTheSystemsReasonAndTheNextTrackStillConverts) {
  fs::create_directories(folder_ + "empty");
  WriteFile(folder_ + "empty/notes.txt", {});
  const RunResult run =
      Run({folder_ + "music/missing.bin", folder_ + "empty/", Track("green.bin", ExampleSong())});
  EXPECT_EQ(run.output,
            std::string(kBanner) + " -> Processing list\n" +
                "\n -> missing.bin\n    Error; could not open the file (No such file or "
                "directory)\n" +
                "\n -> empty\n    Error; the folder holds no .bin or .asm song and no game image\n" +
                Converted("green.bin") + Summary(1, 2));
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_TRUE(fs::exists(OutputOf("green.bin")));
  EXPECT_FALSE(fs::exists(OutputOf("missing.bin")));
}

TEST_F(CommandLineTest, FolderStandsForTheSongsAndGameImagesDirectlyInIt) {
  Track("album/b.BIN", ExampleSong());
  const std::string source = WriteSource(kSonic1Driver, ExampleSong(), "Mus81_Green", "green");
  Track("album/a.asm", Bytes(source.begin(), source.end()));
  const Bytes song = SongBuilder().Dac(Hex("81 0C F2")).Build();
  Track("album/game.GEN", GameImage(0x0800, {song}, {0, 0, 0, 0, 0, 0, 0, 0}));
  Track("album/fake.md", ExampleSong());  // no game in it
  Track("album/cover.png", {});
  Track("album/more/c.bin", ExampleSong());  // not looked into
  const RunResult run = Run({folder_ + "music/album"});
  EXPECT_TRUE(run.output.starts_with(
      std::string(kBanner) + " -> Processing list\n" +
      "\n -> album\n    Folder; 2 songs, 1 game image; 2 other files and 1 sub-folder passed "
      "over\n" +
      Converted("a.asm", "music/album/") + Converted("b.BIN", "music/album/") +
      "\n -> game.GEN\n    ROM; music table at 0x000800, 8 songs\n"))
      << run.output;
  EXPECT_TRUE(run.output.ends_with(Summary(3, 0))) << run.output;
}

TEST_F(CommandLineTest, OnlyRegularFilesAreOpened) {
  const std::string fifo = folder_ + "music/pipe.bin";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  // Nobody writes into the FIFO: opening it for reading would wait for ever.
  const RunResult run = Run({fifo, "/dev/null", Track("green.bin", ExampleSong())});
  EXPECT_EQ(run.output,
            std::string(kBanner) + " -> Processing list\n" +
                "\n -> pipe.bin\n    Error; could not open the file (not a regular file)\n" +
                "\n -> null\n    Error; could not open the file (not a regular file)\n" +
                Converted("green.bin") + Summary(1, 2));
}

TEST_F(CommandLineTest, TrackThatMayNotBeReadGivesTheSystemsReason) {
  if (geteuid() == 0) GTEST_SKIP() << "root may read any file";
  const std::string locked = Track("locked.bin", ExampleSong());
  chmod(locked.c_str(), 0);
  const RunResult run = Run({locked});
  EXPECT_NE(run.output.find("    Error; could not open the file (Permission denied)\n"),
            std::string::npos)
      << run.output;
}

TEST_F(CommandLineTest, BrokenTrackGetsOneLineAndTheNextStillConverts) {
  const std::string broken = Track("broken.bin", SongBuilder().Dac(Hex("81 0C E3")).Build());
  const std::string good = Track("green.bin", ExampleSong());
  const auto broken_stamp = fs::last_write_time(broken);
  const auto good_stamp = fs::last_write_time(good);
  const RunResult run = Run({broken, good});
  EXPECT_EQ(run.output, std::string(kBanner) + " -> Processing list\n" +
                            "\n -> broken.bin\n    Channels; DAC 1 FM 0 PSG 0\n"
                            "    Tempo; Divide 1 Frame 5\n"
                            "    Error; DAC returns at offset 0x000C without a call\n" +
                            Converted("green.bin") + Summary(1, 1));
  EXPECT_EQ(run.exit_code, 1);
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
      Run({big, Track("green.bin", ExampleSong())}, Options().Limits("ulimit -v 12000"));
  EXPECT_NE(run.output.find("    Error; not enough memory to convert the track\n"),
            std::string::npos)
      << run.output;
  EXPECT_FALSE(fs::exists(OutputOf("big.bin")));
  EXPECT_EQ(ReadFile(OutputOf("green.bin")), ExampleSongReversed());
}

TEST_F(CommandLineTest, SecondTrackOfTheSameNameInOneRunKeepsTheFirstOutput) {
  const Bytes other = SongBuilder().Dac(Hex("81 18 F2")).Build();
  for (const bool example_first : {true, false}) {
    SCOPED_TRACE(example_first ? "example first" : "other first");
    fs::remove_all(folder_ + "tools/Output");
    const std::string first =
        Track(example_first ? "a/song.bin" : "b/song.bin", example_first ? ExampleSong() : other);
    const std::string second =
        Track(example_first ? "b/song.bin" : "a/song.bin", example_first ? other : ExampleSong());
    const RunResult run = Run({first, second});
    EXPECT_NE(run.output.find("    Error; the output " + OutputOf("song.bin") +
                              " was written for " + first +
                              " earlier in this run; it is kept and this track is not "
                              "converted\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(ReadFile(OutputOf("song.bin")), Reversed(ReadFile(first)));
  }
}

// Every file and link under `folder` as it stands: a file's bytes, or where
// a link points.
std::map<std::string, std::string> FilesIn(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().string().substr(folder.size());
    if (entry.is_symlink()) {
      files[name] = "a link to " + fs::read_symlink(entry.path()).string();
    } else if (entry.is_regular_file()) {
      const Bytes bytes = ReadFile(entry.path().string());
      files[name] = std::string(bytes.begin(), bytes.end());
    }
  }
  return files;
}

// "$" in a case's text stands for the test's folder.
std::string InFolder(std::string text, const std::string& folder) {
  for (std::size_t at = 0; (at = text.find('$', at)) != std::string::npos; at += folder.size()) {
    text.replace(at, 1, folder);
  }
  return text;
}

TEST_F(CommandLineTest, NoTrackOfTheRunIsEverOverwrittenByAnyName) {
  // music/green.bin holds the example song; each case adds files and links.
  // The other song is the example's reversal: another song, the same report.
  const std::string long_name = std::string(251, 'l') + ".bin";  // 255 bytes
  const std::string odd_name = "a\nb\x1B[31m.bin";
  const std::string kept = ", a track of this run; it is left unchanged and this track is not "
                           "converted\n";
  const std::string none = "\n -> 0 converted, ";
  struct Case {
    std::string name;
    std::function<void()> make;
    std::vector<std::string> arguments;
    std::string report;  // how the output ends
    int exit_code;
    std::vector<std::string> written;  // outputs of the example song, all else is kept
    int runs = 1;
  };
  const auto file = [&](const std::string& name, const Bytes& bytes) {
    fs::create_directories(fs::path(folder_ + name).parent_path());
    WriteFile(folder_ + name, bytes);
  };
  const auto link = [&](const std::string& target, const std::string& name) {
    fs::create_directories(folder_ + "out");
    fs::create_symlink(target, folder_ + name);
  };
  const Case cases[] = {
      {"an output that is a later track",
       [&] { file("out/green.bin", ExampleSongReversed()); },
       {"-o", "$out", "$music/green.bin", "$out/green.bin"},
       Converted("green.bin") + "    Error; the output $out/green.bin would replace $out/green.bin" +
           kept + Converted("green.bin", "out/") +
           "    Error; the output $out/green.bin would replace the source track itself; the "
           "track is left unchanged\n" +
           none + "2 failed; no reversed song was written\n",
       1,
       {}},
      {"an output that is a hard link to a later track",
       [&] {
         file("music/blue.bin", ExampleSongReversed());
         fs::create_directories(folder_ + "out");
         fs::create_hard_link(folder_ + "music/green.bin", folder_ + "out/blue.bin");
       },
       {"-o", "$out", "$music/blue.bin", "$music/green.bin"},
       Converted("blue.bin") + "    Error; the output $out/blue.bin would replace $music/green.bin" +
           kept + Converted("green.bin") + Summary(1, 1, "out"),
       1,
       {"out/green.bin"}},
      {"an output that is a symbolic link to an earlier track",
       [&] {
         file("music/blue.bin", ExampleSongReversed());
         link("../music/green.bin", "out/blue.bin");
       },
       {"-o", "$out", "$music/green.bin", "$music/blue.bin"},
       Converted("green.bin") + Converted("blue.bin") +
           "    Error; the output $out/blue.bin would replace $music/green.bin" + kept +
           Summary(1, 1, "out"),
       1,
       {"out/green.bin"}},
      {"the output folder named as the track's own",
       [] {},
       {"-o", "$music", "$music/green.bin"},
       Converted("green.bin") +
           "    Error; the output $music/green.bin would replace the source track itself; the "
           "track is left unchanged\n" +
           none + "1 failed; no reversed song was written\n",
       1,
       {}},
      {"a link beside an older output, named as its temporary file once was",
       [&] {
         file("music/blue.bin", ExampleSongReversed());
         file("out/green.bin", Bytes(500, 0xEE));
         link("../music/blue.bin", "out/green.bin.quorlin-tmp");
       },
       {"-o", "$out", "$music/green.bin"},
       Converted("green.bin") + Summary(1, 0, "out"),
       0,
       {"out/green.bin"}},
      {"a 255-byte name, converted twice",
       [&] { file("music/" + long_name, ExampleSong()); },
       {"-o", "$out", "$music/" + long_name},
       Converted(long_name) + Summary(1, 0, "out"),
       0,
       {"out/" + long_name},
       2},
      {"the same file named twice and met in its folder",
       [] {},
       {"-o", "$out", "$music/green.bin", "$music/../music/green.bin", "$music"},
       Converted("green.bin") +
           "\n -> green.bin\n    Notice; the same file as $music/green.bin, named before in "
           "this run: it is converted once\n"
           "\n -> music\n    Folder; 1 song\n"
           "\n -> green.bin\n    Notice; the same file as $music/green.bin, named before in "
           "this run: it is converted once\n" +
           Summary(1, 0, "out"),
       0,
       {"out/green.bin"}},
      {"an output folder with a file in its way",
       [&] { file("out", Bytes{1, 2, 3}); },
       {"-o", "$out", "$music/green.bin"},
       std::string(kBanner) +
           "    Error; could not create the output folder $out (a file of that name is in the "
           "way); no track is converted\n",
       1,
       {}},
      {"an output folder whose parents are missing",
       [] {},
       {"-o", "$out/x/y", "$music/green.bin"},
       Converted("green.bin") + Summary(1, 0, "out/x/y"),
       0,
       {"out/x/y/green.bin"}},
      {"a name with a line break and an escape sequence",
       [&] { file("music/" + odd_name, ExampleSong()); },
       {"-o", "$out", "$music/" + odd_name},
       Converted("a\\x0Ab\\x1B[31m.bin") + Summary(1, 0, "out"),
       0,
       {"out/" + odd_name}},
  };
  const Bytes reversed = ExampleSongReversed();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(folder_ + "music");
    fs::remove_all(folder_ + "out");
    file("music/green.bin", ExampleSong());
    c.make();
    auto before = FilesIn(folder_);
    std::vector<std::string> arguments;
    for (const std::string& argument : c.arguments) arguments.push_back(InFolder(argument, folder_));
    RunResult run;
    for (int i = 0; i < c.runs; ++i) run = Run(arguments);
    EXPECT_TRUE(run.output.ends_with(InFolder(c.report, folder_))) << run.output;
    EXPECT_EQ(run.exit_code, c.exit_code);
    auto after = FilesIn(folder_);
    // A build that always dumps writes each track's dumps into a folder beside it.
    std::erase_if(after, [&](const auto& entry) {
      return DebugMode != 0 && !before.contains(entry.first) &&
             before.contains(fs::path(entry.first).parent_path().string() + ".bin");
    });
    for (const std::string& output : c.written) {
      EXPECT_EQ(after[output], std::string(reversed.begin(), reversed.end())) << output;
      before.erase(output);
      after.erase(output);
    }
    // Every track and link is as it was, and no temporary file is left.
    EXPECT_EQ(after, before);
  }
}

TEST_F(CommandLineTest, FailedWriteGivesTheReasonAndKeepsWhatStandsAtTheOutputPath) {
  // A folder occupies the output name: it and its contents survive.
  fs::create_directories(OutputOf("green.bin"));
  WriteFile(OutputOf("green.bin") + "/keep", Bytes{7});
  const RunResult run = Run({Track("green.bin", ExampleSong())});
  EXPECT_NE(run.output.find("    Error; could not write the output file " + OutputOf("green.bin") +
                            " (it is a folder)\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(ReadFile(OutputOf("green.bin") + "/keep"), Bytes{7});
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_ + "tools/Output"), {}), 1);
}

TEST_F(CommandLineTest, TracksAreConvertedInCommandLineOrder) {
  const std::string a = Track("b_first.bin", ExampleSong());
  const std::string b = Track("a_second.bin", ExampleSong());
  const RunResult run = Run({a, b});
  EXPECT_LT(run.output.find("b_first.bin"), run.output.find("a_second.bin"));
  EXPECT_NE(run.output.find(Summary(2, 0)), std::string::npos) << run.output;
}

TEST_F(CommandLineTest, OutputOptionNamesTheFolder) {
  const RunResult run = Run({"-o", folder_ + "reversed", Track("green.bin", ExampleSong())});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(ReadFile(folder_ + "reversed/green.bin"), ExampleSongReversed());
  EXPECT_NE(run.output.find(Summary(1, 0, "reversed")), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(folder_ + "tools/Output"));
}

TEST_F(CommandLineTest, CompactOptionWritesLoopsAndANoticeSaysWhenNeeded) {
  // Eight plays of two notes, played out by the tool and folded into a loop.
  const Bytes repeats = SongBuilder().Dac(Hex("81 0C 82 0C F7 00 08 FF F8 F2")).Build();
  // 40,000 bytes played out twice: too long for its closing jump.
  const Bytes long_loop =
      SongBuilder().Dac(Hex("81 01 F7 00 C8 FF FA F7 01 64 FF F5 F6 FF F2")).Build();
  const RunResult run = Run({"--compact", Track("beat.bin", repeats), "-o", folder_ + "plain"});
  EXPECT_EQ(run.exit_code, 0);
  const Bytes compacted = ReadFile(folder_ + "plain/beat.bin");
  // Reversed: 82 0C 81 0C, eight times.
  EXPECT_EQ(ToHex(Bytes(compacted.end() - 10, compacted.end())), "82 0C 81 0C F7 00 08 FF F8 F2");
  const RunResult notice = Run({Track("long.bin", long_loop)});
  EXPECT_EQ(notice.exit_code, 0);
  EXPECT_NE(notice.output.find("\n    Notice; DAC is 80003 bytes long "
                               "reversed, more than its closing jump can reach back (32769); the "
                               "song is written with loops and calls\n"),
            std::string::npos)
      << notice.output;
}

TEST_F(CommandLineTest, GameImageGetsEverySongReversedAndAReportOfEach) {
  std::vector<Bytes> songs;
  for (std::uint8_t tempo = 1; tempo <= 8; ++tempo) {
    songs.push_back(SongBuilder().Tempo(tempo).Dac(Hex("81 0C F2")).Fm(Hex("A1 18 F2")).Build());
  }
  const Bytes rom = GameImage(0x0800, songs, {0, 1, 2, 3, 4, 5, 6, 7, 0});
  const RunResult run = Run({"--dumps", "--format", "asm", Track("game.gen", rom)});
  std::string report =
      "\n -> game.gen\n"
      "    Notice; --format asm and --dumps do not apply to a ROM: it is written "
      "as a ROM\n"
      "    ROM; music table at 0x000800, 9 songs\n";
  for (int tempo = 1; tempo <= 8; ++tempo) {
    report += "    Song 8" + std::to_string(tempo) + "; DAC 1 FM 1 PSG 0; Divide 1 Frame " +
              std::to_string(tempo) + "; Voices 1\n";
  }
  report += "    Song 89; the same song as 81\n";
  const Bytes reversed = ReverseRom(kSonic1Driver, rom).image;
  report += "    ROM; 9 of 9 songs reversed, 131072 bytes before, " +
            std::to_string(reversed.size()) + " after\n";
  EXPECT_EQ(run.output, std::string(kBanner) + " -> Processing list\n" + report + Summary(1, 0));
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(ReadFile(OutputOf("game.gen")), reversed);
  EXPECT_FALSE(fs::exists(folder_ + "music/game"));  // no dumps
  // A game none of whose songs converts would be written back unchanged: it
  // is not written, and the summary says that no reversed song was.
  const Bytes refused = SongBuilder().Dac(Hex("81 0C E3")).Build();  // returns without a call
  const RunResult none =
      Run({Track("none.bin", GameImage(0x0800, {refused}, std::vector<int>(8, 0)))});
  EXPECT_TRUE(none.output.ends_with(
      "    Error; song 88 at 0x001000: the same song as 81, not reversed either\n"
      "    ROM; 0 of 8 songs reversed\n"
      "    Error; no song of the ROM was reversed; nothing is written\n"
      "\n -> 0 converted, 1 failed; no reversed song was written\n"))
      << none.output;
  EXPECT_FALSE(fs::exists(OutputOf("none.bin")));
}

TEST_F(CommandLineTest, DumpsOptionWritesTheDumpsAndSaysWhereOnce) {
  const std::string track = Track("green.bin", ExampleSong());
  const RunResult run = Run({"--dumps", track});
  EXPECT_NE(run.output.find("    Voices detected; 1\n    Dumps; written into " + folder_ +
                            "music/green/\n\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(fs::file_size(folder_ + "music/green/FM01.bin"), 65536u);
  EXPECT_EQ(ReadFile(OutputOf("green.bin")), ExampleSongReversed());
  // A file in the way of the dump folder: one line, and the song still converts.
  fs::remove_all(folder_ + "music/green");
  WriteFile(folder_ + "music/green", Bytes{1});
  const RunResult blocked = Run({"--dumps", track});
  EXPECT_NE(blocked.output.find("    Voices detected; 1\n    Dumps skipped; could not create the "
                                "folder " +
                                folder_ + "music/green/ (a file of that name is in the way)\n\n"),
            std::string::npos)
      << blocked.output;
  EXPECT_EQ(blocked.exit_code, 0);
  // The dumps of tools/Output.bin go into the output folder, where the
  // reversal of a track named FM01.bin already stands: it stays.
  const std::string beside = folder_ + "tools/Output.bin";
  WriteFile(beside, ExampleSong());
  const RunResult over = Run({"--dumps", Track("FM01.bin", ExampleSong()), beside});
  EXPECT_NE(over.output.find("    Dump skipped; could not write " + OutputOf("FM01.bin") +
                             " (it is the reversed song of " + folder_ +
                             "music/FM01.bin, written in this run)\n"),
            std::string::npos)
      << over.output;
  EXPECT_EQ(ReadFile(OutputOf("FM01.bin")), ExampleSongReversed());
}

TEST_F(CommandLineTest, DumpsFollowTheBuildSwitchWithoutTheOption) {
  const RunResult run = Run({Track("green.bin", ExampleSong())});
  EXPECT_EQ(fs::exists(folder_ + "music/green/FM01.bin"), DebugMode != 0);
  EXPECT_EQ(run.output,
            std::string(kBanner) + " -> Processing list\n" + Converted("green.bin") + Summary(1, 0));
}

TEST_F(CommandLineTest, HelpAndVersionConvertAndCreateNothing) {
  const std::string track = Track("green.bin", ExampleSong());
  const RunResult help = Run({track, "--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_EQ(help.output, HelpText());
  const RunResult version = Run({"--version", track});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.output, std::string("Quorlin ") + QUORLIN_VERSION + "\n");
  EXPECT_FALSE(fs::exists(folder_ + "tools/Output"));
}

TEST_F(CommandLineTest, BadCommandLineGetsOneLineAndStatus2) {
  const std::string track = Track("green.bin", ExampleSong());
  const RunResult unknown = Run({track, "--frob"});
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_EQ(unknown.output, "");
  EXPECT_EQ(unknown.errors, "quorlin: unknown option --frob (quorlin --help lists the options)\n");
  const RunResult missing = Run({track, "-o"});
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_EQ(missing.errors,
            "quorlin: option -o needs a folder (quorlin --help lists the options)\n");
  EXPECT_FALSE(fs::exists(folder_ + "tools/Output"));
}

TEST_F(CommandLineTest, ArgumentsAfterTwoDashesAreTracks) {
  Track("-odd.bin", ExampleSong());
  const RunResult run = Run({"--", "-odd.bin"}, Options().Folder(folder_ + "music"));
  EXPECT_EQ(run.exit_code, 0) << run.output << run.errors;
  EXPECT_EQ(ReadFile(OutputOf("-odd.bin")), ExampleSongReversed());
}

TEST_F(CommandLineTest, PipedInputIsNeitherWaitedForNorRead) {
  const RunResult run = Run({Track("green.bin", ExampleSong())},
                            Options().Input("a.bin\nb.bin\nc.bin\n").ThenReadInput());
  EXPECT_EQ(run.output.find(kClosing), std::string::npos) << run.output;
  EXPECT_TRUE(run.output.ends_with(Summary(1, 0) + "a.bin\nb.bin\nc.bin\n")) << run.output;
}

TEST_F(CommandLineTest, TerminalRunWaitsForEnterUnlessTold) {
  const std::string track = Track("green.bin", ExampleSong());
  const RunResult waiting = Run({track}, Options().Input("\n").Terminal());
  EXPECT_NE(waiting.output.find("Press enter key to exit..."), std::string::npos) << waiting.output;
  EXPECT_EQ(waiting.exit_code, 0);
  const RunResult told = Run({"--no-wait", track}, Options().Terminal());
  EXPECT_EQ(told.output.find("Press enter key to exit..."), std::string::npos) << told.output;
  EXPECT_NE(told.output.find("1 converted, 0 failed"), std::string::npos) << told.output;
}

// The example song as source, with a block that the build's standard
// symbols leave out, and that no build could assemble.
std::string ExampleSource() {
  std::string source = WriteSource(kSonic1Driver, ExampleSong(), "Mus81_Green", "green");
  source += "    if FixMusicAndSFXDataBugs\n\tsmpsFixedOnly\n    endif\n";
  return source;
}

Bytes SourceBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST_F(CommandLineTest, SourceTrackGivesSourceThatReadsToTheReversedBytes) {
  const RunResult run = Run({Track("green.asm", SourceBytes(ExampleSource()))});
  EXPECT_EQ(run.output, std::string(kBanner) + " -> Processing list\n" +
                            Converted("green.asm") + Summary(1, 0));
  const Bytes written = ReadFile(OutputOf("green.asm"));
  const std::string text(written.begin(), written.end());
  EXPECT_TRUE(text.starts_with("; The reversed song of green.asm, written by Quorlin ")) << text;
  EXPECT_NE(text.find("\nMus81_Green_FM1:\n"), std::string::npos) << text;
  EXPECT_EQ(AssembleSource(kSonic1Driver, text, StandardDefines()).bytes, ExampleSongReversed());
}

TEST_F(CommandLineTest, FormatOptionPicksTheOutputsFormAndExtension) {
  const std::string green = Track("green.asm", SourceBytes(ExampleSource()));
  const std::string blue = Track("blue.bin", ExampleSong());
  EXPECT_EQ(Run({"--format", "bin", green, blue}).exit_code, 0);
  EXPECT_EQ(ReadFile(OutputOf("green.bin")), ExampleSongReversed());
  EXPECT_FALSE(fs::exists(OutputOf("green.asm")));
  EXPECT_EQ(Run({"--format=asm", blue}).exit_code, 0);
  const Bytes source = ReadFile(OutputOf("blue.asm"));
  EXPECT_EQ(AssembleSource(kSonic1Driver, std::string(source.begin(), source.end()),
                           StandardDefines())
                .bytes,
            ExampleSongReversed());
}

TEST_F(CommandLineTest, DefineSetsASymbolOfTheSource) {
  const std::string track = Track("green.asm", SourceBytes(ExampleSource()));
  EXPECT_EQ(Run({"-DNoSuchSymbol", track}).exit_code, 0);
  const RunResult unused = Run({"-DNoSuchSymbol", Track("green.bin", ExampleSong())});
  EXPECT_NE(unused.output.find(" -> Processing list\n    Notice; -D sets symbols of .asm tracks "
                               "only, and no track is one\n\n -> green.bin\n"),
            std::string::npos)
      << unused.output;
  const RunResult run = Run({"-D", "FixMusicAndSFXDataBugs=1", track});
  const std::string source = ExampleSource();
  const auto line = std::count(source.begin(), source.end(), '\n') - 1;
  EXPECT_NE(run.output.find("    Error; line " + std::to_string(line) +
                            ": unknown macro or directive smpsFixedOnly\n"),
            std::string::npos)
      << run.output;
}

TEST_F(CommandLineTest, BadSourceGetsOneLineNamingItsLine) {
  const RunResult run = Run({Track("bad.asm", SourceBytes("S:\n\tsmpsHeaderStartSong 1\n"
                                                          "\tsmpsFoo $01\n")),
                             Track("green.bin", ExampleSong())});
  EXPECT_NE(run.output.find("\n -> bad.asm\n    Error; line 3: unknown macro or directive "
                            "smpsFoo\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_FALSE(fs::exists(OutputOf("bad.asm")));
  EXPECT_TRUE(fs::exists(OutputOf("green.bin")));
}

TEST_F(CommandLineTest, DumpsOfASourceTrack) {
  EXPECT_EQ(Run({"--dumps", Track("green.asm", SourceBytes(ExampleSource()))}).exit_code, 0);
  EXPECT_EQ(ReadFile(folder_ + "music/green/Voices.bin").size(), 25u);
}

TEST_F(CommandLineTest, DriverOptionReadsAndWritesSonic2SongsAtTheirBase) {
  const std::string track = Track("blue.asm", SourceBytes("S_Header:\n"
                                                          "\tsmpsHeaderStartSong 2\n"
                                                          "\tsmpsHeaderVoiceNull\n"
                                                          "\tsmpsHeaderChan $01, $00\n"
                                                          "\tsmpsHeaderTempo $01, $C0\n"
                                                          "\tsmpsHeaderDAC S_DAC\n"
                                                          "S_DAC:\tdc.b dKick, $0C, dSnare, $18\n"
                                                          "\tsmpsStop\n"));
  const RunResult run = Run({"--driver", "sonic2", "--format", "bin", track});
  EXPECT_NE(run.output.find("\n -> blue.asm\n    Driver; Sonic 2\n    Channels; DAC 1 FM 0 PSG 0"),
            std::string::npos)
      << run.output;
  // The (empty) voice table and the DAC data at $138A: snare, kick.
  EXPECT_EQ(ToHex(ReadFile(OutputOf("blue.bin"))), "8A 13 01 00 01 C0 8A 13 00 00 82 18 81 0C F2");
  const std::string at = folder_ + "at";
  EXPECT_EQ(Run({"--driver=sonic2", "--base=$D480", "--format=bin", "-o", at, track}).exit_code, 0);
  EXPECT_EQ(ToHex(ReadFile(at + "/blue.bin")), "8A D4 01 00 01 C0 8A D4 00 00 82 18 81 0C F2");
}

// What a command line was read as, in a few words; or the error line.
std::string ReadAs(const std::vector<std::string>& arguments) {
  try {
    const CommandLine line = ParseCommandLine(arguments);
    std::string read = "tracks";
    for (const std::string& track : line.tracks) read += " " + track;
    if (line.output_folder) read += "; output " + *line.output_folder;
    if (line.format) read += line.format == SongFormat::kAsm ? "; asm" : "; bin";
    for (const SourceDefine& define : line.defines) {
      read += "; " + define.name + "=" + std::to_string(define.value);
    }
    if (line.dumps) read += "; dumps";
    if (line.compact) read += "; compact";
    if (line.no_wait) read += "; no wait";
    if (line.driver != &kSonic1Driver) read += std::string("; ") + line.driver->name;
    if (line.base) read += "; base " + std::to_string(*line.base);
    return read;
  } catch (const CommandLineError& error) {
    return error.what();
  }
}

TEST(ParseCommandLineTest, OptionsTakeTheirValuesAttachedOrApart) {
  const std::string help = " (quorlin --help lists the options)";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"a.bin", "--output=out", "b.bin"}, "tracks a.bin b.bin; output out"},
      {{"--output", "x", "--", "-o", "--help"}, "tracks -o --help; output x"},
      {{"-oout", "c"}, "tracks c; output out"},
      {{"-o", "out", "c"}, "tracks c; output out"},
      {{"--format=ASM", "--format", "Bin", "c"}, "tracks c; bin"},
      {{"--format", "asm"}, "tracks; asm"},
      {{"-DFix", "-D", "X=$10"}, "tracks; Fix=1; X=16"},
      {{"--dumps", "--no-wait", "--compact", "c"}, "tracks c; dumps; compact; no wait"},
      {{"-"}, "quorlin: unknown option -" + help},
      {{"--outputs=x"}, "quorlin: unknown option --outputs=x" + help},
      {{"--output="}, "quorlin: the output folder's name is empty" + help},
      {{"-o", ""}, "quorlin: the output folder's name is empty" + help},
      {{"c", "-o"}, "quorlin: option -o needs a folder" + help},
      {{"--format=wav"}, "quorlin: --format takes asm or bin, not 'wav'" + help},
      {{"-D"}, "quorlin: option -D needs NAME or NAME=VALUE" + help},
      {{"-D1X"}, "quorlin: -D takes NAME or NAME=VALUE, not '1X'" + help},
      {{"-D", "X=$G"}, "quorlin: -D X needs a number, not '$G'" + help},
      {{"-DSonicDriverVer=1", "--driver=sonic2"},
       "quorlin: -D SonicDriverVer names a symbol that the Sonic 2 include file defines" + help},
      {{"--driver=SONIC2", "--base", "0x1380"}, "tracks; Sonic 2; base 4992"},
      {{"--driver", "sonic2", "--base=$D48D"}, "tracks; Sonic 2; base 54413"},
      {{"--driver", "sonic2", "--driver=Sonic1"}, "tracks"},
      {{"--driver=sonic3"}, "quorlin: --driver takes sonic1 or sonic2, not 'sonic3'" + help},
      {{"--driver=sonic2", "--base=$10000"},
       "quorlin: --base takes an address from $0000 to $FFFF ($1380 or 0x1380), not '$10000'" +
           help},
      {{"--base=$1380"},
       "quorlin: --base places songs whose pointers hold addresses (--driver sonic2); Sonic 1 "
       "songs play wherever they lie" +
           help},
  };
  for (const auto& [arguments, read] : cases) EXPECT_EQ(ReadAs(arguments), read);
}

}  // namespace
}  // namespace quorlin::testing
