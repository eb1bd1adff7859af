// The frequency tables a driver plays notes from: a note's table index is
// the note, less the first note, plus the channel's transposition. FM words
// hold the YM2612's block in bits 11-13 and its F-number below; PSG words are
// tone periods (a smaller period sounds higher). The driver adds the detune
// and the modulation offset to the word as a number, whatever it holds.
#ifndef QUORLIN_FORMAT_PITCH_TABLES_H_
#define QUORLIN_FORMAT_PITCH_TABLES_H_

#include <array>
#include <cstdint>
#include <span>

namespace quorlin {

struct PitchTables {
  std::span<const std::uint16_t> fm;   // from note 0x80 (index 0) on; the index has 7 bits
  std::span<const std::uint16_t> psg;  // from note 0x81 (index 0) on
  std::uint8_t fm_base_note;
  std::uint8_t psg_base_note;
  std::uint8_t fm_index_mask;
};

namespace sonic1_pitch {

// Eight octaves of the same twelve F-numbers, the block one higher each.
constexpr std::array<std::uint16_t, 96> FmTable() {
  constexpr std::array<std::uint16_t, 12> kOctave = {0x025E, 0x0284, 0x02AB, 0x02D3,
                                                     0x02FE, 0x032D, 0x035C, 0x038F,
                                                     0x03C5, 0x03FF, 0x043C, 0x047C};
  std::array<std::uint16_t, 96> table{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    table[i] = static_cast<std::uint16_t>(kOctave[i % 12] + 0x800 * (i / 12));
  }
  return table;
}

inline constexpr std::array<std::uint16_t, 96> kFm = FmTable();
// clang-format off
inline constexpr std::array<std::uint16_t, 70> kPsg = {
    0x356, 0x326, 0x2F9, 0x2CE, 0x2A5, 0x280, 0x25C, 0x23A, 0x21A, 0x1FB, 0x1DF, 0x1C4,
    0x1AB, 0x193, 0x17D, 0x167, 0x153, 0x140, 0x12E, 0x11D, 0x10D, 0x0FE, 0x0EF, 0x0E2,
    0x0D6, 0x0C9, 0x0BE, 0x0B4, 0x0A9, 0x0A0, 0x097, 0x08F, 0x087, 0x07F, 0x078, 0x071,
    0x06B, 0x065, 0x05F, 0x05A, 0x055, 0x050, 0x04B, 0x047, 0x043, 0x040, 0x03C, 0x039,
    0x036, 0x033, 0x030, 0x02D, 0x02B, 0x028, 0x026, 0x024, 0x022, 0x020, 0x01F, 0x01D,
    0x01B, 0x01A, 0x018, 0x017, 0x016, 0x015, 0x013, 0x012, 0x011, 0x000};
// clang-format on

}  // namespace sonic1_pitch

inline constexpr PitchTables kSonic1Pitch = {sonic1_pitch::kFm, sonic1_pitch::kPsg, 0x80, 0x81,
                                             0x7F};

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_PITCH_TABLES_H_
