// A whole game image in, the same game out with every song of its music
// table reversed: each reversal (with loops and calls) placed behind the
// file's last byte and its table entry pointed at it, the header's last
// address and checksum set anew. No other byte of the image changes.
#ifndef QUORLIN_ROM_REVERSE_ROM_H_
#define QUORLIN_ROM_REVERSE_ROM_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "convert/convert_song.h"
#include "format/effect_layout.h"
#include "rom/effect_table.h"
#include "rom/music_table.h"

namespace quorlin {

// What became of one entry of the music table.
struct RomSong {
  int number = 0;                         // 0x81 for the table's first entry, and so on
  std::uint32_t address = 0;              // of the original song
  std::optional<int> same_as;             // the number of an earlier entry with this address
  std::optional<ConvertedSong> reversal;  // its report values; its bytes are in the image
  std::string error;                      // why it was not reversed, if it was not
};

// What became of one entry of the effect tables.
struct RomEffect {
  int id = 0;                  // 0xA0 for the normal table's first entry, and so on
  std::uint32_t address = 0;   // of the original effect
  std::optional<int> same_as;  // the id of an earlier entry with this address
  bool reversed = false;
  std::string error;  // why it was not reversed, if it was not
};

struct ReversedRom {
  MusicTable table;
  std::vector<RomSong> songs;
  std::vector<std::uint8_t> image;
  int reversed = 0;  // entries whose song was reversed
  std::optional<EffectTable> effect_table;  // when the image has effects
  std::vector<RomEffect> effects;
  int effects_reversed = 0;
};

// Reads the image's songs as songs of `driver`, and its effects, when it has
// effect tables, as effects of `effects`: each reversal goes behind the image
// as a song's does, its entry pointed at it.
// Throws TrackError when the image is no whole game (CheckRomImage), holds
// no music table, has a table that leads past its end, or would outgrow the
// cartridge space. A song that does not convert keeps its entry and data,
// and its error.
ReversedRom ReverseRom(const Driver& driver, std::span<const std::uint8_t> rom,
                       const WalkLimits& limits = {}, const EffectFormat* effects = nullptr);

}  // namespace quorlin

#endif  // QUORLIN_ROM_REVERSE_ROM_H_
