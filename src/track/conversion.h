// One track's conversion in memory, stage by stage. The stages run in this
// order: construction (song header), Flatten (both passes), CopyVoices,
// Reverse (state inversion, then event reversal), Assemble. Every stage
// throws TrackError for a track that breaks a limit; nothing is written to
// disk here, so a failed conversion leaves no trace.
#ifndef QUORLIN_TRACK_CONVERSION_H_
#define QUORLIN_TRACK_CONVERSION_H_

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "flatten/unpack_channel.h"
#include "track/channel_buffer.h"
#include "track/song_layout.h"

namespace quorlin {

class Conversion {
 public:
  // Takes the track's bytes as loaded.
  explicit Conversion(std::vector<std::uint8_t> image, WalkLimits limits = {});

  const SongHeader& song() const { return song_; }

  // Measures every channel, then plays every channel again up to the longest
  // measure. Afterwards each ChannelBuffer holds its fitted event list.
  void Flatten();
  int voice_count() const { return pass_.max_voice + 1; }
  std::int32_t longest_clock() const { return longest_clock_; }

  void CopyVoices();
  void Reverse();
  std::vector<std::uint8_t> Assemble() const;

  // What the diagnostic dumps write out.
  const std::vector<ChannelHeader>& channel_headers() const { return headers_; }
  const std::vector<std::unique_ptr<ChannelBuffer>>& channels() const { return buffers_; }
  std::span<const std::uint8_t> voices() const { return voices_; }
  const TempoDividerTimeline& timeline() const { return pass_.timeline; }

 private:
  void RunPass(std::int32_t target);

  std::vector<std::uint8_t> image_;
  SongHeader song_;
  std::vector<ChannelHeader> headers_;
  std::vector<std::unique_ptr<ChannelBuffer>> buffers_;
  PassState pass_;
  std::int32_t longest_clock_ = 0;
  std::vector<std::uint8_t> voices_;
};

}  // namespace quorlin

#endif  // QUORLIN_TRACK_CONVERSION_H_
