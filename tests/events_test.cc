// The one reader of events: how bytes split into events, and an input that
// ends inside one.
#include "format/events.h"

#include <gtest/gtest.h>

#include "song_builder.h"

namespace quorlin::testing {
namespace {

struct EventCase {
  const char* bytes;
  std::size_t at;
  EventKind kind;
  std::size_t size;     // the bytes the event takes
  std::size_t present;  // those the input holds
  bool listed;          // as the stages write events
};

void PrintTo(const EventCase& c, std::ostream* out) { *out << c.bytes << " at " << c.at; }

class EventReaderTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(EventReaderTest, ReadsTheEventAtAPosition) {
  const EventCase& c = GetParam();
  const Bytes bytes = Hex(c.bytes);
  const Event event = EventReader(kSonic1Driver, bytes).At(c.at);
  EXPECT_EQ(event.kind, c.kind);
  EXPECT_EQ(event.size, c.size);
  EXPECT_EQ(event.bytes.size(), c.present);
  EXPECT_EQ(event.CutShort(), c.present < c.size);
  EXPECT_EQ(event.Listed(), c.listed);
}

constexpr EventKind kNote = EventKind::kNote, kDuration = EventKind::kDuration,
                    kFlag = EventKind::kFlag;

INSTANTIATE_TEST_SUITE_P(
    Events, EventReaderTest,
    ::testing::Values(EventCase{"81 0C", 0, kNote, 2, 2, true},   // a note and its duration
                      EventCase{"80 0C", 0, kNote, 2, 2, true},   // the rest is a note
                      EventCase{"81 82", 0, kNote, 1, 1, false},  // no duration: the next is a note
                      EventCase{"81", 0, kNote, 1, 1, false},     // the input ends behind the note
                      EventCase{"81 0C 0C", 2, kDuration, 1, 1, false},  // repeats the note
                      EventCase{"F0 01 02 03 04", 0, kFlag, 5, 5, true},
                      EventCase{"F0 01 02", 0, kFlag, 5, 3, false},     // the input ends inside
                      EventCase{"81 0C F6 FF", 2, kFlag, 3, 2, false},  // so inside a pointer
                      EventCase{"FA 0C", 0, kFlag, 1, 1,
                                true}));  // no flag of Sonic 1: no parameters

TEST(EventReaderTest, ReadsEventsOneAfterTheOther) {
  const Bytes bytes = Hex("E0 40 81 0C 0C F7 00 02");
  std::vector<std::size_t> starts;
  for (EventReader reader(kSonic1Driver, bytes); !reader.Done();)
    starts.push_back(reader.Next().at);
  EXPECT_EQ(starts, (std::vector<std::size_t>{0, 2, 4, 5}));
}

}  // namespace
}  // namespace quorlin::testing
