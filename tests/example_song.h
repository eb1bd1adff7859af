// The small song that the tests convert end to end: one DAC and one FM
// channel, 51 bytes.
#ifndef QUORLIN_TESTS_EXAMPLE_SONG_H_
#define QUORLIN_TESTS_EXAMPLE_SONG_H_

#include "song_builder.h"

namespace quorlin::testing {

inline Bytes ExampleSong() {
  Bytes song = {
      0x00, 0x1A, 0x02, 0x00, 0x01, 0x05,  // voices at 0x1A, DAC + 1 FM, no PSG, divider 1, tempo 5
      0x00, 0x0E, 0x00, 0x00,              // DAC: data at 0x0E
      0x00, 0x13, 0x00, 0x08,              // FM: data at 0x13, transposition 0, volume 8
      0x81, 0x0C, 0x82, 0x0C, 0xF2,        // DAC: two notes, stop
      0xEF, 0x00, 0xA1, 0x18,              // FM: voice 0, note A1 for 0x18
      0xF6, 0xFF, 0xFC,                    //     jump back to the note at 0x15
  };
  for (int i = 0; i < 25; ++i) song.push_back(static_cast<std::uint8_t>(0xA0 + i));  // voice 0
  return song;
}

// Its reversal, 61 bytes.
inline Bytes ExampleSongReversed() {
  Bytes song = {
      0x00, 0x0E, 0x02, 0x00, 0x01, 0x05,  // voices at 0x0E, counts, divider and tempo as before
      0x00, 0x27, 0x00, 0x00,              // DAC: data at 0x27
      0x00, 0x2E, 0x00, 0x00,              // FM: data at 0x2E, volume now a command
  };
  for (int i = 0; i < 25; ++i) song.push_back(static_cast<std::uint8_t>(0xA0 + i));  // voice 0
  const Bytes dac = {0x80, 0x18, 0x82, 0x0C, 0x81, 0x0C, 0xF2};  // fill rest first, then the notes
  const Bytes fm = {0xEF, 0x00, 0xE6, 0x08, 0xA1, 0x18, 0xA1, 0x18,
                    0xEF, 0x00, 0xE6, 0xF8, 0xF6, 0xFF, 0xF2};  // loops to its own start
  song.insert(song.end(), dac.begin(), dac.end());
  song.insert(song.end(), fm.begin(), fm.end());
  return song;
}

}  // namespace quorlin::testing

#endif  // QUORLIN_TESTS_EXAMPLE_SONG_H_
