// Output assembly: where each piece of the reversed song lands.
#include "convert/assemble.h"

#include <gtest/gtest.h>

#include "format/bytes.h"
#include "song_builder.h"

namespace quorlin::testing {
namespace {

std::vector<ChannelData> Channels(std::initializer_list<const char*> events) {
  std::vector<ChannelData> channels;
  for (const char* list : events) channels.push_back(Hex(list));
  return channels;
}

TEST(AssembleTest, DacAndFmChannelWithOneVoice) {
  SongHeader song{0x1234, 1, 0, 0x01, 0x05};
  const Bytes voices(25, 0x11);
  const auto channels = Channels({"80 18 81 0C F2", "A1 18 A1 18 F6 FF FC"});
  const auto offsets = PlaceChannels(kSonic1Driver, song, voices.size(), channels);
  EXPECT_EQ(offsets, (std::vector<std::size_t>{0x27, 0x2C}));
  const Bytes out = AssembleSong(kSonic1Driver, song, voices, channels, offsets);
  ASSERT_EQ(out.size(), 51u);
  EXPECT_EQ(ToHex(Bytes(out.begin(), out.begin() + 14)),
            "00 0E 02 00 01 05 "  // voice table at 0x0E, counts, divider, tempo
            "00 27 00 00 "        // DAC data at 0x27
            "00 2C 00 00");       // FM data at 0x2C
  EXPECT_EQ(Bytes(out.begin() + 0x0E, out.begin() + 0x27), voices);
  EXPECT_EQ(Bytes(out.begin() + 0x27, out.begin() + 0x2C), channels[0]);
  EXPECT_EQ(Bytes(out.begin() + 0x2C, out.end()), channels[1]);
}

TEST(AssembleTest, PsgHeadersAreSixBytesWithZerosBehindTheOffset) {
  SongHeader song{0, 0, 2, 0x01, 0x01};
  const Bytes voices(25, 0);
  const auto channels = Channels({"F2", "E4", "F2"});
  const auto offsets = PlaceChannels(kSonic1Driver, song, voices.size(), channels);
  const Bytes out = AssembleSong(kSonic1Driver, song, voices, channels, offsets);
  // 6 + 4 + 2 * 6 = 22 bytes of headers.
  EXPECT_EQ(ReadBigEndian16(out, 0), 22);
  EXPECT_EQ(ToHex(Bytes(out.begin() + 10, out.begin() + 22)),
            "00 30 00 00 00 00 00 31 00 00 00 00");
  EXPECT_EQ(out.size(), 0x32u);
}

}  // namespace
}  // namespace quorlin::testing
