// The reader of SMPS2ASM source: the bytes each statement assembles to, and
// the one line that refuses bad source.
#include <gtest/gtest.h>

#include <algorithm>

#include "smps2asm/assembler.h"
#include "song_builder.h"

namespace quorlin::testing {
namespace {

// The song header that every test source starts with; its 6 bytes are
// "00 00 01 00 01 05".
constexpr const char* kStart =
    "Song_Header:\n"
    "\tsmpsHeaderStartSong 1\n"
    "\tsmpsHeaderVoiceNull\n"
    "\tsmpsHeaderChan      $01, $00\n"
    "\tsmpsHeaderTempo     $01, $05\n";

std::string Repeated(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

std::string Assembled(const std::string& body, const std::vector<SourceDefine>& defines = {}) {
  std::vector<SourceDefine> all = StandardDefines();
  all.insert(all.end(), defines.begin(), defines.end());
  const Bytes bytes = AssembleSource(kSonic1Driver, kStart + body, all).bytes;
  return ToHex(Bytes(bytes.begin() + 6, bytes.end()));  // behind the header
}

struct ReadCase {
  const char* name;
  std::string body;
  const char* bytes;
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }

class ReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadTest, AssemblesTo) {
  EXPECT_EQ(Assembled(GetParam().body), ToHex(Hex(GetParam().bytes)));
}

INSTANTIATE_TEST_SUITE_P(
    Reader, ReadTest,
    ::testing::Values(
        ReadCase{"NotesSamplesAndEquates",
                 "\tdc.b nRst, nC0, nBb7, nMaxPSG, dKick, dVLowTimpani, smpsNoAttack, fTone_09\n",
                 "80 81 DF C6 81 8B E7 09"},
        ReadCase{"Numbers", "\tdc.b $1f, %101, @17, 31, 'A', -2\n", "1F 05 0F 1F 41 FE"},
        // Values a song never sets count as 0; algorithm 0 marks operator 4.
        ReadCase{"VoiceOfUnsetValues", "\tsmpsVcTotalLevel 1, 2, 3, 4\n",
                 "00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  "
                 "04 03 02 81"},
        // Ranks: a + b & c is a + (b & c); a leading - is 0 -; equal ranks
        // group from the left; ^ is power, # remainder, ! xor.
        ReadCase{"Expressions",
                 "\tdc.b 1+3&2, -1&$0F, -2^2, 8-2-1, 2^3, 7#3, 5!1, ~~0, 1<<4>>2, (1+2)*3\n",
                 "03 FF FC 05 08 01 04 01 04 09"},
        ReadCase{"Comparisons", "\tdc.b 1<2, 2<=1, 3<>3, 4=4, 1&&0, 0||2, 1!!1\n",
                 "01 00 00 01 00 01 00"},
        ReadCase{"WordsAndEven", "\tdc.b 1\n\teven\n\tdc.w $1234, -1\n\teven\n",
                 "01 00 12 34 FF FF"},
        // * is the address where the statement begins.
        ReadCase{"LabelsAndCurrentAddress", "Here: dc.b Here, *, There\nThere:\n", "06 06 09"},
        ReadCase{"Symbols",
                 "Five = 5\nSix equ Five+1\nVar set 1\nVar := Var+1\n\tdc.b Five, Six, Var\n",
                 "05 06 02"},
        ReadCase{"Conditionals",
                 "    if FixMusicAndSFXDataBugs\n\tdc.b 1\n    elseif 1\n\tdc.b 2\n"
                 "    if 0\n\tdc.b 3\n    else\n\tdc.b 4\n    endif\n    else\n\tdc.b 5\n"
                 "    endif\n    if ~~FixMusicAndSFXDataBugs\n\tdc.b 6\n    endif\n",
                 "02 04 06"},
        ReadCase{"FlagMacros",
                 "\tsmpsPan panLeft, $02\n\tsmpsDetune $01\n\tsmpsAlterNote $02\n\tsmpsNop $03\n"
                 "\tsmpsReturn\n\tsmpsFade\n\tsmpsChanTempoDiv $02\n\tsmpsAlterVol $FE\n"
                 "\tsmpsFMAlterVol $01, $99\n\tsmpsNoteFill $05\n\tsmpsChangeTransposition $0C\n"
                 "\tsmpsAlterPitch $F4\n\tsmpsSetTempoMod $07\n\tsmpsSetTempoDiv $03\n"
                 "\tsmpsPSGAlterVol $01\n\tsmpsPSGAlterVolS2 $02\n\tsmpsClearPush\n"
                 "\tsmpsStopSpecial\n\tsmpsFMvoice $01\n\tsmpsSetvoice $02, $00\n"
                 "\tsmpsModSet $01, $02, $03, $04\n\tsmpsModOn\n\tsmpsStop\n\tsmpsPSGform $E7\n"
                 "\tsmpsModOff\n\tsmpsPSGvoice fTone_02\n\tsmpsMaxRelRate\n\tsmpsWeirdD1LRR\n",
                 "E0 82 E1 01 E1 02 E2 03 E3 E4 E5 02 E6 FE E6 01 E8 05 E9 0C E9 F4 EA 07 "
                 "EB 03 EC 01 EC 02 ED EE EF 01 EF 02 F0 01 02 03 04 F1 F2 F3 E7 F4 F5 02 F9 F9"},
        // Pointers count from their own second byte: F6 at 6 leads back to 6.
        ReadCase{"Pointers",
                 "Top:\n\tsmpsJump Top\n\tsmpsLoop $00, $02, Top\n\tsmpsCall Later\nLater:\n",
                 "F6 FF FE F7 00 02 FF F9 F8 00 01"},
        ReadCase{"CrLfLineEnds", "\tdc.b 1\r\n\tdc.b 2\r\n", "01 02"},
        // The longest name the assembler takes, and the most operands.
        ReadCase{"LongestName", std::string(255, 'N') + ":\n\tdc.b 1\n", "01"},
        ReadCase{"MostOperands", "\tsmpsStop 0" + Repeated(",0", 510) + "\n", "F2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReaderTest, HeaderMacrosWriteOffsetsFromTheSongStart) {
  const Bytes bytes = AssembleSource(kSonic1Driver,
                                     "S_Header:\n"
                                     "\tsmpsHeaderStartSong 1\n"
                                     "\tsmpsHeaderVoice     S_Voices\n"
                                     "\tsmpsHeaderChan      $03, $01\n"
                                     "\tsmpsHeaderTempo     $02, $04\n"
                                     "\tsmpsHeaderDAC       S_DAC\n"
                                     "\tsmpsHeaderFM        S_FM1, $F4, $12\n"
                                     "\tsmpsHeaderDAC       S_DAC, $01\n"
                                     "\tsmpsHeaderPSG       S_PSG1, $D0, $03, $00, fTone_05\n"
                                     "S_DAC:\nS_FM1:\nS_PSG1:\nS_Voices:\n\tsmpsStop\n",
                                     StandardDefines())
                          .bytes;
  EXPECT_EQ(ToHex(bytes),
            "00 18 03 01 02 04 "  // voices at 0x18, behind 24 bytes of headers
            "00 18 00 00 00 18 F4 12 00 18 01 00 00 18 D0 03 00 05 F2");
}

// The example song of the format's description: 85 bytes.
TEST(ReaderTest, TinySongOfTheFormatDescription) {
  const char* source = R"(; A tiny song: DAC, FM1 and PSG1, one voice
MusXX_Tiny_Header:
	smpsHeaderStartSong 1
	smpsHeaderVoice     MusXX_Tiny_Voices
	smpsHeaderChan      $02, $01
	smpsHeaderTempo     $01, $05

	smpsHeaderDAC       MusXX_Tiny_DAC
	smpsHeaderFM        MusXX_Tiny_FM1,	$00, $10
	smpsHeaderPSG       MusXX_Tiny_PSG1,	$F4, $02, $00, fTone_04

MusXX_Tiny_DAC:
	dc.b	dKick, $0C, dSnare, nRst, dKick
	smpsJump            MusXX_Tiny_DAC

MusXX_Tiny_FM1:
	smpsSetvoice        $00
	smpsPan             panCenter, $00

MusXX_Tiny_Loop00:
	dc.b	nC4, $06, nE4, nG4, $0C
	smpsLoop            $00, $02, MusXX_Tiny_Loop00
	smpsCall            MusXX_Tiny_Call00
	smpsStop

MusXX_Tiny_Call00:
	dc.b	nC5, $18, smpsNoAttack, $18
	smpsReturn

MusXX_Tiny_PSG1:
	smpsPSGvoice        fTone_02
	dc.b	nRst, $0C, nG5, $24
	smpsJump            MusXX_Tiny_PSG1

MusXX_Tiny_Voices:
;	Voice $00
	smpsVcAlgorithm     $04
	smpsVcFeedback      $06
	smpsVcUnusedBits    $00
	smpsVcDetune        $00, $03, $00, $07
	smpsVcCoarseFreq    $01, $02, $01, $04
	smpsVcRateScale     $00, $01, $00, $02
	smpsVcAttackRate    $1F, $1E, $1F, $1C
	smpsVcAmpMod        $00, $00, $00, $04
	smpsVcDecayRate1    $05, $06, $07, $08
	smpsVcDecayRate2    $02, $00, $01, $03
	smpsVcDecayLevel    $01, $02, $03, $04
	smpsVcReleaseRate   $0F, $0F, $0E, $0D
	smpsVcTotalLevel    $00, $10, $05, $20
)";
  const AssembledSong song = AssembleSource(kSonic1Driver, source, StandardDefines());
  EXPECT_EQ(ToHex(song.bytes),
            ToHex(Hex("00 3C 02 01 01 05 00 14 00 00 00 1C 00 10 00 33 F4 02 00 04 "
                      "81 0C 82 80 81 F6 FF F9 EF 00 E0 C0 B1 06 B5 B8 0C F7 00 02 FF F7 "
                      "F8 00 02 F2 BD 18 E7 18 E3 F5 02 80 0C C4 24 F6 FF F8 "
                      "34 74 01 32 01 9C 1F 5E 1F 88 07 06 05 03 01 00 02 4D 3E 2F 1F "
                      "20 85 10 80")));
  EXPECT_EQ(song.label_prefix, "MusXX_Tiny");
}

TEST(ReaderTest, VoiceModeOneKeepsTotalLevelsAndShiftsAmpModBySeven) {
  const char* voice =
      "\tsmpsVcAlgorithm     $04\n\tsmpsVcFeedback      $00\n"
      "\tsmpsVcUnusedBits    $01, $01, $02, $03, $00\n"
      "\tsmpsVcDetune        $00, $00, $00, $00\n\tsmpsVcCoarseFreq    $00, $00, $00, $00\n"
      "\tsmpsVcRateScale     $00, $00, $00, $00\n\tsmpsVcAttackRate    $00, $00, $00, $00\n"
      "\tsmpsVcAmpMod        $01, $00, $00, $00\n\tsmpsVcDecayRate1    $00, $00, $00, $00\n"
      "\tsmpsVcDecayRate2    $00, $00, $00, $00\n\tsmpsVcDecayLevel    $00, $00, $00, $00\n"
      "\tsmpsVcReleaseRate   $00, $00, $00, $00\n\tsmpsVcTotalLevel    $80, $1D, $14, $23\n";
  const std::string source = std::string("S:\n\tsmpsHeaderStartSong 1, 1\n") + voice +
                             "\tsmpsVcTotalLevel    $01, $02, $03, $04\n";
  const Bytes bytes = AssembleSource(kSonic1Driver, source, StandardDefines()).bytes;
  // x1-x4 fill bits 5-6 of bytes 9-12 (argument 4 first); AmpMod 1 is bit 7.
  EXPECT_EQ(ToHex(Bytes(bytes.begin() + 9, bytes.begin() + 13)), "00 60 40 A0");
  EXPECT_EQ(ToHex(Bytes(bytes.begin() + 21, bytes.begin() + 25)), "23 14 1D 80");
  // The second voice takes every other value over from the first.
  EXPECT_EQ(ToHex(Bytes(bytes.begin() + 25, bytes.begin() + 34)),
            ToHex(Bytes(bytes.begin(), bytes.begin() + 9)));
  EXPECT_EQ(ToHex(Bytes(bytes.begin() + 46, bytes.end())), "04 03 02 01");
}

TEST(ReaderTest, SongsForLaterDriversAreConverted) {
  const auto convert = [](int driver, const char* body) {
    const Bytes bytes =
        AssembleSource(kSonic1Driver,
                       "S:\n\tsmpsHeaderStartSong " + std::to_string(driver) + "\n" + body,
                       StandardDefines())
            .bytes;
    return ToHex(bytes);
  };
  // Tempo: Sonic 2's $C0 is $04, Sonic 3's $20 is $08.
  EXPECT_EQ(convert(2, "\tsmpsSetTempoMod $C0\n"), "EA 04");
  EXPECT_EQ(convert(3, "\tsmpsSetTempoMod $20\n\tsmpsSetTempoMod $00\n"), "EA 08 EA 00");
  EXPECT_EQ(convert(3, "\tsmpsModSet $02, $02, $05, $10\n"), "F0 01 02 05 07");
  EXPECT_EQ(convert(3, "\tsmpsFade $FF\n\tsmpsFade 255\n\tsmpsFade\n"), "E4 E4");
  EXPECT_EQ(convert(3, "\tsmpsHeaderPSG L, $0C, $01, $00, $02\nL:\n"), "00 06 00 01 00 02");
  EXPECT_EQ(convert(2, "\tsmpsHeaderPSG L, $0C, $01, $00, $02\nL:\n"), "00 06 0C 01 00 02");
}

TEST(ReaderTest, DefinesSetConditionalSymbols) {
  const char* body = "    if FixMusicAndSFXDataBugs\n\tdc.b 1\n    else\n\tdc.b 2\n    endif\n";
  EXPECT_EQ(Assembled(body), "02");
  EXPECT_EQ(Assembled(body, {{"FixMusicAndSFXDataBugs", 1}}), "01");
}

struct BadSourceCase {
  const char* name;
  std::string body;
  const char* error;
};

void PrintTo(const BadSourceCase& c, std::ostream* out) { *out << c.name; }

class BadSourceTest : public ::testing::TestWithParam<BadSourceCase> {};

TEST_P(BadSourceTest, IsRefusedWithOneLine) {
  EXPECT_EQ(TrackErrorOf([] { Assembled(GetParam().body); }), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, BadSourceTest,
    ::testing::Values(
        BadSourceCase{"UnknownMacro", "\tsmpsFoo $01\n",
                      "line 6: unknown macro or directive smpsFoo"},
        BadSourceCase{"LaterDriversMacro", "\tsmpsSpindashRev\n",
                      "line 6: smpsSpindashRev is no macro of the Sonic 1 driver"},
        BadSourceCase{"UnknownSymbol", "\tdc.b nC8\n", "line 6: unknown symbol nC8"},
        BadSourceCase{"CaseMatters", "\tsmpsSetVoice $01\n",
                      "line 6: unknown macro or directive smpsSetVoice"},
        BadSourceCase{"PanNamesOnlyAfterSmpsPan", "\tdc.b panLeft\n",
                      "line 6: unknown symbol panLeft"},
        BadSourceCase{"LabelTwice", "A:\nA:\n", "line 7: the label A is defined twice"},
        BadSourceCase{"LabelNamedLikeAnEquate", "nC4:\n",
                      "line 6: nC4 is defined twice: the include file defines it"},
        BadSourceCase{"LabelNamedLikeASetting", "FixMusicAndSFXDataBugs:\n",
                      "line 6: FixMusicAndSFXDataBugs is defined twice: the build's settings or "
                      "-D define it"},
        BadSourceCase{"AssignmentToAnEquate", "X = 1\nX set 2\n",
                      "line 7: an assignment to the equate X"},
        BadSourceCase{"ByteOutOfRange", "\tdc.b 256\n",
                      "line 6: the value 256 does not fit a byte (-128 to 255)"},
        BadSourceCase{"WordOutOfRange", "\tdc.w -32769\n",
                      "line 6: the value -32769 does not fit a word (-32768 to 65535)"},
        BadSourceCase{"BadNumber", "\tdc.b $1G\n",
                      "line 6: bad number $1G in the expression '$1G'"},
        BadSourceCase{"CStyleNumber", "\tdc.b 0x1F\n",
                      "line 6: bad number 0x1F in the expression '0x1F'"},
        BadSourceCase{"NumberBeyond64Bits", "\tdc.b $AAAAAAAAAAAAAAAA\n",
                      "line 6: bad number $AAAAAAAAAAAAAAAA in the expression "
                      "'$AAAAAAAAAAAAAAAA'"},
        BadSourceCase{"MinusAfterOperator", "\tdc.b 2*-3\n",
                      "line 6: a '-' right after an operator (write it in parentheses) in the "
                      "expression '2*-3'"},
        BadSourceCase{"MissingOperand", "\tsmpsPan panLeft\n",
                      "line 6: smpsPan needs 2 operands, not 1"},
        BadSourceCase{"IfWithoutEndif", "    if 1\n\tdc.b 1\n", "line 6: if without endif"},
        BadSourceCase{"EndifWithoutIf", "    endif\n", "line 6: endif without if"},
        BadSourceCase{"ConditionOnALaterLabel", "    if Later\n    endif\nLater:\n",
                      "line 6: unknown symbol Later"},
        BadSourceCase{"LocalLabel", ".loop:\n",
                      "line 6: local labels such as .loop are not supported"},
        BadSourceCase{"SecondSong", "\tsmpsHeaderStartSong 1\n",
                      "line 6: a second smpsHeaderStartSong: a file holds one song"},
        BadSourceCase{"VoicePointerNotAtTheStart", "\tsmpsHeaderVoice 0\n",
                      "line 6: smpsHeaderVoice must follow smpsHeaderStartSong directly"},
        BadSourceCase{"HeaderPointerBeforeTheSong", "\tsmpsHeaderFM -2, $00, $00\n",
                      "line 6: a header pointer leads before the song's start"},
        BadSourceCase{"SoundEffectHeader", "\tsmpsHeaderChanSFX 1\n",
                      "line 6: smpsHeaderChanSFX belongs to sound effects, not songs"},
        BadSourceCase{"DivisionByZero", "\tdc.b 1/0\n",
                      "line 6: division by zero in the expression '1/0'"},
        // Limits of memory and output, and quoting that stays one short line.
        BadSourceCase{"LineTooLong", "\tdc.b " + std::string(16380, ' ') + "1\n",
                      "line 6: the line is 16387 characters long, more than the 16384 a line of "
                      "a song file may have"},
        BadSourceCase{"NameTooLong", std::string(256, 'N') + ":\n",
                      "line 6: the name NNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN... is 256 "
                      "characters long; names may have at most 255"},
        BadSourceCase{
            "TooManyOperands", "\tdc.b 0" + Repeated(",0", 511) + "\n",
            "line 6: 512 operands in one statement; the build refuses a statement of more "
            "than 511"},
        BadSourceCase{"LongTextQuotedShort", "\tdc.b " + Repeated("1+", 100) + ")\n",
                      "line 6: unexpected ')' in the expression "
                      "'1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+...'"},
        BadSourceCase{"ControlByteEscaped", "\tdc.b 1\x01\n",
                      "line 6: unexpected '\\x01' in the expression '1\\x01'"},
        BadSourceCase{"NulByte", std::string("\tdc.b 1\0\n", 9),
                      "line 6: a NUL byte (\\x00) in column 8: the file is not plain text"},
        BadSourceCase{"CrAlone", "\tdc.b 1\r\tdc.b 2\n",
                      "line 6: a CR (\\x0D) alone in column 8: lines end in LF or CR LF"},
        BadSourceCase{"MacroInColumnOne", "smpsSetvoice $01\n",
                      "line 6: smpsSetvoice is written in column 1, where a name is read as a "
                      "label: indent it with a tab or spaces"},
        // Alone it is a label, as the build takes it, until a second one.
        BadSourceCase{"MacroAloneInColumnOneTwice", "smpsStop\n\tdc.b 1\nsmpsStop\n",
                      "line 8: smpsStop is written in column 1, where a name is read as a "
                      "label: indent it with a tab or spaces"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReaderTest, TextThatIsNoPlainSongFileIsNamed) {
  const std::string start = kStart;
  std::string cr_only = start;
  std::replace(cr_only.begin(), cr_only.end(), '\n', '\r');
  const std::pair<std::string, std::string> cases[] = {
      {std::string("\xFF\xFE;\0 \0", 6),
       "the file is UTF-16 text (it starts with the byte-order mark \\xFF\\xFE); song files are "
       "plain ASCII text: save it as such"},
      {std::string(";\0 \0", 4),
       "the file looks like UTF-16 text (every other byte is \\x00); song files are plain ASCII "
       "text: save it as such"},
      // A song's bytes named .asm: NUL bytes, but not every other one.
      {std::string("\0\xCF\x04\x02\x02\x03\0\x22", 8),
       "line 1: a NUL byte (\\x00) in column 1: the file is not plain text"},
      {"\xEF\xBB\xBF" + start,
       "line 1: the file starts with a UTF-8 byte-order mark (\\xEF\\xBB\\xBF); song files are "
       "plain ASCII text: save it as such, without the mark"},
      {cr_only,
       "the lines end in CR alone (as on old Mac OS), but the build reads lines that end in LF or "
       "CR LF: save the file with those line ends"},
  };
  for (const auto& source_and_error : cases) {
    const std::string& source = source_and_error.first;
    EXPECT_EQ(TrackErrorOf([&] { AssembleSource(kSonic1Driver, source, StandardDefines()); }),
              source_and_error.second);
  }
}

TEST(ReaderTest, BytesBeforeTheSongAndNoSongAreRefused) {
  EXPECT_EQ(TrackErrorOf([] { AssembleSource(kSonic1Driver, "\tdc.b 1\n", StandardDefines()); }),
            "line 1: bytes before smpsHeaderStartSong, where the song must begin");
  EXPECT_EQ(TrackErrorOf([] { AssembleSource(kSonic1Driver, "; nothing\n", StandardDefines()); }),
            "the source holds no smpsHeaderStartSong, so no song");
  const auto error = CaughtTrackError([] { AssembleSource(kSonic1Driver, "\tdc.b 1\n", {}); });
  EXPECT_EQ(error->kind(), ErrorKind::kSource);
  EXPECT_EQ(error->place().line, 1);
}

}  // namespace
}  // namespace quorlin::testing
