#include "convert/convert_song.h"

#include "convert/assemble.h"
#include "flatten/flatten_song.h"
#include "format/bytes.h"
#include "format/track_error.h"
#include "reverse/invert_channel.h"
#include "reverse/reverse_channel.h"

namespace quorlin {
namespace {

constexpr std::size_t kLargestOffset = 0xFFFF;

std::vector<std::uint8_t> CopyVoices(std::span<const std::uint8_t> track, const SongHeader& song,
                                     int voice_count) {
  const std::size_t begin = song.voice_table_offset;
  const std::size_t end = begin + std::size_t{kVoiceRecordSize} * voice_count;
  if (end > track.size()) {
    throw TrackError("voice records 0-" + std::to_string(voice_count - 1) + " at " +
                     FormatOffset(begin) + "-" + FormatOffset(end - 1) +
                     " run past the end of the track at " + FormatOffset(track.size()));
  }
  return {track.begin() + begin, track.begin() + end};
}

// Inverts every channel and places its data behind the voices, channel after
// channel. A converted list keeps its length through the reversal, so each
// channel's place is known once the channels before it are inverted: a song
// whose data would not fit is refused before any more work is done.
std::vector<std::uint16_t> InvertAndPlaceChannels(std::span<ChannelBuffer> channels,
                                                  std::span<const ChannelHeader> headers,
                                                  const SongHeader& song, std::size_t voice_bytes,
                                                  DividerInversion dividers) {
  std::vector<std::uint16_t> offsets;
  offsets.reserve(channels.size());
  std::size_t offset = song.HeadersSize() + voice_bytes;
  for (std::size_t i = 0; i < channels.size(); ++i) {
    if (offset > kLargestOffset) {
      throw TrackError("the reversed song would place " + headers[i].Name() + "'s data at " +
                       FormatOffset(offset) +
                       ", beyond the offset 0xFFFF that a channel header can hold");
    }
    offsets.push_back(static_cast<std::uint16_t>(offset));
    InvertChannel(channels[i], headers[i], song.tempo, song.tempo_divider, dividers);
    offset += channels[i].converted.size();
  }
  return offsets;
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
  if (options.on_voice_count) options.on_voice_count(flat.voice_count);
  const std::vector<std::uint8_t> voices = CopyVoices(track, song, flat.voice_count);

  const std::vector<std::uint16_t> offsets =
      InvertAndPlaceChannels(flat.channels, headers, song, voices.size(),
                             flat.notes_need_their_dividers ? DividerInversion::kPerNote
                                                            : DividerInversion::kRestoreFlags);
  for (std::size_t i = 0; i < headers.size(); ++i) {
    ReverseChannel(flat.channels[i], headers[i].Name());
  }
  if (dumps != nullptr) WriteDumps({song, flat.channels, voices, flat.timeline}, *dumps);
  result.bytes = AssembleSong(song, voices, flat.channels, offsets);
  return result;
}

}  // namespace quorlin
