#include "flatten/unpack_channel.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <string>

#include "flatten/channel_clock.h"
#include "format/bytes.h"
#include "format/format.h"
#include "format/track_error.h"

namespace quorlin {
namespace {

constexpr int kLoopCounters = 4;
constexpr int kCallStackDepth = 4;
// Everything that decides where a walk goes next. Two equal snapshots taken
// at jumps with no time played between them mean the walk circles for ever.
struct WalkSnapshot {
  int position;
  std::int32_t clock;
  int divider;
  std::size_t timeline_index;
  std::array<std::uint8_t, kLoopCounters> loop_counters;
  std::array<int, kCallStackDepth> call_stack;
  int call_depth;
  bool flag_since_note;
  std::uint8_t last_note;
  std::uint8_t last_duration;
  int last_duration_divider;
  bool operator==(const WalkSnapshot&) const = default;
};

class ChannelWalk {
 public:
  ChannelWalk(const ChannelHeader& channel, std::span<const std::uint8_t> image,
              ChannelBuffer& buffer, PassState& pass)
      : channel_(channel),
        image_(image),
        buffer_(buffer),
        pass_(pass),
        list_(pass.scratch),
        clock_(pass.target, pass.song_divider),
        position_(channel.data_offset),
        last_duration_divider_(pass.song_divider),
        revisit_budget_(pass.revisit_budget) {
    pass.visited.StartWalk();
    pass.divider_runs.clear();
    list_.clear();
  }

  std::int32_t Run() {
    WriteInitialCommands();
    // The steps this walk may take before a limit stops it.
    step_budget_ = std::min(pass_.limits.steps_per_walk, pass_.steps_left);
    NextDividerChange();
    while (revisit_budget_ != 0 && !stopped_) {
      if (!StartStep()) break;
      Step();
    }
    pass_.steps_left -= steps_;
    if (!stopped_) {
      Write(flag::kJump);
      Write(0x00);
      Write(0x00);
    }
    if (pass_.keep_lists) {
      buffer_.events.assign(list_.begin(), list_.end());
      buffer_.divider_runs = pass_.divider_runs;
      buffer_.fill_start = fill_start_;
    }
    return clock_.value();
  }

 private:
  bool IsDac() const { return channel_.kind == ChannelKind::kDac; }

  [[noreturn]] void Fail(const std::string& what) const {
    throw TrackError(channel_.Name() + " " + what);
  }

  void WriteInitialCommands() {
    if (IsDac()) return;
    if (channel_.transpose != 0) WritePair(flag::kTransposeStep, channel_.transpose);
    if (channel_.kind == ChannelKind::kFm) {
      if (channel_.volume != 0) WritePair(flag::kFmVolumeStep, channel_.volume);
    } else {
      if (channel_.volume != 0) WritePair(flag::kPsgVolumeStep, channel_.volume);
      if (channel_.psg_voice != 0) WritePair(flag::kPsgVoice, channel_.psg_voice);
    }
  }

  // Takes over a divider change of the DAC channel and ends a fitting walk at
  // its target. False ends the walk before the step reads anything.
  bool StartStep() {
    // The driver plays the DAC channel first in every frame: a change it makes
    // at clock c already holds for what this channel reads at c.
    while (clock_.value() >= next_change_clock_) [[unlikely]] {
        clock_.set_divider(pass_.timeline.DividerAt(timeline_index_));
        timeline_index_ += 2;
        NextDividerChange();
      }
    if (clock_.ReachedTarget()) return false;
    if (++steps_ > step_budget_) [[unlikely]]
      FailTooManySteps();
    return true;
  }

  // The clock of the next divider change an FM or PSG walk takes over from
  // the DAC channel's timeline; the DAC channel takes none.
  void NextDividerChange() {
    const std::int32_t change_clock = pass_.timeline.ClockAt(timeline_index_);
    next_change_clock_ = IsDac() || change_clock == TempoDividerTimeline::kEnd
                             ? std::numeric_limits<std::int64_t>::max()
                             : change_clock;
  }

  [[noreturn]] void FailTooManySteps() const {
    if (steps_ > pass_.limits.steps_per_walk) {
      Fail("plays more than " + std::to_string(pass_.limits.steps_per_walk) +
           " steps without coming to an end (last at offset " + FormatOffset(position_) + ")");
    }
    Fail("brings the song past " + std::to_string(pass_.limits.steps_per_song) +
         " steps of flattening (at offset " + FormatOffset(position_) + ")");
  }

  void Step() {
    const std::uint8_t b = MarkAndRead();
    if (IsNote(b)) {
      PlayNote(b);
    } else if (IsDuration(b)) {
      PlayDurationByte(b);
    } else {
      flag_since_note_ = true;
      HandleFlag(b);
    }
  }

  void PlayNote(std::uint8_t b) {
    flag_since_note_ = false;
    last_note_ = (IsDac() && b != kRest) ? static_cast<std::uint8_t>(b + PlusDAC - 0x80) : b;
    Write(last_note_);
    // A note directly followed by a duration leaves it to the next step;
    // otherwise it takes the duration given last, as long as it lasted then.
    const std::uint8_t next = PeekImage(position_);
    if (IsDuration(next)) return PlayOwnDuration(next);
    if (last_duration_divider_ != clock_.divider()) pass_.reused_duration_across_divider = true;
    PlayLastDuration();
  }

  // The step after a note reads its duration. As the note played no time,
  // that step starts as this one did, so it is taken here at once when it
  // may be: the commonest pair of events costs one turn of the step loop.
  void PlayOwnDuration(std::uint8_t b) {
    if (!InImage(position_) || steps_ >= step_budget_) return;
    ++steps_;
    pass_.visited.Mark(static_cast<std::size_t>(position_++));
    PlayDurationByte(b);
  }

  void PlayDurationByte(std::uint8_t b) {
    last_duration_ = b;
    last_duration_divider_ = clock_.divider();
    // The note is written again unless the step just before was the note itself.
    if (IsDuration(PeekImage(position_ - 2)) || flag_since_note_) Write(last_note_);
    PlayLastDuration();
  }

  void PlayLastDuration() {
    if (!clock_.CanPlay(last_duration_, last_duration_divider_)) FailClockOverflow();
    Write(clock_.Play(last_duration_, last_duration_divider_));
    if (pass_.keep_lists) {
      AddNotes(pass_.divider_runs, static_cast<std::uint8_t>(last_duration_divider_), 1);
    }
  }

  // The byte just read would carry the clock past 2^31 - 1.
  [[noreturn]] void FailClockOverflow() const {
    Fail("plays past the longest time a channel clock can count (at offset " +
         FormatOffset(position_ - 1) + ")");
  }

  void HandleFlag(std::uint8_t b) {
    switch (Flag(b).walk) {
      case FlagWalk::kCopy:
        CopyFlag(b);
        return;
      case FlagWalk::kReturn:
        return Return();
      case FlagWalk::kStop:
        return Stop(b);
      case FlagWalk::kChannelDivider:
        clock_.set_divider(CopyFlag(b));
        return;
      case FlagWalk::kGlobalDivider:
        return GlobalDivider(CopyFlag(b));
      case FlagWalk::kVoice: {
        const std::uint8_t voice = CopyFlag(b);
        pass_.selects_voice = true;
        if (voice > pass_.max_voice) pass_.max_voice = voice;
        return;
      }
      case FlagWalk::kJump:
        return Jump();
      case FlagWalk::kLoop:
        return Loop();
      case FlagWalk::kCall:
        return Call();
      case FlagWalk::kIgnore:
        return;
    }
  }

  // Writes the flag and its parameter bytes as read; returns the last one.
  std::uint8_t CopyFlag(std::uint8_t b) {
    Write(b);
    std::uint8_t parameter = 0;
    for (int i = 0; i < FlagParameterCount(b); ++i) {
      parameter = MarkAndRead();
      Write(parameter);
    }
    return parameter;
  }

  void GlobalDivider(std::uint8_t divider) {
    pass_.wrote_global_divider = true;
    clock_.set_divider(divider);
    if (!IsDac()) return;
    if (!pass_.timeline.Record(timeline_index_, clock_.value(), divider)) {
      Fail("sets the global tempo divider more than " +
           std::to_string(TempoDividerTimeline::kCapacityPairs) + " times (at offset " +
           FormatOffset(position_ - 2) + ")");
    }
  }

  void Stop(std::uint8_t b) {
    if (!clock_.Fitting()) {
      if (!clock_.CanBumpForStop()) FailClockOverflow();
      clock_.BumpForStop();
    } else {
      FillToTarget();
    }
    Write(b);
    stopped_ = true;
  }

  // Rests of at most 127 units up to the target; the clock stays where it is.
  void FillToTarget() {
    if (clock_.divider() == 0) {
      Fail("stops at offset " + FormatOffset(position_ - 1) +
           " while its tempo divider is 0, so the rests that fill it to the song's length "
           "cannot be measured");
    }
    const std::int64_t units = clock_.FillUnits();
    const std::int64_t full_rests = units / kLongestRest;
    const int remainder = static_cast<int>(units % kLongestRest);
    if (units > 0) fill_start_ = list_.size();
    list_.reserve(list_.size() + 2 * static_cast<std::size_t>(full_rests) + 2);
    for (std::int64_t i = 0; i < full_rests; ++i) WritePair(kRest, kLongestRest);
    if (remainder != 0) WritePair(kRest, static_cast<std::uint8_t>(remainder));
    // The rests count at the divider in force at the stop.
    AddNotes(pass_.divider_runs, static_cast<std::uint8_t>(clock_.divider()),
             static_cast<std::size_t>(full_rests + (remainder != 0 ? 1 : 0)));
  }

  void Jump() {
    const int pointer_at = position_;
    const int target = ReadPointer(/*mark=*/true);
    position_ = target;
    if (!IsVisited(target)) return;
    if (clock_.Fitting()) {
      CheckForIdleCycle(pointer_at);
    } else {
      --revisit_budget_;
    }
  }

  void Loop() {
    const int flag_at = position_ - 1;
    const std::uint8_t index = MarkAndRead();
    if (index >= kLoopCounters) {
      Fail("uses loop index " + std::to_string(index) + " at offset " + FormatOffset(flag_at) +
           "; only indices 0-3 exist");
    }
    std::uint8_t& counter = loop_counters_[index];
    if (counter == 0) {
      const std::uint8_t count = MarkAndRead();
      if (count == 1) {
        position_ += 2;  // played once: the pointer is skipped unread
        return;
      }
      counter = static_cast<std::uint8_t>(count - 1);  // a count of 0 plays 256 times
      position_ = ReadPointer(/*mark=*/true);
      return;
    }
    --counter;
    if (counter == 0) {
      position_ += 3;
      return;
    }
    ++position_;  // the count byte
    position_ = ReadPointer(/*mark=*/false);
  }

  void Call() {
    const int flag_at = position_ - 1;
    const int target = ReadPointer(/*mark=*/true);
    if (call_depth_ == kCallStackDepth) {
      Fail("calls deeper than " + std::to_string(kCallStackDepth) + " levels at offset " +
           FormatOffset(flag_at));
    }
    call_stack_[call_depth_++] = position_;
    position_ = target;
  }

  void Return() {
    if (call_depth_ == 0) {
      Fail("returns at offset " + FormatOffset(position_ - 1) + " without a call");
    }
    position_ = call_stack_[--call_depth_];
  }

  // A fitting walk that comes back to the same state without having played
  // any time in between would circle for ever and never reach its target.
  // The state is compared at jumps onto played data with one saved state,
  // saved anew after 1, 2, 4, 8... jumps (Brent's cycle detection): any
  // cycle is found within a few laps, at one comparison per jump.
  void CheckForIdleCycle(int pointer_at) {
    const WalkSnapshot now{position_,      clock_.value(), clock_.divider(),      timeline_index_,
                           loop_counters_, call_stack_,    call_depth_,           flag_since_note_,
                           last_note_,     last_duration_, last_duration_divider_};
    IdleCycle& cycle = idle_cycle_;
    // The clock never runs back: once it has moved, the search starts afresh.
    if (cycle.saved && cycle.saved->clock != now.clock) cycle = {};
    if (cycle.saved && *cycle.saved == now) {
      Fail("jumps at offset " + FormatOffset(pointer_at - 1) + " back to " +
           FormatOffset(position_) +
           " without playing any time, so it never reaches the song's length");
    }
    if (!cycle.saved || ++cycle.jumps_since_saved == cycle.save_interval) {
      cycle.saved = now;
      cycle.jumps_since_saved = 0;
      cycle.save_interval *= 2;
    }
  }

  // Reads a relative pointer at `position_` and returns its target: the
  // position of the pointer's second byte plus the signed 16-bit value.
  int ReadPointer(bool mark) {
    const std::uint8_t high = mark ? MarkAndRead() : ReadAt(position_++);
    const std::uint8_t low = mark ? MarkAndRead() : ReadAt(position_++);
    const auto offset = static_cast<std::int16_t>(high << 8 | low);
    return position_ - 1 + offset;
  }

  bool IsVisited(int at) const { return pass_.visited.IsVisited(at); }

  std::uint8_t MarkAndRead() {
    if (!InImage(position_)) [[unlikely]]
      FailOutsideTrack(position_);
    pass_.visited.Mark(static_cast<std::size_t>(position_));
    return image_[position_++];
  }

  std::uint8_t ReadAt(int at) const {
    if (!InImage(at)) [[unlikely]]
      FailOutsideTrack(at);
    return image_[at];
  }

  [[noreturn]] void FailOutsideTrack(int at) const {
    Fail("reads offset " + FormatOffset(at) + ", outside the track, which ends at " +
         FormatOffset(image_.size()));
  }

  bool InImage(int at) const { return at >= 0 && static_cast<std::size_t>(at) < image_.size(); }

  // The look-ups that settle a note's duration: a byte outside the track is
  // no duration.
  std::uint8_t PeekImage(int at) const { return InImage(at) ? image_[at] : flag::kStop; }

  void Write(std::uint8_t b) {
    if (pass_.keep_lists) list_.push_back(b);
  }

  void WritePair(std::uint8_t first, std::uint8_t second) {
    Write(first);
    Write(second);
  }

  const ChannelHeader& channel_;
  std::span<const std::uint8_t> image_;
  ChannelBuffer& buffer_;
  PassState& pass_;
  std::vector<std::uint8_t>& list_;  // the list as it is written
  ChannelClock clock_;
  std::size_t timeline_index_ = 0;
  std::int64_t next_change_clock_ = 0;

  int position_;
  std::size_t fill_start_ = ChannelBuffer::kNoFill;
  std::uint8_t last_note_ = kRest;
  std::uint8_t last_duration_ = 0;
  int last_duration_divider_;  // the divider in force when last_duration_ was read
  bool flag_since_note_ = true;
  int revisit_budget_;
  bool stopped_ = false;
  std::array<std::uint8_t, kLoopCounters> loop_counters_{};
  std::array<int, kCallStackDepth> call_stack_{};
  int call_depth_ = 0;
  std::int64_t steps_ = 0;
  std::int64_t step_budget_ = 0;
  struct IdleCycle {
    std::optional<WalkSnapshot> saved;
    std::uint64_t jumps_since_saved = 0;
    std::uint64_t save_interval = 1;
  };
  IdleCycle idle_cycle_;
};

}  // namespace

std::int32_t UnpackChannel(const ChannelHeader& channel, std::span<const std::uint8_t> image,
                           ChannelBuffer& buffer, PassState& pass) {
  return ChannelWalk(channel, image, buffer, pass).Run();
}

}  // namespace quorlin
