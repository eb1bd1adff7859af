#include "flatten/unpack_channel.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <string>

#include "flatten/channel_clock.h"
#include "format/bytes.h"
#include "format/events.h"
#include "format/track_error.h"

namespace quorlin {
namespace {

// Room for the loop counters and return positions of a driver's track memory.
constexpr int kCounterRoom = 16;
constexpr int kCallRoom = 16;

// Everything that decides where a walk goes next. Two equal snapshots taken
// at jumps with no time played between them mean the walk circles for ever.
struct WalkSnapshot {
  long long position;
  std::int32_t clock;
  int divider;
  std::size_t timeline_index;
  std::array<std::uint8_t, kCounterRoom> loop_counters;
  std::array<long long, kCallRoom> call_stack;
  int call_depth;
  bool flag_since_note;
  std::uint8_t last_note;
  std::uint8_t last_duration;
  int last_duration_divider;
  bool operator==(const WalkSnapshot&) const = default;
};

// One walk. Whatever stops it early becomes its fault, and every step ends
// as soon as there is one. The faults are written apart, as cold code: the
// steps stay small.
class ChannelWalk {
 public:
  ChannelWalk(const Driver& driver, const ChannelHeader& channel,
              std::span<const std::uint8_t> image, const WalkSettings& settings,
              ChannelWalker::Room& room, WalkResult& result)
      : driver_(driver),
        reader_(driver, image),
        notes_(driver.notes),
        memory_(driver.track_memory),
        channel_(channel),
        image_(image),
        settings_(settings),
        room_(room),
        result_(result),
        list_(room.list),
        keep_list_(settings.keep_list),
        clock_(settings.target, settings.song_divider),
        position_(static_cast<long long>(channel.data_offset)),
        last_note_(driver.notes.rest),
        last_duration_divider_(settings.song_divider),
        revisit_budget_(settings.revisit_budget) {
    room.visited.StartWalk();
    room.divider_runs.clear();
    list_.clear();
  }

  std::optional<TrackError> Run() {
    WriteInitialCommands();
    // The steps this walk may take before a limit stops it.
    step_budget_ = std::min(settings_.limits.steps_per_walk, settings_.steps_left);
    if (const std::int64_t* image_left = settings_.limits.image_steps_left) {
      image_bound_ = *image_left < step_budget_;
      step_budget_ = std::min(step_budget_, *image_left);
    }
    NextDividerChange();
    // The reader as a local: the bytes the walk writes cannot be its own.
    const EventReader reader = reader_;
    while (revisit_budget_ != 0 && !stopped_) {
      if (!StartStep()) break;
      Step(reader);
    }
    if (std::int64_t* image_left = settings_.limits.image_steps_left) {
      *image_left -= std::min(steps_, *image_left);
    }
    if (fault_) return fault_;
    if (!stopped_ && settings_.stop_at_target && clock_.Fitting()) {
      Write(flag::kStop);
    } else if (!stopped_) {
      Write(flag::kJump);
      Write(0x00);
      Write(0x00);
    }
    result_.clock = clock_.value();
    result_.steps = steps_;
    result_.channel.fill_start = fill_start_;
    return std::nullopt;
  }

 private:
  bool IsDac() const { return channel_.kind == ChannelKind::kDac; }

  [[gnu::cold]] void Fail(ErrorKind kind, const std::string& what, long long offset) {
    fault_ = TrackError(kind, channel_.Name() + " " + what, {channel_.Name(), offset});
    stopped_ = true;
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
        clock_.set_divider(settings_.timeline[timeline_index_].divider);
        ++timeline_index_;
        NextDividerChange();
      }
    // A channel that stops at its target reads the flags there still: its
    // own stop flag, and what stands before it.
    if (clock_.ReachedTarget() && !(settings_.stop_at_target && FlagNext())) return false;
    if (++steps_ > step_budget_) [[unlikely]] {
      FailTooManySteps();
      return false;
    }
    return true;
  }

  bool FlagNext() const { return InImage(position_) && notes_.IsFlag(image_[position_]); }

  // The clock of the next divider change an FM or PSG walk takes over from
  // the DAC channel's timeline; the DAC channel takes none.
  void NextDividerChange() {
    next_change_clock_ = IsDac() || timeline_index_ == settings_.timeline.size()
                             ? std::numeric_limits<std::int64_t>::max()
                             : settings_.timeline[timeline_index_].clock;
  }

  [[gnu::cold]] void FailTooManySteps() {
    if (steps_ > settings_.limits.steps_per_walk) {
      return Fail(ErrorKind::kStepLimit,
                  "plays more than " + std::to_string(settings_.limits.steps_per_walk) +
                      " steps without coming to an end (last at offset " + FormatOffset(position_) +
                      ")",
                  position_);
    }
    if (image_bound_) {
      return Fail(ErrorKind::kStepLimit,
                  "brings the game's songs past " +
                      std::to_string(settings_.limits.steps_per_image) +
                      " steps of flattening, as many as the songs of one image may take "
                      "together (at offset " +
                      FormatOffset(position_) + ")",
                  position_);
    }
    Fail(ErrorKind::kStepLimit,
         "brings the song past " + std::to_string(settings_.limits.steps_per_song) +
             " steps of flattening (at offset " + FormatOffset(position_) + ")",
         position_);
  }

  void Step(const EventReader& reader) {
    if (!InImage(position_)) [[unlikely]]
      return FailOutsideTrack(position_);
    const Event event = reader.At(static_cast<std::size_t>(position_));
    Mark(position_++);
    switch (event.kind) {
      case EventKind::kNote:
        return PlayNote(event);
      case EventKind::kDuration:
        return PlayDurationByte(event.first());
      case EventKind::kFlag:
        flag_since_note_ = true;
        return HandleFlag(event);
    }
  }

  void PlayNote(const Event& note) {
    flag_since_note_ = false;
    const std::uint8_t b = note.first();
    last_note_ = (IsDac() && b != notes_.rest)
                     ? static_cast<std::uint8_t>(b + notes_.plus_dac - notes_.rest)
                     : b;
    Write(last_note_);
    // A note directly followed by a duration leaves it to the next step;
    // otherwise it takes the duration given last, as long as it lasted then.
    if (note.HasDuration()) return PlayOwnDuration(note.second());
    if (last_duration_divider_ != clock_.divider()) result_.reused_duration_across_divider = true;
    PlayLastDuration();
  }

  // The step after a note reads its duration. As the note played no time,
  // that step starts as this one did, so it is taken here at once when it
  // may be: the commonest pair of events costs one turn of the step loop.
  void PlayOwnDuration(std::uint8_t b) {
    if (steps_ >= step_budget_) return;
    ++steps_;
    Mark(position_++);
    PlayDurationByte(b);
  }

  void PlayDurationByte(std::uint8_t b) {
    last_duration_ = b;
    last_duration_divider_ = clock_.divider();
    // The note is written again unless the step just before was the note itself.
    if (DurationAt(position_ - 2) || flag_since_note_) Write(last_note_);
    PlayLastDuration();
  }

  void PlayLastDuration() {
    if (!clock_.CanPlay(last_duration_, last_duration_divider_)) return FailClockOverflow();
    Write(clock_.Play(last_duration_, last_duration_divider_));
    if (keep_list_) {
      AddNotes(room_.divider_runs, static_cast<std::uint8_t>(last_duration_divider_), 1);
    }
  }

  // The byte just read would carry the clock past 2^31 - 1.
  [[gnu::cold]] void FailClockOverflow() {
    Fail(ErrorKind::kSizeLimit,
         "plays past the longest time a channel clock can count (at offset " +
             FormatOffset(position_ - 1) + ")",
         position_ - 1);
  }

  void HandleFlag(const Event& flag) {
    const FlagRow& row = *flag.flag;
    if (row.walk == FlagWalk::kLoop) return Loop(flag);
    // Any other flag reads its parameters one after the other: the first
    // that the track lacks is where the walk fails.
    if (flag.CutShort())
      return FailOutsideTrack(static_cast<long long>(flag.at + flag.bytes.size()));
    switch (row.walk) {
      case FlagWalk::kCopy:
        CopyFlag(flag);
        return;
      case FlagWalk::kReturn:
        return Return();
      case FlagWalk::kStop:
        return Stop(flag.first());
      case FlagWalk::kChannelDivider:
        clock_.set_divider(CopyFlag(flag));
        return;
      case FlagWalk::kGlobalDivider:
        return GlobalDivider(CopyFlag(flag));
      case FlagWalk::kVoice: {
        const std::uint8_t voice = CopyFlag(flag);
        result_.max_voice = std::max(result_.max_voice.value_or(0), voice);
        return;
      }
      case FlagWalk::kJump:
        return Jump(flag);
      case FlagWalk::kCall:
        return Call(flag);
      case FlagWalk::kRefuse:
        return FailRefusedFlag(flag);
      case FlagWalk::kLoop:
      case FlagWalk::kIgnore:
        return;
    }
  }

  [[gnu::cold]] void FailRefusedFlag(const Event& flag) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", flag.first());
    Fail(ErrorKind::kMalformedTrack,
         std::string("reads ") + text + " at offset " +
             FormatOffset(static_cast<long long>(flag.at)) + ", which the " + driver_.name +
             " driver takes for no flag of its own: the value it leaves cannot be known",
         static_cast<long long>(flag.at));
  }

  // Writes the flag and its parameter bytes as read; returns the last one.
  std::uint8_t CopyFlag(const Event& flag) {
    Write(flag.first());
    std::uint8_t parameter = 0;
    for (std::size_t i = 1; i < flag.size; ++i) {
      Mark(position_++);
      parameter = flag.bytes[i];
      Write(parameter);
    }
    return parameter;
  }

  void GlobalDivider(std::uint8_t divider) {
    result_.wrote_global_divider = true;
    clock_.set_divider(divider);
    if (!IsDac()) return;
    if (result_.timeline.size() == kTimelineCapacity) return FailTimelineFull();
    result_.timeline.push_back({clock_.value(), divider});
  }

  [[gnu::cold]] void FailTimelineFull() {
    Fail(ErrorKind::kSizeLimit,
         "sets the global tempo divider more than " + std::to_string(kTimelineCapacity) +
             " times (at offset " + FormatOffset(position_ - 2) + ")",
         position_ - 2);
  }

  void Stop(std::uint8_t b) {
    if (!clock_.Fitting()) {
      if (!clock_.CanBumpForStop()) return FailClockOverflow();
      clock_.BumpForStop();
    } else if (!FillToTarget()) {
      return;
    }
    Write(b);
    stopped_ = true;
  }

  // Rests as long as a duration byte may be, up to the target; the clock
  // stays where it is. False when the rests cannot be measured.
  bool FillToTarget() {
    if (clock_.divider() == 0) {
      FailDividerZero();
      return false;
    }
    const std::uint8_t longest = notes_.last_duration;
    // A channel cut at its target and stopped there is filled with nothing.
    const std::int64_t units = std::max<std::int64_t>(clock_.FillUnits(), 0);
    const std::int64_t full_rests = units / longest;
    const int remainder = static_cast<int>(units % longest);
    if (units > 0) fill_start_ = list_.size();
    list_.reserve(list_.size() + 2 * static_cast<std::size_t>(full_rests) + 2);
    for (std::int64_t i = 0; i < full_rests; ++i) WritePair(notes_.rest, longest);
    if (remainder != 0) WritePair(notes_.rest, static_cast<std::uint8_t>(remainder));
    // The rests count at the divider in force at the stop.
    AddNotes(room_.divider_runs, static_cast<std::uint8_t>(clock_.divider()),
             static_cast<std::size_t>(full_rests + (remainder != 0 ? 1 : 0)));
    return true;
  }

  [[gnu::cold]] void FailDividerZero() {
    Fail(ErrorKind::kMalformedTrack,
         "stops at offset " + FormatOffset(position_ - 1) +
             " while its tempo divider is 0, so the rests that fill it to the song's length "
             "cannot be measured",
         position_ - 1);
  }

  void Jump(const Event& jump) {
    const long long pointer_at = position_;
    FollowPointer(jump.end() - PointerForm::kBytes, /*mark=*/true);
    if (!IsVisited(position_)) return;
    if (clock_.Fitting()) {
      CheckForIdleCycle(pointer_at);
    } else {
      --revisit_budget_;
    }
  }

  // F7: index, count, pointer. The driver reads them as far as it needs
  // them: the count only when the loop is met afresh, the pointer only when
  // it jumps back.
  void Loop(const Event& loop) {
    const long long flag_at = static_cast<long long>(loop.at);
    // Where the track ends inside the loop flag, the first byte the walk
    // needs of those it lacks is where it fails.
    const long long present_end = flag_at + static_cast<long long>(loop.bytes.size());
    const long long pointer_at = static_cast<long long>(loop.end() - PointerForm::kBytes);
    if (loop.bytes.size() < 2) return FailOutsideTrack(present_end);
    Mark(position_++);
    const std::uint8_t index = loop.bytes[1];
    if (index >= memory_.loop_counters) return FailLoopIndex(index, flag_at);
    if (index > highest_counter_) {
      highest_counter_ = index;
      if (SharesBytes()) return FailSharedBytes(flag_at);
    }
    std::uint8_t& counter = loop_counters_[index];
    if (counter == 0) {
      if (loop.bytes.size() < 3) return FailOutsideTrack(present_end);
      Mark(position_++);
      const std::uint8_t count = loop.bytes[2];
      if (count == 1) {
        position_ =
            static_cast<long long>(loop.end());  // played once: the pointer is skipped unread
        return;
      }
      counter = static_cast<std::uint8_t>(count - 1);  // a count of 0 plays 256 times
      if (loop.CutShort()) return FailOutsideTrack(present_end);
      return FollowPointer(pointer_at, /*mark=*/true);
    }
    --counter;
    if (counter == 0) {
      position_ = static_cast<long long>(loop.end());
      return;
    }
    // The count byte is skipped.
    if (loop.CutShort()) return FailOutsideTrack(std::max(pointer_at, present_end));
    FollowPointer(pointer_at, /*mark=*/false);
  }

  [[gnu::cold]] void FailLoopIndex(std::uint8_t index, long long flag_at) {
    Fail(ErrorKind::kMalformedTrack,
         "uses loop index " + std::to_string(index) + " at offset " + FormatOffset(flag_at) +
             "; only indices 0-" + std::to_string(memory_.loop_counters - 1) + " exist",
         flag_at);
  }

  void Call(const Event& call) {
    const long long flag_at = static_cast<long long>(call.at);
    FollowPointer(call.end() - PointerForm::kBytes, /*mark=*/true);
    if (call_depth_ == memory_.deepest_call) {
      return Fail(ErrorKind::kSizeLimit,
                  "calls deeper than " + std::to_string(memory_.deepest_call) +
                      " levels at offset " + FormatOffset(flag_at),
                  flag_at);
    }
    call_stack_[call_depth_++] = static_cast<long long>(call.end());
    if (call_depth_ > deepest_call_) {
      deepest_call_ = call_depth_;
      if (SharesBytes()) return FailSharedBytes(flag_at);
    }
  }

  // A loop counter used and a return address stored in the walk so far lie
  // in one byte of the track's memory, where the driver refuses none.
  bool SharesBytes() const {
    return memory_.refuse_shared_bytes && highest_counter_ >= 0 && deepest_call_ > 0 &&
           memory_.loop_counters_at + highest_counter_ >=
               memory_.stack_top - deepest_call_ * memory_.stack_entry_size;
  }

  [[gnu::cold]] void FailSharedBytes(long long flag_at) {
    const auto address = [](int at) {
      char text[8];
      std::snprintf(text, sizeof text, "$%02X", static_cast<unsigned>(at));
      return std::string(text);
    };
    Fail(ErrorKind::kMalformedTrack,
         "uses loop counter " + std::to_string(highest_counter_) + " and calls " +
             std::to_string(deepest_call_) + " deep (at offset " + FormatOffset(flag_at) +
             "), which share a byte of the track's memory: loop counters take " +
             address(memory_.loop_counters_at) + " + index, return addresses " +
             std::to_string(memory_.stack_entry_size) + " bytes each below " +
             address(memory_.stack_top),
         flag_at);
  }

  void Return() {
    if (call_depth_ == 0) {
      return Fail(ErrorKind::kMalformedTrack,
                  "returns at offset " + FormatOffset(position_ - 1) + " without a call",
                  position_ - 1);
    }
    position_ = call_stack_[--call_depth_];
  }

  // A fitting walk that comes back to the same state without having played
  // any time in between would circle for ever and never reach its target.
  // The state is compared at jumps onto played data with one saved state,
  // saved anew after 1, 2, 4, 8... jumps (Brent's cycle detection): any
  // cycle is found within a few laps, at one comparison per jump.
  void CheckForIdleCycle(long long pointer_at) {
    const WalkSnapshot now{position_,      clock_.value(), clock_.divider(),      timeline_index_,
                           loop_counters_, call_stack_,    call_depth_,           flag_since_note_,
                           last_note_,     last_duration_, last_duration_divider_};
    IdleCycle& cycle = idle_cycle_;
    // The clock never runs back: once it has moved, the search starts afresh.
    if (cycle.saved && cycle.saved->clock != now.clock) cycle = {};
    if (cycle.saved && *cycle.saved == now) {
      return Fail(ErrorKind::kMalformedTrack,
                  "jumps at offset " + FormatOffset(pointer_at - 1) + " back to " +
                      FormatOffset(position_) +
                      " without playing any time, so it never reaches the song's length",
                  pointer_at - 1);
    }
    if (!cycle.saved || ++cycle.jumps_since_saved == cycle.save_interval) {
      cycle.saved = now;
      cycle.jumps_since_saved = 0;
      cycle.save_interval *= 2;
    }
  }

  // Goes where the pointer at `pointer_at`, inside the track, leads.
  void FollowPointer(long long pointer_at, bool mark) {
    if (mark) {
      Mark(pointer_at);
      Mark(pointer_at + 1);
    }
    position_ = driver_.data_pointers.TargetAt(image_, static_cast<std::size_t>(pointer_at));
  }

  bool IsVisited(long long at) const { return room_.visited.IsVisited(at); }
  void Mark(long long at) { room_.visited.Mark(static_cast<std::size_t>(at)); }

  [[gnu::cold]] void FailOutsideTrack(long long at) {
    Fail(ErrorKind::kMalformedTrack,
         "reads offset " + FormatOffset(at) + ", outside the track, which ends at " +
             FormatOffset(static_cast<long long>(image_.size())),
         at);
  }

  bool InImage(long long at) const {
    return at >= 0 && static_cast<std::size_t>(at) < image_.size();
  }

  // The look-up that settles a note's duration: a byte outside the track is
  // no duration.
  bool DurationAt(long long at) const { return InImage(at) && notes_.IsDuration(image_[at]); }

  void Write(std::uint8_t b) {
    if (keep_list_) list_.push_back(b);
  }

  void WritePair(std::uint8_t first, std::uint8_t second) {
    Write(first);
    Write(second);
  }

  const Driver& driver_;
  const EventReader reader_;
  const NoteRange& notes_;
  const TrackMemory& memory_;
  const ChannelHeader& channel_;
  std::span<const std::uint8_t> image_;
  const WalkSettings& settings_;
  ChannelWalker::Room& room_;
  WalkResult& result_;
  std::vector<std::uint8_t>& list_;  // the list as it is written
  const bool keep_list_;
  ChannelClock clock_;
  std::size_t timeline_index_ = 0;
  std::int64_t next_change_clock_ = 0;
  std::optional<TrackError> fault_;

  long long position_;
  std::size_t fill_start_ = FlatChannel::kNoFill;
  std::uint8_t last_note_;
  std::uint8_t last_duration_ = 0;
  int last_duration_divider_;  // the divider in force when last_duration_ was read
  bool flag_since_note_ = true;
  int revisit_budget_;
  bool stopped_ = false;
  std::array<std::uint8_t, kCounterRoom> loop_counters_{};
  std::array<long long, kCallRoom> call_stack_{};
  int call_depth_ = 0;
  int highest_counter_ = -1;  // of the loops met
  int deepest_call_ = 0;      // of the calls met
  std::int64_t steps_ = 0;
  bool image_bound_ = false;  // the image's steps left are this walk's limit
  std::int64_t step_budget_ = 0;
  struct IdleCycle {
    std::optional<WalkSnapshot> saved;
    std::uint64_t jumps_since_saved = 0;
    std::uint64_t save_interval = 1;
  };
  IdleCycle idle_cycle_;
};

}  // namespace

ChannelWalker::ChannelWalker(const Driver& driver) : driver_(driver) {
  if (driver.track_memory.loop_counters > kCounterRoom ||
      driver.track_memory.deepest_call > kCallRoom) {
    throw TrackError(
        ErrorKind::kInternal,
        "internal error: the walk has no room for the driver's loop counters and calls");
  }
}

WalkResult ChannelWalker::Walk(const ChannelHeader& channel, std::span<const std::uint8_t> track,
                               const WalkSettings& settings) {
  WalkResult result;
  if (auto fault = ChannelWalk(driver_, channel, track, settings, room_, result).Run()) {
    throw std::move(*fault);
  }
  if (settings.keep_list) {
    result.channel.events.assign(room_.list.begin(), room_.list.end());
    result.channel.divider_runs = room_.divider_runs;
  }
  return result;
}

std::optional<std::span<const std::uint8_t>> ChannelWalker::Replay(
    ChannelKind kind, std::span<const std::uint8_t> data, std::uint8_t song_divider,
    std::int64_t steps) {
  ChannelHeader start;
  start.kind = kind;
  WalkSettings settings;
  settings.song_divider = song_divider;
  settings.revisit_budget = 1;
  settings.limits = {steps, steps};
  settings.steps_left = steps;
  WalkResult result;
  if (ChannelWalk(driver_, start, data, settings, room_, result).Run()) return std::nullopt;
  return std::span<const std::uint8_t>(room_.list);
}

}  // namespace quorlin
