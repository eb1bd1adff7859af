// The Sonic 2 SMPS driver (Z80): the same song layout as Sonic 1's, with
// every pointer an absolute Z80 address stored low byte first.
//
//   0x00  u16  voice table address
//   0x02  u8   FM channel count, the DAC channel included
//   0x03  u8   PSG channel count
//   0x04  u8   tempo divider
//   0x05  u8   tempo (of the accumulator: T of every 256 frames advance)
//   0x06       channel entries as in Sonic 1, each with a data address
//
// A byte at song offset o has the address base + o: $1380 for a song the
// game decompresses (the build's compressed songs), $8000 + (ROM address
// AND $7FFF) for one it plays from its bank. F6, F7 and F8 hold addresses.
//
// Flags against Sonic 1: ED swallows the byte after it, EE does nothing,
// E6 changes a PSG channel's volume too, FA-FF are no flags but take one
// byte, read by the pan flag's code: FA and FB set the pan as E0 does, FC
// does nothing, FD-FF leave a pan value that comes from elsewhere. Track
// memory: loop counters at $20 + index, 2-byte return addresses from $2A
// down, in the same 10 bytes.
#ifndef QUORLIN_FORMAT_SONIC2_DRIVER_H_
#define QUORLIN_FORMAT_SONIC2_DRIVER_H_

#include "format/sonic1_driver.h"

namespace quorlin {

namespace sonic2_flags {
using W = FlagWalk;
using I = FlagInversion;
using S = StartValue;

// Sonic 1's rows, but for the flags in which the drivers differ.
constexpr std::array<FlagRow, 32> Rows() {
  std::array<FlagRow, 32> rows = sonic1_flags::kRows;
  const auto row = [&rows](std::uint8_t flag) -> FlagRow& { return rows[flag - 0xE0]; };
  // clang-format off
  //                n  walk        inversion     start           rank state ends
  row(0xED) =      {1, W::kCopy,   I::kCopy,     S::kZero,       0,   0xED, false};
  row(0xEE) =      {0, W::kCopy,   I::kCopy,     S::kZero,       0,   0xEE, false};
  // FA is E0; FB is E0 without its check for PSG channels (which have no
  // FM pan register: there it writes to the FM chip, which the tool does
  // not follow).
  row(0xFA) =      {1, W::kCopy,   I::kRestore,  S::kPanCentre,  0,   0xE0, false};
  row(0xFB) =      {1, W::kCopy,   I::kRestore,  S::kPanCentre,  0,   0xE0, false};
  row(0xFC) =      {1, W::kCopy,   I::kCopy,     S::kZero,       0,   0xFC, false};
  row(0xFD) =      {1, W::kRefuse, I::kDrop,     S::kZero,       0,   0xFD, false};
  row(0xFE) =      {1, W::kRefuse, I::kDrop,     S::kZero,       0,   0xFE, false};
  row(0xFF) =      {1, W::kRefuse, I::kDrop,     S::kZero,       0,   0xFF, false};
  // clang-format on
  return rows;
}
inline constexpr std::array<FlagRow, 32> kRows = Rows();
}  // namespace sonic2_flags

// clang-format off
inline constexpr Driver kSonic2Driver = {
    .name = "Sonic 2",
    .notes = kSonic1Driver.notes,
    .flags = sonic2_flags::kRows,
    // Addresses, the song's first byte at $1380 until it is placed elsewhere.
    .header_pointers = {PointerForm::Base::kSongStart, ByteOrder::kLittleEndian, 0x1380},
    .data_pointers = {PointerForm::Base::kSongStart, ByteOrder::kLittleEndian, 0x1380},
    .song_header = kSonic1Driver.song_header,
    .channel_entries = kSonic1Driver.channel_entries,
    // Counters at $20-$29, 2-byte return addresses from $2A down: a sixth
    // call would write into the track's other state. Written loops take
    // counters 0-3, so that three calls nest beside them.
    .track_memory = {.loop_counters_at = 0x20, .loop_counters = 10,
                     .stack_top = 0x2A, .stack_entry_size = 2, .deepest_call = 5,
                     .written_loop_counters = 4, .refuse_shared_bytes = true},
    // An address reaches every byte; the build refuses a compressed song of
    // more than $7C0 bytes, which would overrun the Z80's stack at $1B40.
    .limits = {.longest_looping_channel = 0x10000, .largest_data_offset = 0xFFFF,
               .compressed_song_bytes = 0x7C0},
    .placement = {.by_address = true, .default_base = 0x1380, .address_space = 0x10000,
                  .compressed_song_base = 0x1380},
    // Voice record groups go to registers +0, +4, +8, +C: the chip's
    // operators 1, 3, 2, 4.
    .source = {.driver_version = 2, .voice_registers = {0x0, 0x4, 0x8, 0xC}},
    .game_images = false,
};
// clang-format on

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_SONIC2_DRIVER_H_
