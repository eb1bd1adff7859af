#include "convert/convert_effect.h"

#include <algorithm>
#include <string>

#include "compact/compact_channel.h"
#include "convert/assemble.h"
#include "flatten/flatten_song.h"
#include "format/events.h"
#include "format/track_error.h"
#include "reverse/mirror_sweeps.h"
#include "reverse/reverse_channel.h"

namespace quorlin {
namespace {

// The transposition and volume a reversed track starts with go into its
// entry, as the forward effect has them: the driver applies the entry's
// volume when the first EF loads a voice, while an FM volume step E6 on an
// effect track refreshes the levels from the wrong voice table. The flags
// that set them before the track's first note are taken out and their
// values added to the entry's.
void LiftStartingValues(const Driver& driver, std::vector<std::uint8_t>& events,
                        ChannelHeader& entry) {
  const std::uint8_t volume_step =
      entry.kind == ChannelKind::kFm ? flag::kFmVolumeStep : flag::kPsgVolumeStep;
  std::vector<std::uint8_t> kept;
  EventReader reader(driver, events);
  std::size_t rest_at = events.size();
  while (!reader.Done()) {
    const Event event = reader.Next();
    if (event.kind != EventKind::kFlag || event.flag->inversion == FlagInversion::kTakeOut) {
      rest_at = event.at;
      break;
    }
    if (event.first() == flag::kTransposeStep) {
      entry.transpose = static_cast<std::uint8_t>(entry.transpose + event.second());
    } else if (event.first() == volume_step) {
      entry.volume = static_cast<std::uint8_t>(entry.volume + event.second());
    } else {
      kept.insert(kept.end(), event.bytes.begin(), event.bytes.end());
    }
  }
  kept.insert(kept.end(), events.begin() + static_cast<std::ptrdiff_t>(rest_at), events.end());
  events = std::move(kept);
}

// Where each track's data starts behind the header; the last entry is where
// the voices start.
std::vector<std::size_t> PlaceTracks(const EffectFormat& format,
                                     std::span<const ChannelData> tracks) {
  std::vector<std::size_t> offsets;
  std::size_t at = EffectHeadersSize(format, tracks.size());
  for (const ChannelData& data : tracks) {
    offsets.push_back(at);
    at += data.size();
  }
  offsets.push_back(at);
  return offsets;
}

}  // namespace

ConvertedEffect ConvertEffect(const EffectFormat& format, std::span<const std::uint8_t> track,
                              const ConvertOptions& options) {
  const Driver& driver = format.driver;
  ConvertedEffect result;
  result.header = ReadEffectHeader(format, track);
  if (options.on_effect_header) options.on_effect_header(result.header);
  EffectHeader& header = result.header;

  // The tracks are walked without their entries' transposition and volume,
  // which the reversed entries carry again (LiftStartingValues).
  std::vector<ChannelHeader> channels;
  for (const EffectTrack& effect_track : header.tracks) {
    ChannelHeader& channel = channels.emplace_back(effect_track.header);
    channel.transpose = channel.volume = 0;
  }
  SongHeader song;
  song.tempo_divider = header.tempo_divider;
  FlattenedSong flat =
      FlattenSong(driver, track, song, channels, options.limits, /*stop_at_length=*/true);
  // An effect's voice table holds the voices it selects, and none when it
  // selects none.
  result.voice_count = flat.selects_voice ? flat.voice_count : 0;
  if (options.on_voice_count) options.on_voice_count(result.voice_count);
  const std::vector<std::uint8_t> voices =
      CopyVoices(track, header.voice_table_offset, result.voice_count);

  std::vector<ChannelData> tracks =
      InvertAndReverse(driver, song, channels, flat.channels, flat.notes_need_their_dividers);
  for (std::size_t i = 0; i < channels.size(); ++i) {
    LiftStartingValues(driver, tracks[i], header.tracks[i].header);
    tracks[i] =
        MirrorSweeps(driver, format.pitch, tracks[i], channels[i].kind,
                     header.tracks[i].header.transpose, header.tempo_divider, result.sweeps);
  }
  if (options.compact) {
    ChannelCompactor compactor(driver, song.tempo_divider);
    for (std::size_t i = 0; i < channels.size(); ++i) {
      tracks[i] = compactor.Compact(tracks[i], channels[i]);
    }
  }
  const std::vector<std::size_t> offsets = PlaceTracks(format, tracks);
  header.voice_table_offset = offsets.back();
  if (offsets.back() > driver.limits.largest_data_offset) {
    throw TrackError(ErrorKind::kSizeLimit,
                     "the reversed effect would place its voices at " +
                         FormatOffset(static_cast<long long>(offsets.back())) +
                         ", beyond the offset " +
                         FormatOffset(static_cast<long long>(driver.limits.largest_data_offset)) +
                         " that its header can hold");
  }
  result.bytes.resize(offsets.back() + voices.size());
  WriteEffectHeader(format, result.bytes, header, offsets);
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    std::copy(tracks[i].begin(), tracks[i].end(), result.bytes.begin() + offsets[i]);
  }
  std::copy(voices.begin(), voices.end(), result.bytes.begin() + offsets.back());
  return result;
}

}  // namespace quorlin
