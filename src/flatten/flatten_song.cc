#include "flatten/flatten_song.h"

#include <algorithm>

#include "flatten/channel_clock.h"

namespace quorlin {
namespace {

// What all walks of one pass give together.
struct PassResult {
  std::int32_t longest_clock = 0;
  std::vector<FlatChannel> channels;  // when the walks keep their lists
  TempoDividerTimeline timeline;
  std::optional<std::uint8_t> max_voice;
  bool notes_need_their_dividers = false;
};

// One walk of every channel, the DAC channel first: its walk records the
// tempo divider timeline that the FM and PSG walks of the same pass read.
// `steps_left` counts down the song's steps.
PassResult RunPass(ChannelWalker& walker, std::span<const std::uint8_t> track,
                   std::span<const ChannelHeader> channels, WalkSettings settings,
                   std::int64_t& steps_left) {
  PassResult pass;
  if (settings.keep_list) pass.channels.reserve(channels.size());
  for (const ChannelHeader& channel : channels) {
    settings.steps_left = steps_left;
    settings.timeline = pass.timeline;
    WalkResult walk = walker.Walk(channel, track, settings);
    steps_left -= walk.steps;
    if (channel.kind == ChannelKind::kDac) pass.timeline = std::move(walk.timeline);
    pass.longest_clock = std::max(pass.longest_clock, walk.clock);
    if (walk.max_voice) pass.max_voice = std::max(pass.max_voice.value_or(0), *walk.max_voice);
    pass.notes_need_their_dividers = pass.notes_need_their_dividers || walk.wrote_global_divider ||
                                     walk.reused_duration_across_divider;
    if (settings.keep_list) pass.channels.push_back(std::move(walk.channel));
  }
  return pass;
}

}  // namespace

FlattenedSong FlattenSong(const Driver& driver, std::span<const std::uint8_t> track,
                          const SongHeader& song, std::span<const ChannelHeader> channels,
                          const WalkLimits& limits, bool stop_at_length) {
  ChannelWalker walker(driver);
  WalkSettings settings;
  settings.stop_at_target = stop_at_length;
  settings.song_divider = song.tempo_divider;
  settings.limits = limits;
  std::int64_t steps_left = limits.steps_per_song;
  // The measuring pass finds the song's length; only the fitting pass's
  // lists are kept.
  settings.keep_list = false;
  const std::int32_t longest_clock =
      RunPass(walker, track, channels, settings, steps_left).longest_clock;
  settings.keep_list = true;
  // Channels that stop there end at the longest channel's last note, not
  // the stop flag's bump of the clock.
  constexpr auto kUnit = static_cast<std::int32_t>(ChannelClock::kUnit);
  settings.target =
      stop_at_length ? std::max(longest_clock - longest_clock % kUnit, 1) : longest_clock;
  PassResult fitted = RunPass(walker, track, channels, settings, steps_left);
  FlattenedSong flat;
  flat.channels = std::move(fitted.channels);
  flat.voice_count = fitted.max_voice.value_or(0) + 1;
  flat.selects_voice = fitted.max_voice.has_value();
  flat.longest_clock = longest_clock;
  flat.timeline = std::move(fitted.timeline);
  flat.notes_need_their_dividers = fitted.notes_need_their_dividers;
  return flat;
}

}  // namespace quorlin
