#include "flatten/flatten_song.h"

#include <algorithm>

namespace quorlin {
namespace {

// One walk of every channel, the DAC channel first: its walk fills the tempo
// divider timeline that the FM and PSG walks of the same pass read. Returns
// the longest clock.
std::int32_t RunPass(std::span<const std::uint8_t> track, std::span<const ChannelHeader> channels,
                     std::span<ChannelBuffer> buffers, PassState& pass) {
  pass.max_voice = 0;
  pass.selects_voice = false;
  pass.timeline.Clear();
  pass.wrote_global_divider = false;
  pass.reused_duration_across_divider = false;
  std::int32_t longest = 0;
  for (std::size_t i = 0; i < channels.size(); ++i) {
    longest = std::max(longest, UnpackChannel(channels[i], track, buffers[i], pass));
  }
  return longest;
}

}  // namespace

FlattenedSong FlattenSong(std::span<const std::uint8_t> track, const SongHeader& song,
                          std::span<const ChannelHeader> channels, const WalkLimits& limits) {
  FlattenedSong flat;
  flat.channels.resize(channels.size());
  PassState pass;
  pass.limits = limits;
  pass.steps_left = limits.steps_per_song;
  pass.song_divider = song.tempo_divider;
  // The measuring pass finds the song's length; only the fitting pass's
  // lists are kept.
  pass.keep_lists = false;
  flat.longest_clock = RunPass(track, channels, flat.channels, pass);
  pass.keep_lists = true;
  pass.target = flat.longest_clock;
  RunPass(track, channels, flat.channels, pass);
  flat.voice_count = pass.max_voice + 1;
  flat.selects_voice = pass.selects_voice;
  flat.timeline = pass.timeline;
  flat.notes_need_their_dividers = pass.wrote_global_divider || pass.reused_duration_across_divider;
  return flat;
}

}  // namespace quorlin
