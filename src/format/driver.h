// What differs between SMPS sound drivers, as data: the byte classes of
// channel data, what every flag is and does, how pointers are stored, the
// song header's and channel entries' layout, the track memory of loop
// counters and return addresses, the size limits, where songs lie and how
// their disassembly writes them. Every stage reads them from the Driver it
// is given (format/sonic1_driver.h, format/sonic2_driver.h).
#ifndef QUORLIN_FORMAT_DRIVER_H_
#define QUORLIN_FORMAT_DRIVER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "format/bytes.h"
#include "format/format.h"

namespace quorlin {

// The classes of channel data bytes: durations, the rest, notes, flags.
struct NoteRange {
  std::uint8_t last_duration;  // bytes up to it are durations
  std::uint8_t rest;           // treated as a note throughout
  std::uint8_t first_note;
  std::uint8_t last_note;
  std::uint8_t first_flag;  // coordination flags from it up to 0xFF
  // A DAC note other than the rest plays sample note + plus_dac - rest.
  std::uint8_t plus_dac;

  constexpr bool IsDuration(std::uint8_t b) const { return b <= last_duration; }
  constexpr bool IsFlag(std::uint8_t b) const { return b >= first_flag; }
};

// What the flattening walk does when it meets a flag.
enum class FlagWalk : std::uint8_t {
  kCopy,            // written with its parameters as read
  kReturn,          // back behind the last call; nothing written
  kStop,            // ends the channel (rests fill it first in a fitting walk)
  kChannelDivider,  // copied; sets the channel's tempo divider
  kGlobalDivider,   // copied; sets the divider, and the DAC's timeline entry
  kVoice,           // copied; counts towards the voices the song uses
  kJump,            // followed; nothing written
  kLoop,            // played out; nothing written
  kCall,            // followed; nothing written
  kIgnore,          // no flag of the driver: nothing written, nothing done
  // A byte that the driver reads as a flag whose effect leaves a state no
  // reversal can know (a value taken from elsewhere in its memory): the
  // track is refused.
  kRefuse,
};

// What the state inversion writes in a flag's place.
enum class FlagInversion : std::uint8_t {
  kCopy,     // the flag unchanged; no state
  kRestore,  // the flag with the value(s) held before it
  kStep,     // the flag with its step negated; a running total is kept
  // Nothing here. On the DAC channel, which ignores E7, one E7 behind the
  // next note; elsewhere E7 stands before the note that a join continues.
  kNoAttack,
  kModulation,  // the modulation state byte (F1 or F4) held before it, alone
  // The modulation state byte held before it, then the flag with the set-up
  // held before it: F0 sets modulation up and switches it on.
  kModulationSetup,
  kTakeOut,  // nothing here; the flag closes the converted list
  // On FM channels the voice before it (normal release), as F9's fast
  // release lasts until the next voice load EF; copied on the others.
  kFastRelease,
  kDrop,  // nothing at all
  // Where no note but rests follows it in the channel, it moves with the
  // closing flag and stands right before it once reversed; elsewhere it is
  // copied.
  kAtEnd,
};

// The value a flag's state holds before the channel's first flag of its kind.
enum class StartValue : std::uint8_t {
  kZero,
  kPanCentre,      // C0
  kNoiseE0,        // E0
  kModulationOff,  // the byte F4
  kSongTempo,      // the song header's tempo
  kSongDivider,    // the song header's tempo divider
};

struct FlagRow {
  std::uint8_t parameters;  // bytes that follow the flag
  FlagWalk walk;
  FlagInversion inversion;
  StartValue start;
  // Place in the final-state commands that the inversion appends (1 first);
  // 0 for a flag that appends nothing.
  std::uint8_t final_rank;
  // The flag whose state and seen-marker this one shares: itself, but F1 for
  // F4, as both set the one modulation state.
  std::uint8_t state;
  // The driver reads no byte directly behind it: it stops the track,
  // returns from a call or jumps.
  bool ends_run;

  // Its last two parameter bytes are a pointer.
  constexpr bool HasPointer() const {
    return walk == FlagWalk::kJump || walk == FlagWalk::kLoop || walk == FlagWalk::kCall;
  }
};

// How a pointer is stored: two bytes in a byte order, counted from the
// pointer's own position (relative) or an address, the song's first byte
// at `origin` (absolute).
struct PointerForm {
  enum class Base : std::uint8_t { kOwnPosition, kSongStart };
  static constexpr std::size_t kBytes = 2;

  Base base;
  ByteOrder order;
  // kOwnPosition: added to the position of the pointer's first byte before
  // its value (1: the value counts from the pointer's second byte).
  // kSongStart: the address of the song's first byte.
  std::int64_t origin;

  // The value that leads a pointer at `at` to `target`; it may not fit.
  constexpr std::int64_t ValueFor(std::int64_t at, std::int64_t target) const {
    return base == Base::kOwnPosition ? target - at - origin : target + origin;
  }
  // Where the pointer at `at` leads; both its bytes lie inside `bytes`.
  std::int64_t TargetAt(std::span<const std::uint8_t> bytes, std::size_t at) const {
    const std::uint16_t value = Read16(bytes, at, order);
    return base == Base::kOwnPosition
               ? static_cast<std::int64_t>(at) + origin + static_cast<std::int16_t>(value)
               : std::int64_t{value} - origin;
  }
  // Stores the low 16 bits of `value` at `at`.
  void Store(std::span<std::uint8_t> bytes, std::size_t at, std::int64_t value) const {
    Write16(bytes, at, static_cast<std::uint16_t>(value & 0xFFFF), order);
  }
  // Writes at `at` the pointer that leads to `target`; false when its value
  // does not fit, signed when relative, unsigned when absolute (its low 16
  // bits are written all the same).
  bool Write(std::span<std::uint8_t> bytes, std::size_t at, std::int64_t target) const {
    const std::int64_t value = ValueFor(static_cast<std::int64_t>(at), target);
    Store(bytes, at, value);
    return base == Base::kOwnPosition ? value >= INT16_MIN && value <= INT16_MAX
                                      : value >= 0 && value <= UINT16_MAX;
  }
};

// Positions in the song header. Its pointers take the header pointer form.
struct SongHeaderLayout {
  int size;
  int voice_table_at;
  int fm_count_at;  // FM channels, the DAC channel among them
  int psg_count_at;
  int tempo_divider_at;
  int tempo_at;
  // The most channels a song has: those the sound chips offer.
  int most_fm_channels;  // the DAC channel among them
  int most_psg_channels;
};

// Positions in one channel entry behind the song header; a field that the
// driver does not read for this kind of channel has none.
struct ChannelEntryLayout {
  int size;
  int data_at;  // a header pointer
  std::optional<int> transpose_at, volume_at, psg_voice_at;
};

// A track's memory in the driver: loop counters at loop_counters_at + index,
// return addresses from stack_top down, one entry per call, in the same
// bytes, so that calls nested deep overwrite loop counters.
struct TrackMemory {
  int loop_counters_at;
  int loop_counters;  // indices 0 to this - 1
  int stack_top;
  int stack_entry_size;
  // The calls the flattening follows nested before it refuses a track.
  int deepest_call;
  // The loop counters that the loops a compacted channel writes take; the
  // bytes above them hold the return addresses of its calls.
  int written_loop_counters;
  // The flattening refuses a track once a loop counter it has used and a
  // return address it has stored come to share a byte: the driver would
  // count or return by the other's value.
  bool refuse_shared_bytes;

  // The calls that may nest while `counters` loop counters are in use.
  constexpr int CallDepthBeside(int counters) const {
    return (stack_top - loop_counters_at - counters) / stack_entry_size;
  }
};

struct Limits {
  // The longest channel that loops: its closing jump must reach back to
  // its first byte.
  std::size_t longest_looping_channel;
  // The farthest offset a channel entry can hold, where the song starts at
  // address 0.
  std::size_t largest_data_offset;
  // The most bytes a song may take where the build keeps it compressed
  // (it is decompressed to `compressed_song_base`); 0 for no such limit.
  std::size_t compressed_song_bytes;
};

// Where a song sits for the driver. Songs whose pointers hold addresses
// (PointerForm::Base::kSongStart, the origin being the song's first byte's
// address) change their bytes with the address they are placed at; songs
// whose pointers hold offsets or distances do not.
struct Placement {
  bool by_address;
  // The address a song has unless told otherwise: where the game
  // decompresses songs.
  std::int64_t default_base;
  // Every address the driver reaches: a song lies inside it.
  std::int64_t address_space;
  // Where compressed songs are decompressed: a song placed there is one,
  // and Limits::compressed_song_bytes holds for it.
  std::int64_t compressed_song_base;
};

// The SMPS2ASM side of a driver: the SonicDriverVer that its disassembly
// assembles songs with, which decides what the include file's macros write.
struct SourceForm {
  int driver_version;
  // The register offset (from the group's first register) that each byte
  // of a voice record's groups of four goes to, in record order.
  std::array<std::uint8_t, 4> voice_registers;
};

struct Driver {
  const char* name;  // as the console names it: "Sonic 1"
  NoteRange notes;
  std::array<FlagRow, 32> flags;  // one row per flag byte, from notes.first_flag
  PointerForm header_pointers;    // the song header's and channel entries'
  PointerForm data_pointers;      // of the flags that jump, loop and call
  SongHeaderLayout song_header;
  std::array<ChannelEntryLayout, 3> channel_entries;  // by ChannelKind
  TrackMemory track_memory;
  Limits limits;
  Placement placement;
  SourceForm source;
  // Game images of this driver are read (their music table found).
  bool game_images;

  constexpr const FlagRow& Flag(std::uint8_t flag) const { return flags[flag - notes.first_flag]; }
  constexpr const ChannelEntryLayout& Entry(ChannelKind kind) const {
    return channel_entries[static_cast<std::size_t>(kind)];
  }

  // The song's first byte at `address`: the origin of every pointer that
  // holds an address. A driver whose pointers hold offsets stays as it is.
  constexpr Driver AtAddress(std::int64_t address) const {
    Driver placed = *this;
    if (!placement.by_address) return placed;
    for (PointerForm* form : {&placed.header_pointers, &placed.data_pointers}) {
      if (form->base == PointerForm::Base::kSongStart) form->origin = address;
    }
    return placed;
  }
  // The address of the song's first byte; 0 where pointers hold offsets.
  constexpr std::int64_t Address() const {
    return placement.by_address ? header_pointers.origin : 0;
  }
  // The farthest offset a channel entry can hold at this address.
  constexpr std::size_t LargestDataOffset() const {
    return limits.largest_data_offset - static_cast<std::size_t>(Address());
  }
};

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_DRIVER_H_
