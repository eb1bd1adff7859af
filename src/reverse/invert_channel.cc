#include "reverse/invert_channel.h"

#include <array>
#include <span>

#include "format/format.h"
#include "format/track_error.h"
#include "reverse/ties.h"

namespace quorlin {
namespace {

class Inversion {
 public:
  Inversion(ChannelBuffer& buffer, const ChannelHeader& channel, std::uint8_t tempo,
            std::uint8_t divider, DividerInversion dividers)
      : list_(buffer.events),
        divider_runs_(buffer.divider_runs),
        out_(buffer.converted),
        per_note_dividers_(dividers == DividerInversion::kPerNote),
        kind_(channel.kind),
        channel_name_(channel.Name()) {
    for (int f = kFirstFlag; f <= 0xFF; ++f) {
      State(static_cast<std::uint8_t>(f))[0] =
          StartingValue(Flag(static_cast<std::uint8_t>(f)).start, tempo, divider);
    }
    // The DAC channel ignores E7: there it keeps its place before its note.
    if (kind_ != ChannelKind::kDac) ties_ = FindTies(buffer, kind_, channel_name_);
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
      if (IsFlag(command)) {
        Treat(command);
        continue;
      }
      WriteNote(command);
    }
    // An E7 of the DAC channel still pending at the end spares no note.
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

  // A note or rest with its duration, and the E7 behind it that makes it
  // join the note before it once the list is reversed.
  void WriteNote(std::uint8_t note) {
    if (kind_ == ChannelKind::kDac) {
      Write(note);
      Write(Next());
      // E7 spares the attack of the next note, whatever flags come between:
      // written right behind that note, it stands right before it reversed.
      if (no_attack_pending_) Write(flag::kNoAttack);
      no_attack_pending_ = false;
      if (per_note_dividers_) WriteDividerAfterNote();
      return;
    }
    if (note_ >= ties_.size()) {
      throw TrackError(channel_name_ + "'s event list has more notes than were timed");
    }
    const NoteTie& tie = ties_[note_++];
    // Reversed, the note has its own note fill and the one in force again
    // behind it, and a transposition step moves it to its pitch and back.
    if (tie.lifted_fill != 0) WritePair(flag::kNoteTimeout, tie.lifted_fill);
    if (tie.shift != 0)
      WritePair(flag::kTransposeStep, static_cast<std::uint8_t>(0x100 - tie.shift));
    Write(tie.note);
    Write(Next());
    if (tie.joined) Write(flag::kNoAttack);
    if (per_note_dividers_) WriteDividerAfterNote();
    if (tie.shift != 0) WritePair(flag::kTransposeStep, tie.shift);
    if (tie.lifted_fill != 0) WritePair(flag::kNoteTimeout, tie.own_fill);
  }

  void Treat(std::uint8_t command) {
    const int parameters = FlagParameterCount(command);
    std::array<std::uint8_t, 4>& state = State(command);
    switch (Flag(command).inversion) {
      case FlagInversion::kCopy:
        Write(command);
        return;
      case FlagInversion::kRestore:
        if (command == flag::kVoice) EndFastRelease();
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
        Restore(command, state);
        break;
      }
      case FlagInversion::kFastRelease:
        StartFastRelease();
        return;
      case FlagInversion::kTakeOut:
        for (int i = 0; i < parameters; ++i) state[i] = Next();
        break;
      case FlagInversion::kDrop:
        return;
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
    for (const std::uint8_t f : kFinalStateOrder) {
      if (!Seen(f)) continue;
      // A channel that ends in fast release gets it right after its voice.
      if (f == flag::kVoice) EndFastRelease();
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

  void WritePair(std::uint8_t first, std::uint8_t second) {
    Write(first);
    Write(second);
  }

  void Write(std::uint8_t b) { out_.push_back(b); }

  std::span<const std::uint8_t> list_;
  std::span<const DividerRun> divider_runs_;
  std::vector<std::uint8_t>& out_;
  const bool per_note_dividers_;
  std::size_t run_ = 0;           // the run of the next note
  std::size_t notes_in_run_ = 0;  // its notes met so far
  const ChannelKind kind_;
  const std::string channel_name_;
  std::vector<NoteTie> ties_;  // one per note and rest; not on the DAC channel
  std::size_t note_ = 0;       // the next note's entry
  std::size_t read_pos_ = 0;
  bool no_attack_pending_ = false;  // DAC channel: an E7 waits for its note
  bool fast_release_ = false;       // FM channel: F9 since the last EF
  std::array<std::array<std::uint8_t, 4>, 32> state_{};
  std::array<bool, 32> seen_{};
};

}  // namespace

void InvertChannel(ChannelBuffer& buffer, const ChannelHeader& channel, std::uint8_t tempo,
                   std::uint8_t divider, DividerInversion dividers) {
  Inversion(buffer, channel, tempo, divider, dividers).Run();
}

}  // namespace quorlin
