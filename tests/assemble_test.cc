// Output assembly: where each piece of the reversed song lands.
#include "track/assemble.h"

#include <gtest/gtest.h>

#include "song_builder.h"
#include "track/bytes.h"

namespace quorlin::testing {
namespace {

std::vector<ChannelHeader> Headers(int fm, int psg) {
  std::vector<ChannelHeader> headers{{ChannelKind::kDac, 1}};
  for (int i = 1; i <= fm; ++i) headers.push_back({ChannelKind::kFm, i});
  for (int i = 1; i <= psg; ++i) headers.push_back({ChannelKind::kPsg, i});
  return headers;
}

TEST(AssembleTest, DacAndFmChannelWithOneVoice) {
  SongHeader song{0x1234, 1, 0, 0x01, 0x05};
  const Bytes voices(25, 0x11);
  const Bytes dac = Hex("80 18 81 0C F2");       // 5 bytes
  const Bytes fm = Hex("A1 18 A1 18 F6 FF FC");  // 7 bytes
  const std::vector<std::span<const std::uint8_t>> channels{dac, fm};
  const Bytes out = AssembleSong(song, voices, channels, Headers(1, 0));
  ASSERT_EQ(out.size(), 51u);
  EXPECT_EQ(ToHex(Bytes(out.begin(), out.begin() + 14)),
            "00 0E 02 00 01 05 "  // voice table at 0x0E, counts, divider, tempo
            "00 27 00 00 "        // DAC data at 0x27
            "00 2C 00 00");       // FM data at 0x2C
  EXPECT_EQ(Bytes(out.begin() + 0x0E, out.begin() + 0x27), voices);
  EXPECT_EQ(Bytes(out.begin() + 0x27, out.begin() + 0x2C), dac);
  EXPECT_EQ(Bytes(out.begin() + 0x2C, out.end()), fm);
}

TEST(AssembleTest, DacOnlySongStartsItsEventsBehindTheVoice) {
  SongHeader song{0, 0, 0, 0x02, 0x03};
  const Bytes voices(25, 0x22);
  const Bytes dac = Hex("F2");
  const std::vector<std::span<const std::uint8_t>> channels{dac};
  const Bytes out = AssembleSong(song, voices, channels, Headers(0, 0));
  EXPECT_EQ(ReadBigEndian16(out, 0), 10);
  EXPECT_EQ(ReadBigEndian16(out, 6), 35);
  EXPECT_EQ(out.size(), 36u);
}

TEST(AssembleTest, PsgHeadersAreSixBytesWithZerosBehindTheOffset) {
  SongHeader song{0, 0, 2, 0x01, 0x01};
  const Bytes voices(25, 0);
  const Bytes a = Hex("F2"), b = Hex("E4"), c = Hex("F2");
  const std::vector<std::span<const std::uint8_t>> channels{a, b, c};
  const Bytes out = AssembleSong(song, voices, channels, Headers(0, 2));
  // 6 + 4 + 2 * 6 = 22 bytes of headers.
  EXPECT_EQ(ReadBigEndian16(out, 0), 22);
  EXPECT_EQ(ToHex(Bytes(out.begin() + 10, out.begin() + 22)),
            "00 30 00 00 00 00 00 31 00 00 00 00");
}

}  // namespace
}  // namespace quorlin::testing
