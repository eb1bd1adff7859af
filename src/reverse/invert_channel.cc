#include "reverse/invert_channel.h"

#include <array>
#include <span>
#include <string>

#include "format/events.h"
#include "format/track_error.h"
#include "reverse/ties.h"

namespace quorlin {
namespace {

std::uint8_t StartingValue(StartValue start, std::uint8_t tempo, std::uint8_t divider) {
  switch (start) {
    case StartValue::kZero:
      return 0x00;
    case StartValue::kPanCentre:
      return 0xC0;
    case StartValue::kNoiseE0:
      return 0xE0;
    case StartValue::kModulationOff:
      return flag::kModulationOff;
    case StartValue::kSongTempo:
      return tempo;
    case StartValue::kSongDivider:
      return divider;
  }
  return 0x00;
}

class Inversion {
 public:
  Inversion(const Driver& driver, const ChannelInverter::State& start,
            std::span<const std::uint8_t> final_state_order, DividerInversion dividers,
            const FlatChannel& flat, const ChannelHeader& channel)
      : driver_(driver),
        final_state_order_(final_state_order),
        list_(flat.events),
        divider_runs_(flat.divider_runs),
        per_note_dividers_(dividers == DividerInversion::kPerNote),
        kind_(channel.kind),
        channel_name_(channel.Name()),
        state_(start) {
    // The DAC channel ignores E7: there it keeps its place before its note.
    if (kind_ != ChannelKind::kDac) ties_ = FindTies(driver, flat, kind_, channel_name_);
  }

  std::vector<std::uint8_t> Run() {
    out_.reserve(list_.size() + kFinalStateRoom);
    FindLastSound();
    for (EventReader reader(driver_, list_); !reader.Done();) {
      const Event event = reader.Next();
      if (!event.Listed()) FailBrokenEvent(event);
      if (event.kind == EventKind::kFlag) {
        Treat(event);
      } else {
        WriteNote(event.first(), event.second());
      }
    }
    // An E7 of the DAC channel still pending at the end spares no note.
    AppendFinalState();
    // First here, they stand right before the closing flag once reversed.
    out_.insert(out_.begin(), at_end_.begin(), at_end_.end());
    return std::move(out_);
  }

 private:
  // The most bytes the final-state commands can take.
  static constexpr std::size_t kFinalStateRoom = 64;

  // Where the channel's last note other than a rest ends: behind it only
  // rests and flags follow.
  void FindLastSound() {
    for (EventReader reader(driver_, list_); !reader.Done();) {
      const Event event = reader.Next();
      if (event.kind != EventKind::kFlag && event.first() != driver_.notes.rest) {
        last_sound_end_ = event.end();
      }
    }
  }

  static bool IsDividerFlag(std::uint8_t b) {
    return b == flag::kChannelTempoDivider || b == flag::kGlobalTempoDivider;
  }

  // Behind a note: E5 with the divider that timed it, where the next note is
  // timed by another one (the end of a run), and behind the last note.
  void WriteDividerAfterNote() {
    if (run_ >= divider_runs_.size()) {
      throw TrackError(ErrorKind::kInternal,
                       channel_name_ + "'s event list has more notes than were timed",
                       {channel_name_, {}});
    }
    const DividerRun& run = divider_runs_[run_];
    if (++notes_in_run_ < run.notes) return;
    Write(flag::kChannelTempoDivider);
    Write(run.divider);
    ++run_;
    notes_in_run_ = 0;
  }

  // The state a flag keeps, and whether the channel has set it.
  std::size_t StateIndex(std::uint8_t f) const {
    return driver_.Flag(f).state - driver_.notes.first_flag;
  }
  std::array<std::uint8_t, 4>& State(std::uint8_t f) { return state_[StateIndex(f)]; }
  void MarkSeen(std::uint8_t f) { seen_[StateIndex(f)] = true; }
  bool Seen(std::uint8_t f) const { return seen_[StateIndex(f)]; }

  // Writes the flag with the values its state held, then takes its own.
  void Restore(const Event& flag, std::array<std::uint8_t, 4>& state) {
    const auto parameters = flag.bytes.subspan(1);
    Write(flag.first());
    for (std::size_t i = 0; i < parameters.size(); ++i) Write(state[i]);
    for (std::size_t i = 0; i < parameters.size(); ++i) state[i] = parameters[i];
  }

  // A note or rest with its duration, and the E7 behind it that makes it
  // join the note before it once the list is reversed.
  void WriteNote(std::uint8_t note, std::uint8_t duration) {
    if (kind_ == ChannelKind::kDac) {
      Write(note);
      Write(duration);
      // E7 spares the attack of the next note, whatever flags come between:
      // written right behind that note, it stands right before it reversed.
      if (no_attack_pending_) Write(flag::kNoAttack);
      no_attack_pending_ = false;
      if (per_note_dividers_) WriteDividerAfterNote();
      return;
    }
    if (note_ >= ties_.size()) {
      throw TrackError(ErrorKind::kInternal,
                       channel_name_ + "'s event list has more notes than were timed",
                       {channel_name_, {}});
    }
    const NoteTie& tie = ties_[note_++];
    // Reversed, the note has its own note fill and the one in force again
    // behind it, and a transposition step moves it to its pitch and back.
    if (tie.lifted_fill != 0) WritePair(flag::kNoteTimeout, tie.lifted_fill);
    if (tie.shift != 0)
      WritePair(flag::kTransposeStep, static_cast<std::uint8_t>(0x100 - tie.shift));
    Write(tie.note);
    Write(duration);
    if (tie.joined) Write(flag::kNoAttack);
    if (per_note_dividers_) WriteDividerAfterNote();
    if (tie.shift != 0) WritePair(flag::kTransposeStep, tie.shift);
    if (tie.lifted_fill != 0) WritePair(flag::kNoteTimeout, tie.own_fill);
  }

  void Treat(const Event& flag) {
    const std::uint8_t command = flag.first();
    if (per_note_dividers_ && IsDividerFlag(command)) return;  // dropped
    const auto parameters = flag.bytes.subspan(1);
    std::array<std::uint8_t, 4>& state = State(command);
    switch (flag.flag->inversion) {
      case FlagInversion::kCopy:
        for (const std::uint8_t b : flag.bytes) Write(b);
        return;
      case FlagInversion::kRestore:
        if (command == flag::kVoice) EndFastRelease();
        Restore(flag, state);
        break;
      case FlagInversion::kStep: {
        const std::uint8_t step = parameters[0];
        Write(command);
        Write(static_cast<std::uint8_t>(0x100 - step));
        state[0] = static_cast<std::uint8_t>(state[0] + step);
        break;
      }
      case FlagInversion::kNoAttack:
        // Elsewhere than on the DAC channel, the ties put E7 in its place.
        no_attack_pending_ = kind_ == ChannelKind::kDac;
        return;
      case FlagInversion::kModulation:
        Write(state[0]);
        state[0] = command;
        break;
      case FlagInversion::kModulationSetup: {
        // F0 also switches modulation on: first the modulation state, then
        // the set-up as they were before it.
        std::array<std::uint8_t, 4>& modulation = State(flag::kModulationOn);
        Write(modulation[0]);
        modulation[0] = flag::kModulationOn;
        MarkSeen(flag::kModulationOn);
        Restore(flag, state);
        break;
      }
      case FlagInversion::kFastRelease:
        StartFastRelease();
        return;
      case FlagInversion::kTakeOut:
        for (std::size_t i = 0; i < parameters.size(); ++i) state[i] = parameters[i];
        break;
      case FlagInversion::kDrop:
        return;
      case FlagInversion::kAtEnd: {
        std::vector<std::uint8_t>& to = flag.at >= last_sound_end_ ? at_end_ : out_;
        to.insert(to.end(), flag.bytes.begin(), flag.bytes.end());
        return;
      }
    }
    MarkSeen(command);
  }

  // F9 gives an FM voice fast release until the next EF loads a voice anew.
  // Before it the voice released normally: reversed, the voice in force is
  // loaded again where the F9 stood. An F9 while the release is fast already
  // stays an F9.
  void StartFastRelease() {
    if (kind_ != ChannelKind::kFm || fast_release_) {
      Write(flag::kF9Op);
      return;
    }
    Write(flag::kVoice);
    Write(State(flag::kVoice)[0]);
    MarkSeen(flag::kVoice);
    fast_release_ = true;
  }

  // An EF after F9 ends the fast release: reversed, F9 follows the voice
  // that the EF restores.
  void EndFastRelease() {
    if (kind_ != ChannelKind::kFm || !fast_release_) return;
    Write(flag::kF9Op);
    fast_release_ = false;
  }

  void AppendFinalState() {
    for (const std::uint8_t f : final_state_order_) {
      if (!Seen(f)) continue;
      // A channel that ends in fast release gets it right after its voice.
      if (f == flag::kVoice) EndFastRelease();
      if (driver_.Flag(f).inversion == FlagInversion::kModulation) {
        Write(State(f)[0]);  // the modulation state byte alone
        continue;
      }
      Write(f);
      for (int i = 0; i < driver_.Flag(f).parameters; ++i) Write(State(f)[i]);
    }
  }

  // The flattened list breaks off inside `event` (or holds a note without
  // its duration there).
  [[noreturn]] void FailBrokenEvent(const Event& event) const {
    const std::size_t at = event.at + event.bytes.size();
    throw TrackError(
        ErrorKind::kInternal,
        channel_name_ + "'s event list ends inside an event at its byte " + std::to_string(at),
        {channel_name_, static_cast<long long>(at)});
  }

  void WritePair(std::uint8_t first, std::uint8_t second) {
    Write(first);
    Write(second);
  }

  void Write(std::uint8_t b) { out_.push_back(b); }

  const Driver& driver_;
  std::span<const std::uint8_t> final_state_order_;
  std::span<const std::uint8_t> list_;
  std::span<const DividerRun> divider_runs_;
  std::vector<std::uint8_t> out_;
  std::vector<std::uint8_t> at_end_;  // the flags that keep their place at the end
  std::size_t last_sound_end_ = 0;
  const bool per_note_dividers_;
  std::size_t run_ = 0;           // the run of the next note
  std::size_t notes_in_run_ = 0;  // its notes met so far
  const ChannelKind kind_;
  const std::string channel_name_;
  std::vector<NoteTie> ties_;       // one per note and rest; not on the DAC channel
  std::size_t note_ = 0;            // the next note's entry
  bool no_attack_pending_ = false;  // DAC channel: an E7 waits for its note
  bool fast_release_ = false;       // FM channel: F9 since the last EF
  ChannelInverter::State state_;
  std::array<bool, 32> seen_{};
};

}  // namespace

ChannelInverter::ChannelInverter(const Driver& driver, std::uint8_t tempo, std::uint8_t divider,
                                 DividerInversion dividers)
    : driver_(driver), dividers_(dividers) {
  std::array<std::uint8_t, State().size()> by_rank{};  // the flags by their final rank; 0: none
  for (std::size_t i = 0; i < driver.flags.size(); ++i) {
    const FlagRow& row = driver.flags[i];
    start_[row.state - driver.notes.first_flag][0] = StartingValue(row.start, tempo, divider);
    if (row.final_rank != 0) {
      by_rank[row.final_rank - 1] = static_cast<std::uint8_t>(driver.notes.first_flag + i);
    }
  }
  for (const std::uint8_t f : by_rank) {
    if (f != 0) final_state_order_.push_back(f);
  }
}

std::vector<std::uint8_t> ChannelInverter::Invert(const FlatChannel& flat,
                                                  const ChannelHeader& channel) const {
  return Inversion(driver_, start_, final_state_order_, dividers_, flat, channel).Run();
}

}  // namespace quorlin
