// A whole game image in, the same game out with every song of its music
// table reversed: each reversal (with loops and calls) placed behind the
// image's last used byte and its table entry pointed at it, the header's
// last address and checksum set anew. The input is never changed.
#ifndef QUORLIN_ROM_REVERSE_ROM_H_
#define QUORLIN_ROM_REVERSE_ROM_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "convert/convert_song.h"
#include "rom/music_table.h"

namespace quorlin {

// What became of one entry of the music table.
struct RomSong {
  int number = 0;                         // 0x81 for the first entry
  std::uint32_t address = 0;              // of the original song
  std::optional<int> same_as;             // the number of an earlier entry with this address
  std::optional<ConvertedSong> reversal;  // its report values; its bytes are in the image
  std::string error;                      // why it was not reversed, if it was not
};

struct ReversedRom {
  MusicTable table;
  std::vector<RomSong> songs;
  std::vector<std::uint8_t> image;
  int reversed = 0;  // entries whose song was reversed
};

// Reads the image's songs as songs of `driver`. Throws TrackError when the
// image holds no music table or would outgrow the cartridge space.
ReversedRom ReverseRom(const Driver& driver, std::span<const std::uint8_t> rom,
                       const WalkLimits& limits = {});

}  // namespace quorlin

#endif  // QUORLIN_ROM_REVERSE_ROM_H_
