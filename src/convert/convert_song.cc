#include "convert/convert_song.h"

#include <optional>

#include "compact/compact_channel.h"
#include "convert/assemble.h"
#include "flatten/flatten_song.h"
#include "format/bytes.h"
#include "format/events.h"
#include "format/track_error.h"
#include "reverse/reverse_channel.h"

namespace quorlin {
namespace {

// True when a channel's data ends with the jump that loops it: the last of
// its events, read from the first, is F6.
bool Loops(const Driver& driver, std::span<const std::uint8_t> data) {
  for (EventReader reader(driver, data); !reader.Done();) {
    const Event event = reader.Next();
    if (event.end() == data.size()) return event.first() == flag::kJump;
  }
  return false;
}

// What keeps the channels from being written as they are, if anything: a
// looping channel whose closing jump cannot reach back to its start, a
// channel whose data would start beyond what a channel header can hold, or
// a song that would end beyond the addresses its pointers hold.
std::optional<TrackError> LayoutProblem(const Driver& driver, const SongHeader& song,
                                        std::span<const ChannelHeader> headers,
                                        std::span<const ChannelData> channels,
                                        std::span<const std::size_t> offsets,
                                        std::size_t voice_bytes) {
  const Limits& limits = driver.limits;
  const std::size_t largest_offset = driver.LargestDataOffset();
  for (std::size_t i = 0; i < channels.size(); ++i) {
    if (offsets[i] > largest_offset) {
      const std::string name = headers[i].Name();
      return TrackError(ErrorKind::kSizeLimit,
                        "the reversed song would place " + name + "'s data at " +
                            FormatOffset(static_cast<long long>(offsets[i])) +
                            ", beyond the offset " +
                            FormatOffset(static_cast<long long>(largest_offset)) +
                            " that a channel header can hold",
                        {name, static_cast<long long>(offsets[i])});
    }
    if (channels[i].size() > limits.longest_looping_channel && Loops(driver, channels[i])) {
      const std::string name = headers[i].Name();
      return TrackError(ErrorKind::kSizeLimit,
                        name + " is " + std::to_string(channels[i].size()) +
                            " bytes long reversed, more than its closing jump can reach back (" +
                            std::to_string(limits.longest_looping_channel) + ")",
                        {name, {}});
    }
  }
  const std::int64_t end = driver.Address() + static_cast<std::int64_t>(SongSize(
                                                  driver, song, voice_bytes, channels, offsets));
  if (driver.placement.by_address && end > driver.placement.address_space) {
    return TrackError(ErrorKind::kSizeLimit, "the reversed song's last byte would lie at address " +
                                                 FormatAddress(end - 1) +
                                                 ", beyond the last address " +
                                                 FormatAddress(driver.placement.address_space - 1) +
                                                 " that its pointers can hold");
  }
  return std::nullopt;
}

// The build's refusal of a song too large to be kept compressed, where the
// song is placed as a compressed one.
std::optional<std::string> CompressedSizeProblem(const Driver& driver, std::size_t size) {
  const std::size_t limit = driver.limits.compressed_song_bytes;
  if (limit == 0 || driver.Address() != driver.placement.compressed_song_base || size <= limit) {
    return std::nullopt;
  }
  return "the reversed song takes " + std::to_string(size) + " bytes, more than the " +
         std::to_string(limit) + " bytes that a compressed song may take";
}

}  // namespace

ConvertedSong ConvertSong(const Driver& driver, std::span<const std::uint8_t> track,
                          const ConvertOptions& options, DumpSink* dumps) {
  ConvertedSong result;
  result.song = ReadSongHeader(driver, track);
  const SongHeader& song = result.song;
  if (options.on_song_header) options.on_song_header(song);
  const std::vector<ChannelHeader> headers = ReadChannelHeaders(driver, track, song);

  FlattenedSong flat = FlattenSong(driver, track, song, headers, options.limits);
  result.voice_count = flat.voice_count;
  // A song that selects no voice reads none: where its file holds no whole
  // voice record (its voice table offset past the end included), the
  // reversed song gets none either.
  if (!flat.selects_voice && (song.voice_table_offset > track.size() ||
                              track.size() - song.voice_table_offset < kVoiceRecordSize)) {
    result.voice_count = 0;
  }
  if (options.on_voice_count) options.on_voice_count(result.voice_count);
  const std::vector<std::uint8_t> voices =
      CopyVoices(track, song.voice_table_offset, result.voice_count);

  // The inverted lists are kept for the dumps only.
  std::vector<ChannelData> converted;
  std::vector<ChannelData> reversed =
      InvertAndReverse(driver, song, headers, flat.channels, flat.notes_need_their_dividers,
                       dumps != nullptr ? &converted : nullptr);
  if (dumps != nullptr) WriteDumps({song, converted, reversed, voices, flat.timeline}, *dumps);
  converted.clear();

  std::vector<ChannelData>& channels = reversed;
  std::optional<std::string> problem;
  if (!options.compact) {
    const auto offsets = PlaceChannels(driver, song, voices.size(), channels);
    if (auto layout = LayoutProblem(driver, song, headers, channels, offsets, voices.size())) {
      problem = layout->what();
    } else {
      problem =
          CompressedSizeProblem(driver, SongSize(driver, song, voices.size(), channels, offsets));
    }
  }
  if (options.compact || problem) {
    ChannelCompactor compactor(driver, song.tempo_divider);
    for (std::size_t i = 0; i < headers.size(); ++i) {
      channels[i] = compactor.Compact(channels[i], headers[i]);
    }
  }
  const std::vector<std::size_t> offsets = PlaceChannels(driver, song, voices.size(), channels);
  if (const auto still = LayoutProblem(driver, song, headers, channels, offsets, voices.size())) {
    throw TrackError(still->kind(),
                     std::string(still->what()) + ", even written with loops and calls",
                     still->place());
  }
  if (problem) result.notice = *problem + "; the song is written with loops and calls";
  // Too large all the same: written, for a place that keeps it uncompressed.
  if (const auto still =
          CompressedSizeProblem(driver, SongSize(driver, song, voices.size(), channels, offsets))) {
    result.notice = *still +
                    ", even written with loops and calls; it is written all the same, "
                    "to be kept uncompressed";
  }
  result.bytes = AssembleSong(driver, song, voices, channels, offsets);
  return result;
}

}  // namespace quorlin
