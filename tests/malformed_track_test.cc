// Broken tracks: each gets exactly one error line, naming what and where,
// and no output file.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "convert/convert_song.h"
#include "example_song.h"
#include "format/bytes.h"
#include "frontend/process_file.h"

namespace quorlin::testing {
namespace {

namespace fs = std::filesystem;

// Converts `track` the way the tool does and returns the console lines after
// the name line.
std::string ReportFor(const Bytes& track, const std::string& folder) {
  WriteFile(folder + "track.bin", track);
  std::ostringstream console;
  RunOutputs outputs;
  ProcessFile(JobFor(folder + "track.bin", {}, folder + "out/", /*write_dumps=*/false), console,
              outputs);
  return console.str();
}

Bytes WithByte(Bytes bytes, std::size_t at, std::uint8_t value) {
  bytes[at] = value;
  return bytes;
}

// Notes and durations of which no two in a row stand twice: nothing in them
// repeats for loops or calls to take.
Bytes UnrepeatedNotes(int pairs) {
  Bytes notes;
  std::uint32_t state = 12345;
  for (int i = 0; i < pairs; ++i) {
    state = state * 1103515245 + 12345;
    notes.push_back(static_cast<std::uint8_t>(0x81 + (state >> 16) % 0x5F));
    notes.push_back(static_cast<std::uint8_t>(1 + (state >> 8) % 0x7F));
  }
  return notes;
}

Bytes WithStop(Bytes data) {
  data.push_back(0xF2);
  return data;
}

struct MalformedCase {
  const char* name;
  Bytes track;
  const char* error;
};

void PrintTo(const MalformedCase& c, std::ostream* out) { *out << c.name; }

class MalformedTrackTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedTrackTest, GetsOneErrorLineAndNoOutput) {
  const std::string folder = ScratchFolder(std::string("malformed_") + GetParam().name);
  fs::create_directories(folder + "out");
  const std::string report = ReportFor(GetParam().track, folder);
  const std::string error_line = std::string("    Error; ") + GetParam().error + "\n";
  ASSERT_GE(report.size(), error_line.size()) << report;
  EXPECT_EQ(report.substr(report.size() - error_line.size()), error_line) << report;
  EXPECT_EQ(report.find("Error;"), report.rfind("Error;")) << report;
  EXPECT_TRUE(fs::is_empty(folder + "out"));
}

const Bytes kDacOnly = SongBuilder().Dac(Hex("F2")).Build();

INSTANTIATE_TEST_SUITE_P(
    Limits, MalformedTrackTest,
    ::testing::Values(
        MalformedCase{"ShorterThanSongHeader", Hex("00 0A 01 00"),
                      "the track holds 4 bytes, too few for its 6-byte song header"},
        MalformedCase{"NoDacChannel", WithByte(kDacOnly, 2, 0),
                      "the song header counts no DAC channel (byte 2 at 0x0002 is 0)"},
        MalformedCase{"ChannelHeadersPastTheEnd", Hex("00 0A 04 00 01 05 00 0A 00 00 F2"),
                      "the channel headers need bytes up to 0x0016 but the track ends at 0x000B"},
        MalformedCase{"DataOffsetOutsideTheFile", WithByte(kDacOnly, 6, 0x01),
                      "DAC's data offset 0x010A lies outside the track, which ends at 0x0024"},
        MalformedCase{"VoiceRecordsPastTheEnd", SongBuilder().Dac(Hex("EF 02 F2")).Build(),
                      "voice records 0-2 at 0x000D-0x0057 run past the end of the track at 0x0026"},
        MalformedCase{"WalkRunsOffItsData", SongBuilder().Dac(Hex("81 0C")).Voices(0).Build(),
                      "DAC reads offset 0x000C, outside the track, which ends at 0x000C"},
        MalformedCase{"JumpBeforeTheFile", SongBuilder().Dac(Hex("F6 80 00")).Build(),
                      "DAC reads offset -0x7FF4, outside the track, which ends at 0x0026"},
        MalformedCase{"CallsNestedTooDeep", SongBuilder().Dac(Hex("F8 FF FE")).Build(),
                      "DAC calls deeper than 4 levels at offset 0x000A"},
        MalformedCase{"ReturnWithoutCall", SongBuilder().Dac(Hex("81 0C E3")).Build(),
                      "DAC returns at offset 0x000C without a call"},
        MalformedCase{"LoopIndexAboveThree", SongBuilder().Dac(Hex("F7 04 02 FF FB F2")).Build(),
                      "DAC uses loop index 4 at offset 0x000A; only indices 0-3 exist"},
        MalformedCase{
            "TooManyDividerChanges",
            SongBuilder().Dac(Hex("EB 01 81 01 F7 00 00 FF F8 F7 01 02 FF F3 F2")).Build(),
            "DAC sets the global tempo divider more than 511 times (at offset 0x000A)"},
        MalformedCase{
            "ClockOverflow",
            SongBuilder().Divider(0xFF).Dac(Hex("81 7F F7 00 00 FF FA F7 01 02 FF F5 F2")).Build(),
            "DAC plays past the longest time a channel clock can count (at offset "
            "0x000B)"},
        MalformedCase{"DividerZeroAtTheFill",
                      SongBuilder().Dac(Hex("81 0C F2")).Fm(Hex("E5 00 F2")).Build(),
                      "FM1 stops at offset 0x0013 while its tempo divider is 0, so the rests that "
                      "fill it to the song's length cannot be measured"},
        MalformedCase{"LoopWithoutTime",
                      SongBuilder().Dac(Hex("81 0C F2")).Fm(Hex("E0 40 F6 FF FC")).Build(),
                      "FM1 jumps at offset 0x0013 back to 0x0011 without playing any time, so it "
                      "never reaches the song's length"},
        MalformedCase{
            "TwoJumpsWithoutTime",
            SongBuilder().Dac(Hex("81 0C F2")).Fm(Hex("E0 40 F6 00 01 E1 00 F6 FF F7")).Build(),
            "FM1 jumps at offset 0x0018 back to 0x0011 without playing any time, so it "
            "never reaches the song's length"},
        MalformedCase{"LoopAtDividerZero",
                      SongBuilder().Dac(Hex("81 0C F2")).Fm(Hex("E5 00 81 0C F6 FF FA")).Build(),
                      "FM1 jumps at offset 0x0015 back to 0x0011 without playing any time, so it "
                      "never reaches the song's length"},
        MalformedCase{"NestedLoopsThatPlayNothing",
                      SongBuilder()
                          .Dac(Hex("F7 00 00 FF FC F7 01 00 FF F7 F7 02 00 FF F2 F7 03 00 FF ED "
                                   "F2"))
                          .Build(),
                      "DAC plays more than 262144 steps without coming to an end (last at offset "
                      "0x000A)"},
        MalformedCase{"SongTakesTooManySteps",
                      SharedDataSong(70, 0, Hex("F7 00 00 FF FC F7 01 00 FF F7 F2")),
                      "FM31 brings the song past 2097152 steps of flattening (at offset 0x0122)"},
        MalformedCase{"OutputOffsetBeyond16Bits",
                      SharedDataSong(254, 0, WithStop(UnrepeatedNotes(150))),
                      "the reversed song would place FM215's data at 0x100E6, beyond the offset "
                      "0xFFFF that a channel header can hold, even written with loops and calls"}),
    [](const auto& info) { return std::string(info.param.name); });

// Besides its words, an error carries its kind and its place.
struct KindCase {
  const char* name;
  Bytes track;
  ErrorKind kind;
  const char* channel;
  long long offset;
};

void PrintTo(const KindCase& c, std::ostream* out) { *out << c.name; }

class ErrorKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(ErrorKindTest, CarriesKindAndPlace) {
  const std::optional<TrackError> error = CaughtTrackError([] { Reversed(GetParam().track); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->kind(), GetParam().kind);
  EXPECT_EQ(error->place().channel, GetParam().channel);
  EXPECT_EQ(error->place().offset, GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ErrorKindTest,
    ::testing::Values(
        KindCase{"OutsideTheTrack", SongBuilder().Dac(Hex("81 0C")).Voices(0).Build(),
                 ErrorKind::kMalformedTrack, "DAC", 0x000C},
        KindCase{"DataOffsetOutsideTheFile", WithByte(kDacOnly, 6, 0x01),
                 ErrorKind::kMalformedTrack, "DAC", 0x0006},
        KindCase{"StepLimit",
                 SongBuilder()
                     .Dac(Hex("F7 00 00 FF FC F7 01 00 FF F7 F7 02 00 FF F2 F7 03 00 FF ED F2"))
                     .Build(),
                 ErrorKind::kStepLimit, "DAC", 0x000A},
        KindCase{
            "ClockOverflow",
            SongBuilder().Divider(0xFF).Dac(Hex("81 7F F7 00 00 FF FA F7 01 02 FF F5 F2")).Build(),
            ErrorKind::kSizeLimit, "DAC", 0x000B}),
    [](const auto& info) { return std::string(info.param.name); });

// Every prefix of a good track is refused with a TrackError or converted;
// nothing else may happen.
TEST(TruncatedTrackTest, EveryPrefixIsConvertedOrRefused) {
  for (const Bytes& whole : {ExampleSong(), ReadFile(QUORLIN_SOURCE_DIR "/examples/sunrise.bin")}) {
    for (std::size_t length = 0; length < whole.size(); ++length) {
      const Bytes prefix(whole.begin(), whole.begin() + length);
      const std::string error = TrackErrorOf([&] { Reversed(prefix); });
      // The voice records stand last, so only the full track converts.
      EXPECT_NE(error, "") << "prefix of " << length << " bytes";
    }
  }
}

}  // namespace
}  // namespace quorlin::testing
