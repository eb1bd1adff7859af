#include "track/conversion.h"

#include <algorithm>

#include "reverse/invert_channel.h"
#include "reverse/reverse_channel.h"
#include "track/assemble.h"
#include "track/bytes.h"
#include "track/track_error.h"

namespace quorlin {

Conversion::Conversion(std::vector<std::uint8_t> image, WalkLimits limits)
    : image_(std::move(image)), song_(ReadSongHeader(image_)) {
  pass_.limits = limits;
  pass_.steps_left = limits.steps_per_song;
}

void Conversion::Flatten() {
  headers_ = ReadChannelHeaders(image_, song_);
  buffers_.clear();
  buffers_.reserve(headers_.size());
  for (std::size_t i = 0; i < headers_.size(); ++i) {
    buffers_.push_back(std::make_unique<ChannelBuffer>());
  }
  RunPass(0);
  RunPass(longest_clock_);
}

// The DAC channel comes first: its walk fills the tempo divider timeline
// that the FM and PSG walks of the same pass read.
void Conversion::RunPass(std::int32_t target) {
  pass_.target = target;
  pass_.song_divider = song_.tempo_divider;
  pass_.max_voice = 0;
  pass_.timeline.Clear();
  for (std::size_t i = 0; i < headers_.size(); ++i) {
    ChannelBuffer& buffer = *buffers_[i];
    buffer.Clear();
    const std::int32_t clock = UnpackChannel(headers_[i], image_, buffer, pass_);
    if (target == 0) longest_clock_ = std::max(longest_clock_, clock);
  }
}

void Conversion::CopyVoices() {
  const std::size_t begin = song_.voice_table_offset;
  const std::size_t end = begin + std::size_t{kVoiceRecordSize} * voice_count();
  if (end > image_.size()) {
    throw TrackError("voice records 0-" + std::to_string(voice_count() - 1) + " at " +
                     FormatOffset(begin) + "-" + FormatOffset(end - 1) +
                     " run past the end of the track at " + FormatOffset(image_.size()));
  }
  voices_.assign(image_.begin() + begin, image_.begin() + end);
}

void Conversion::Reverse() {
  // A converted list keeps its length through the reversal, so each channel's
  // output offset is known once the channels before it are inverted: a song
  // whose data would not fit is refused before any more work is done.
  std::size_t data_offset = song_.HeadersSize() + voices_.size();
  for (std::size_t i = 0; i < headers_.size(); ++i) {
    CheckChannelDataOffset(data_offset, headers_[i]);
    InvertChannel(*buffers_[i], song_.tempo, song_.tempo_divider, headers_[i].Name());
    data_offset += buffers_[i]->EventLength();
  }
  for (std::size_t i = 0; i < headers_.size(); ++i) {
    ReverseChannel(*buffers_[i], headers_[i].Name());
  }
}

std::vector<std::uint8_t> Conversion::Assemble() const {
  std::vector<std::span<const std::uint8_t>> events;
  events.reserve(buffers_.size());
  for (const auto& buffer : buffers_) events.push_back(buffer->Events());
  return AssembleSong(song_, voices_, events, headers_);
}

}  // namespace quorlin
