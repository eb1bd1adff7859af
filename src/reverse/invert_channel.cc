#include "reverse/invert_channel.h"

#include <array>
#include <span>

#include "format/format.h"
#include "format/track_error.h"

namespace quorlin {
namespace {

class Inversion {
 public:
  Inversion(ChannelBuffer& buffer, std::uint8_t tempo, std::uint8_t divider,
            DividerInversion dividers, const std::string& channel_name)
      : list_(buffer.events),
        divider_runs_(buffer.divider_runs),
        out_(buffer.converted),
        per_note_dividers_(dividers == DividerInversion::kPerNote),
        channel_name_(channel_name) {
    for (int f = kFirstFlag; f <= 0xFF; ++f) {
      State(static_cast<std::uint8_t>(f))[0] =
          StartingValue(Flag(static_cast<std::uint8_t>(f)).start, tempo, divider);
    }
  }

  void Run() {
    out_.clear();
    out_.reserve(list_.size() + kFinalStateRoom);
    while (read_pos_ < list_.size()) {
      const std::uint8_t command = Next();
      if (per_note_dividers_ && IsDividerFlag(command)) {
        Next();  // dropped
        continue;
      }
      Treat(command);
      if (IsFlag(command)) continue;
      // E7 spares the attack of the next note, whatever flags come between:
      // written right behind that note, it stands right before it once the
      // list is reversed.
      if (no_attack_pending_) {
        Write(flag::kNoAttack);
        no_attack_pending_ = false;
      }
      if (per_note_dividers_) WriteDividerAfterNote();
    }
    // An E7 still pending at the end spares no note: the channel ends first.
    AppendFinalState();
  }

 private:
  // The most bytes the final-state commands can take.
  static constexpr std::size_t kFinalStateRoom = 64;

  static std::uint8_t StartingValue(StartValue start, std::uint8_t tempo, std::uint8_t divider) {
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

  static bool IsDividerFlag(std::uint8_t b) {
    return b == flag::kChannelTempoDivider || b == flag::kGlobalTempoDivider;
  }

  // Behind a note: E5 with the divider that timed it, where the next note is
  // timed by another one (the end of a run), and behind the last note.
  void WriteDividerAfterNote() {
    if (run_ >= divider_runs_.size()) {
      throw TrackError(channel_name_ + "'s event list has more notes than were timed");
    }
    const DividerRun& run = divider_runs_[run_];
    if (++notes_in_run_ < run.notes) return;
    Write(flag::kChannelTempoDivider);
    Write(run.divider);
    ++run_;
    notes_in_run_ = 0;
  }

  // The state a flag keeps, and whether the channel has set it.
  std::array<std::uint8_t, 4>& State(std::uint8_t f) { return state_[Flag(f).state - kFirstFlag]; }
  void MarkSeen(std::uint8_t f) { seen_[Flag(f).state - kFirstFlag] = true; }
  bool Seen(std::uint8_t f) const { return seen_[Flag(f).state - kFirstFlag]; }

  // Writes the flag with the values its state held, then takes its own.
  void Restore(std::uint8_t command, std::array<std::uint8_t, 4>& state) {
    const int parameters = FlagParameterCount(command);
    Write(command);
    for (int i = 0; i < parameters; ++i) Write(state[i]);
    for (int i = 0; i < parameters; ++i) state[i] = Next();
  }

  void Treat(std::uint8_t command) {
    if (!IsFlag(command)) {
      Write(command);
      Write(Next());
      return;
    }
    const int parameters = FlagParameterCount(command);
    std::array<std::uint8_t, 4>& state = State(command);
    switch (Flag(command).inversion) {
      case FlagInversion::kCopy:
        Write(command);
        return;
      case FlagInversion::kRestore:
        Restore(command, state);
        break;
      case FlagInversion::kStep: {
        const std::uint8_t step = Next();
        Write(command);
        Write(static_cast<std::uint8_t>(0x100 - step));
        state[0] = static_cast<std::uint8_t>(state[0] + step);
        break;
      }
      case FlagInversion::kNoAttack:
        no_attack_pending_ = true;
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
        Restore(command, state);
        break;
      }
      case FlagInversion::kTakeOut:
        for (int i = 0; i < parameters; ++i) state[i] = Next();
        break;
      case FlagInversion::kDrop:
        return;
    }
    MarkSeen(command);
  }

  void AppendFinalState() {
    for (const std::uint8_t f : kFinalStateOrder) {
      if (!Seen(f)) continue;
      if (Flag(f).inversion == FlagInversion::kModulation) {
        Write(State(f)[0]);  // the modulation state byte alone
        continue;
      }
      Write(f);
      for (int i = 0; i < FlagParameterCount(f); ++i) Write(State(f)[i]);
    }
  }

  std::uint8_t Next() {
    if (read_pos_ >= list_.size()) {
      throw TrackError(channel_name_ + "'s event list ends inside an event at its byte " +
                       std::to_string(read_pos_));
    }
    return list_[read_pos_++];
  }

  void Write(std::uint8_t b) {
    if (out_.size() >= ChannelBuffer::kEventAreaSize) {
      throw TrackError(channel_name_ + " grows beyond " +
                       std::to_string(ChannelBuffer::kEventAreaSize) +
                       " bytes of events when its state is inverted");
    }
    out_.push_back(b);
  }

  std::span<const std::uint8_t> list_;
  std::span<const DividerRun> divider_runs_;
  std::vector<std::uint8_t>& out_;
  const bool per_note_dividers_;
  std::size_t run_ = 0;           // the run of the next note
  std::size_t notes_in_run_ = 0;  // its notes met so far
  const std::string& channel_name_;
  std::size_t read_pos_ = 0;
  bool no_attack_pending_ = false;
  std::array<std::array<std::uint8_t, 4>, 32> state_{};
  std::array<bool, 32> seen_{};
};

}  // namespace

void InvertChannel(ChannelBuffer& buffer, std::uint8_t tempo, std::uint8_t divider,
                   DividerInversion dividers, const std::string& channel_name) {
  Inversion(buffer, tempo, divider, dividers, channel_name).Run();
}

}  // namespace quorlin
