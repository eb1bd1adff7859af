// Where outputs go and how an argument is named.
#include "frontend/paths.h"

#include <gtest/gtest.h>

#include "frontend/file_system.h"
#include "frontend/report_text.h"

namespace quorlin {
namespace {

std::string Sep() { return std::string(1, kPathSeparator); }

TEST(OutputFolderTest, SitsBesideTheProgram) {
  EXPECT_EQ(OutputFolderFor("C:\\Tools\\rev.exe"), "C:\\Tools\\Output" + Sep());
  EXPECT_EQ(OutputFolderFor("/opt/quorlin/bin/quorlin"), "/opt/quorlin/bin/Output" + Sep());
}

TEST(OutputFolderTest, MixedSeparatorsEndAtTheLastOfEither) {
  EXPECT_EQ(OutputFolderFor("C:/Tools\\rev.exe"), "C:/Tools\\Output" + Sep());
  EXPECT_EQ(OutputFolderFor("C:\\Tools/rev.exe"), "C:\\Tools/Output" + Sep());
}

TEST(OutputFolderTest, ProgramWithoutFolderUsesCurrentFolder) {
  EXPECT_EQ(OutputFolderFor("quorlin"), "Output" + Sep());
}

TEST(FileNameTest, IsThePartAfterTheLastSeparator) {
  EXPECT_EQ(FileNameOf("C:\\Music\\green.bin"), "green.bin");
  EXPECT_EQ(FileNameOf("music/act 1/green.bin"), "green.bin");
  EXPECT_EQ(FileNameOf("green.bin"), "green.bin");
  EXPECT_EQ(FileNameOf("C:\\Music\\"), "");
}

TEST(SongFolderTest, DropsTheExtension) {
  EXPECT_EQ(SongFolderFor("C:\\Music\\green.bin"), "C:\\Music\\green" + Sep());
  EXPECT_EQ(SongFolderFor("green.bin"), "green" + Sep());
  EXPECT_EQ(SongFolderFor("a/b.c.d"), "a/b.c" + Sep());
}

TEST(SongFolderTest, DotInAFolderNameDoesNotCount) {
  EXPECT_EQ(SongFolderFor("C:\\My.Songs\\green"), "C:\\My.Songs\\green_dump" + Sep());
}

TEST(SongFolderTest, LeadingDotIsNoExtension) {
  EXPECT_EQ(SongFolderFor("/music/.green"), "/music/.green_dump" + Sep());
  EXPECT_EQ(SongFolderFor("green"), "green_dump" + Sep());
}

TEST(PrintableTest, ControlCharactersOfANameAreEscaped) {
  EXPECT_EQ(Printable("a\nb\x1B[31m.bin"), "a\\x0Ab\\x1B[31m.bin");
  EXPECT_EQ(Printable("C1 \xC2\x9B, DEL \x7F"), "C1 \\xC2\\x9B, DEL \\x7F");
  // Bytes 80-9F outside a UTF-8 character (a lone 9B, the rest of a cut
  // sequence); a Latin-1 letter stays.
  EXPECT_EQ(Printable("\x9B" "1m \xE3\x82 caf\xE9"), "\\x9B1m \xE3\\x82 caf\xE9");
  EXPECT_EQ(Printable("ソング Ωμέγα\\x.bin"), "ソング Ωμέγα\\x.bin");  // UTF-8 and backslashes stay
}

}  // namespace
}  // namespace quorlin
