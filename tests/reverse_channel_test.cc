// Event reversal and loop closure.
#include "reverse/reverse_channel.h"

#include <gtest/gtest.h>

#include "format/bytes.h"
#include "song_builder.h"

namespace quorlin::testing {
namespace {

// Reverses a converted list; returns the reversed list.
std::string Reverse(const char* converted) {
  return ToHex(ReverseChannel(kSonic1Driver, Hex(converted), "FM1"));
}

TEST(ReverseTest, LoopingWorkedExample) {
  // F6 at offset 15; its pointer at 16 reads 0xFFEF = -17 and leads to 0.
  EXPECT_EQ(Reverse("E0 C0 90 10 E6 FC 92 10 E7 80 08 E0 40 E6 04 F6 00 00"),
            "E6 04 E0 40 80 08 E7 92 10 E6 FC 90 10 E0 C0 F6 FF EF");
}

TEST(ReverseTest, StopWorkedExampleMovesOnlyTheStop) {
  EXPECT_EQ(Reverse("E6 FD 90 10 F4 92 10 E6 03 F1 F2"), "F1 E6 03 92 10 F4 90 10 E6 FD F2");
}

TEST(ReverseTest, OnlyStop) { EXPECT_EQ(Reverse("F2"), "F2"); }

TEST(ReverseTest, OnlyTerminatorPointsToItself) { EXPECT_EQ(Reverse("F6 00 00"), "F6 FF FE"); }

TEST(ReverseTest, EmptyListLeavesAnEmptyEventList) { EXPECT_EQ(Reverse(""), ""); }

TEST(ReverseTest, BytesInsideEventsKeepTheirOrder) {
  EXPECT_EQ(Reverse("90 10 F0 01 02 03 04 E1 05 E7 F8 01 02 E4"),
            "F8 01 02 E7 E1 05 F0 01 02 03 04 90 10 E4");
}

TEST(ReverseTest, LoopPointerOfALongListLeadsToItsStart) {
  // 1000 notes and the terminator: F6 at 2000, pointer 0xFFFF - 2001.
  std::string list;
  for (int i = 0; i < 1000; ++i) list += "81 01 ";
  list += "F6 00 00";
  const Bytes reversed = ReverseChannel(kSonic1Driver, Hex(list), "FM1");
  EXPECT_EQ(reversed[2000], 0xF6);
  EXPECT_EQ(ReadBigEndian16(reversed, 2001), 0xFFFF - 2001);
}

}  // namespace
}  // namespace quorlin::testing
