#include "format/song_base.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/events.h"
#include "format/song_layout.h"
#include "format/track_error.h"

namespace quorlin {
namespace {

// The guesses made before the address is taken for one that never stays.
constexpr std::size_t kMostGuesses = 16;

// A pointer of the song: where it lies, the address it holds, and the
// channel entry or the flag it belongs to.
struct SongPointer {
  std::size_t at;
  std::int64_t address;
  std::string channel;  // "FM2"; empty for a flag's
  std::size_t flag_at = 0;

  // "FM1's data address $1399 (at 0x000A)", "the pointer $1313 of the flag
  // at 0x001E".
  std::string What() const {
    const std::string value = FormatAddress(address);
    return channel.empty() ? "the pointer " + value + " of the flag at " +
                                 FormatOffset(static_cast<long long>(flag_at))
                           : channel + "'s data address " + value + " (at " +
                                 FormatOffset(static_cast<long long>(at)) + ")";
  }
};

class AddressSearch {
 public:
  AddressSearch(const Driver& driver, std::span<const std::uint8_t> song)
      : driver_(driver), song_(song), reader_(driver, song) {}

  std::int64_t Run() {
    const SongHeader header = ReadSongHeader(driver_, song_);
    headers_size_ = HeadersSize(driver_, header);
    if (headers_size_ > song_.size()) {
      throw TrackError(ErrorKind::kMalformedTrack,
                       "the channel headers need bytes up to " +
                           FormatOffset(static_cast<long long>(headers_size_)) +
                           " but the track ends at " + FormatOffset(song_.size()));
    }
    const PointerForm& form = driver_.header_pointers;
    const std::int64_t voices = Read16(song_, driver_.song_header.voice_table_at, form.order);
    if (voices != 0) lowest_header_ = voices;
    ForEachChannelEntry(driver_, header, [&](ChannelKind kind, int number, std::size_t at) {
      ChannelHeader channel;
      channel.kind = kind;
      channel.number = number;
      const std::size_t pointer_at = at + static_cast<std::size_t>(driver_.Entry(kind).data_at);
      const std::int64_t address = Read16(song_, pointer_at, form.order);
      channels_.push_back({pointer_at, address, channel.Name()});
      lowest_header_ = std::min(lowest_header_.value_or(address), address);
    });
    const std::int64_t first = *lowest_header_ - static_cast<std::int64_t>(headers_size_);
    std::vector<std::int64_t> guesses;
    for (std::int64_t base = first;;) {
      Follow(base);
      std::int64_t lowest = *lowest_header_;
      for (const SongPointer& pointer : met_) lowest = std::min(lowest, pointer.address);
      const std::int64_t next = lowest - static_cast<std::int64_t>(headers_size_);
      if (next == base) {
        Check(base, "its lowest pointer");
        return base;
      }
      guesses.push_back(base);
      if (guesses.size() == kMostGuesses ||
          std::find(guesses.begin(), guesses.end(), next) != guesses.end()) {
        break;
      }
      base = next;
    }
    // No guess stays. A first guess whose pointers all lead inside the data
    // stays at once (none of them is lower than the header's lowest), so
    // this check names the pointer that moved it; the error below is only
    // a guard.
    Follow(first);
    Check(first, "its header's lowest pointer");
    throw TrackError(ErrorKind::kMalformedTrack,
                     "the song's pointers settle on no one address for its first byte; "
                     "give it with --base");
  }

 private:
  // Follows every channel from its start at `base` as the driver reads it,
  // through jumps, loops and calls, keeping the pointers met.
  void Follow(std::int64_t base) {
    met_.clear();
    std::vector<bool> read(song_.size(), false);
    std::vector<std::size_t> starts;
    const auto offset = [&](std::int64_t address) -> std::optional<std::size_t> {
      const std::int64_t at = address - base;
      if (at < 0 || at >= static_cast<std::int64_t>(song_.size())) return std::nullopt;
      return static_cast<std::size_t>(at);
    };
    for (const SongPointer& channel : channels_) {
      if (const auto at = offset(channel.address)) starts.push_back(*at);
    }
    while (!starts.empty()) {
      std::size_t at = starts.back();
      starts.pop_back();
      while (at < song_.size() && !read[at]) {
        read[at] = true;
        const Event event = reader_.At(at);
        at = event.end();
        if (event.kind != EventKind::kFlag || event.CutShort()) continue;
        if (event.flag->HasPointer()) {
          const std::size_t pointer_at = event.end() - PointerForm::kBytes;
          const std::int64_t address = Read16(song_, pointer_at, driver_.data_pointers.order);
          met_.push_back({pointer_at, address, {}, event.at});
          if (const auto target = offset(address)) starts.push_back(*target);
        }
        if (event.flag->ends_run) break;
      }
    }
  }

  // Every pointer leads into the song's data, and the song lies inside the
  // driver's addresses; `lowest` names the pointer that put it at `base`.
  void Check(std::int64_t base, const char* lowest) const {
    const std::string placed = "placed at " + FormatAddress(base) + ", where " + lowest +
                               " leads right behind its headers, ";
    const std::int64_t end = base + static_cast<std::int64_t>(song_.size());
    if (base < 0 || end > driver_.placement.address_space) {
      throw TrackError(ErrorKind::kMalformedTrack,
                       "the song's pointers fit no address for its first byte: " + placed +
                           "it would not lie inside the driver's addresses $0000-" +
                           FormatAddress(driver_.placement.address_space - 1) +
                           "; give the address with --base");
    }
    for (const auto* pointers : {&channels_, &met_}) {
      for (const SongPointer& pointer : *pointers) {
        const std::int64_t at = pointer.address - base;
        if (at >= static_cast<std::int64_t>(headers_size_) &&
            at < static_cast<std::int64_t>(song_.size())) {
          continue;
        }
        throw TrackError(ErrorKind::kMalformedTrack,
                         "the song's pointers fit no address for its first byte: " + placed +
                             pointer.What() + " leads outside its data, which lies at " +
                             FormatAddress(base + static_cast<std::int64_t>(headers_size_)) + "-" +
                             FormatAddress(end - 1) + "; give the address with --base",
                         {"", static_cast<long long>(pointer.at)});
      }
    }
  }

  const Driver& driver_;
  std::span<const std::uint8_t> song_;
  const EventReader reader_;
  std::size_t headers_size_ = 0;
  std::optional<std::int64_t> lowest_header_;
  std::vector<SongPointer> channels_;
  std::vector<SongPointer> met_;
};

}  // namespace

std::int64_t FindSongAddress(const Driver& driver, std::span<const std::uint8_t> song) {
  return AddressSearch(driver, song).Run();
}

}  // namespace quorlin
