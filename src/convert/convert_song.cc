#include "convert/convert_song.h"

#include <optional>

#include "compact/compact_channel.h"
#include "convert/assemble.h"
#include "flatten/flatten_song.h"
#include "format/bytes.h"
#include "format/track_error.h"
#include "reverse/invert_channel.h"
#include "reverse/reverse_channel.h"

namespace quorlin {
namespace {

// A channel header holds its data offset in 16 bits.
constexpr std::size_t kLargestOffset = 0xFFFF;

std::vector<std::uint8_t> CopyVoices(std::span<const std::uint8_t> track, const SongHeader& song,
                                     int voice_count) {
  // No record is read, so the voice table offset may lead anywhere.
  if (voice_count == 0) return {};
  const std::size_t begin = song.voice_table_offset;
  const std::size_t end = begin + std::size_t{kVoiceRecordSize} * voice_count;
  if (end > track.size()) {
    throw TrackError("voice records 0-" + std::to_string(voice_count - 1) + " at " +
                     FormatOffset(begin) + "-" + FormatOffset(end - 1) +
                     " run past the end of the track at " + FormatOffset(track.size()));
  }
  return {track.begin() + begin, track.begin() + end};
}

// True when a channel's data ends with the jump that loops it: the last of
// its events, read from the first, is F6.
bool Loops(std::span<const std::uint8_t> data) {
  std::size_t at = 0;
  while (at < data.size()) {
    const std::size_t size = EventSize(data[at]);
    if (at + size == data.size()) return data[at] == flag::kJump;
    at += size;
  }
  return false;
}

// What keeps the channels from being written as they are, if anything: a
// looping channel whose closing jump cannot reach back to its start, or a
// channel whose data would start beyond what a channel header can hold.
std::optional<std::string> LayoutProblem(std::span<const ChannelHeader> headers,
                                         std::span<const ChannelData> channels,
                                         std::span<const std::size_t> offsets) {
  for (std::size_t i = 0; i < channels.size(); ++i) {
    if (offsets[i] > kLargestOffset) {
      return "the reversed song would place " + headers[i].Name() + "'s data at " +
             FormatOffset(static_cast<long long>(offsets[i])) +
             ", beyond the offset 0xFFFF that a channel header can hold";
    }
    if (channels[i].size() > kLongestLoopingChannel && Loops(channels[i])) {
      return headers[i].Name() + " is " + std::to_string(channels[i].size()) +
             " bytes long reversed, more than its closing jump can reach back (" +
             std::to_string(kLongestLoopingChannel) + ")";
    }
  }
  return std::nullopt;
}

}  // namespace

ConvertedSong ConvertSong(std::span<const std::uint8_t> track, const ConvertOptions& options,
                          DumpSink* dumps) {
  ConvertedSong result;
  result.song = ReadSongHeader(track);
  const SongHeader& song = result.song;
  if (options.on_song_header) options.on_song_header(song);
  const std::vector<ChannelHeader> headers = ReadChannelHeaders(track, song);

  FlattenedSong flat = FlattenSong(track, song, headers, options.limits);
  result.voice_count = flat.voice_count;
  // A song that selects no voice reads none: where its file holds no whole
  // voice record (its voice table offset past the end included), the
  // reversed song gets none either.
  if (!flat.selects_voice &&
      std::size_t{song.voice_table_offset} + kVoiceRecordSize > track.size()) {
    result.voice_count = 0;
  }
  if (options.on_voice_count) options.on_voice_count(result.voice_count);
  const std::vector<std::uint8_t> voices = CopyVoices(track, song, result.voice_count);

  const DividerInversion dividers =
      flat.notes_need_their_dividers ? DividerInversion::kPerNote : DividerInversion::kRestoreFlags;
  for (std::size_t i = 0; i < headers.size(); ++i) {
    InvertChannel(flat.channels[i], headers[i], song.tempo, song.tempo_divider, dividers);
    ReverseChannel(flat.channels[i], headers[i].Name());
  }
  if (dumps != nullptr) WriteDumps({song, flat.channels, voices, flat.timeline}, *dumps);

  std::vector<ChannelData> channels;
  channels.reserve(headers.size());
  for (ChannelBuffer& channel : flat.channels) channels.push_back(std::move(channel.events));
  std::optional<std::string> problem;
  if (!options.compact) {
    problem = LayoutProblem(headers, channels, PlaceChannels(song, voices.size(), channels));
  }
  if (options.compact || problem) {
    ChannelCompactor compactor(song.tempo_divider);
    for (std::size_t i = 0; i < headers.size(); ++i) {
      channels[i] = compactor.Compact(channels[i], headers[i]);
    }
  }
  const std::vector<std::size_t> offsets = PlaceChannels(song, voices.size(), channels);
  if (const auto still = LayoutProblem(headers, channels, offsets)) {
    throw TrackError(*still + ", even written with loops and calls");
  }
  if (problem) result.notice = *problem + "; the song is written with loops and calls";
  result.bytes = AssembleSong(song, voices, channels, offsets);
  return result;
}

}  // namespace quorlin
