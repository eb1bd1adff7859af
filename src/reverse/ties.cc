#include "reverse/ties.h"

#include <optional>
#include <string>

#include "format/track_error.h"

namespace quorlin {
namespace {

// The pitch the driver plays for a note: its number plus the transposition,
// of which the frequency tables take the low seven bits.
std::uint8_t PitchOf(std::uint8_t note, std::uint8_t transpose) {
  return static_cast<std::uint8_t>((note + transpose) & 0x7F);
}

// A note that sounds `pitch` under `transpose`, and the transposition step
// it needs for that where no note byte gives the pitch (notes cover 95 of
// the 128 pitches under any one transposition).
struct PitchedNote {
  std::uint8_t note;
  std::uint8_t shift;
};
PitchedNote NoteFor(std::uint8_t pitch, std::uint8_t transpose) {
  const auto low = static_cast<std::uint8_t>((pitch - transpose) & 0x7F);
  if (low == 0) return {kRest + 1, 0xFF};
  const std::uint8_t highest = kLastNote & 0x7F;
  if (low > highest) return {kLastNote, static_cast<std::uint8_t>(low - highest)};
  return {static_cast<std::uint8_t>(kRest | low), 0};
}

// The ticks an event plays: the driver keeps duration x divider in one byte,
// and counts a product of 0 down from 256.
int TicksOf(std::uint8_t duration, int divider) {
  const int ticks = (duration * divider) & 0xFF;
  return ticks == 0 ? 256 : ticks;
}

class TieScan {
 public:
  TieScan(const ChannelBuffer& buffer, ChannelKind kind, const std::string& channel_name)
      : list_(buffer.events),
        runs_(buffer.divider_runs),
        fill_start_(buffer.fill_start),
        fm_(kind == ChannelKind::kFm),
        channel_name_(channel_name) {}

  std::vector<NoteTie> Run() {
    std::size_t at = 0;
    while (at < list_.size()) {
      const std::uint8_t b = list_[at];
      if (!IsFlag(b)) {
        if (at + 1 >= list_.size()) break;  // the inversion reports the broken event
        Event(b, list_[at + 1], at >= fill_start_);
        at += 2;
        continue;
      }
      const std::size_t parameters = FlagParameterCount(b);
      if (at + parameters >= list_.size()) break;
      Flag(b, parameters > 0 ? list_[at + 1] : 0);
      at += 1 + parameters;
    }
    // Note fill is lifted only where no join spares the note backwards: a
    // joined note is never cut.
    for (NoteTie& tie : ties_) {
      if (tie.joined) tie.lifted_fill = 0;
    }
    return std::move(ties_);
  }

 private:
  void Flag(std::uint8_t b, std::uint8_t parameter) {
    switch (b) {
      case flag::kTransposeStep:
        transpose_ = static_cast<std::uint8_t>(transpose_ + parameter);
        return;
      case flag::kNoteTimeout:
        note_fill_ = parameter;
        return;
      case flag::kNoAttack:
        no_attack_ = true;
        return;
      case flag::kModulationSetup:
      case flag::kModulationOn:
        modulation_ = true;
        return;
      case flag::kModulationOff:
        modulation_ = false;
        return;
      default:
        return;
    }
  }

  // A note or rest with its duration. Rests that fill a stopped channel to
  // the song's length come after its stop: nothing sounds into them.
  void Event(std::uint8_t b, std::uint8_t duration, bool filling) {
    const int divider = NextDivider();
    ties_.push_back({b, false});
    if (filling) {
      sounding_.reset();
    } else if (b != kRest) {
      Note(b, duration, divider);
    } else {
      Rest(duration, divider);
    }
    no_attack_ = false;
  }

  void Note(std::uint8_t note, std::uint8_t duration, int divider) {
    if (no_attack_ && sounding_) JoinPrevious();
    sounding_ = PitchOf(note, transpose_);
    // Note fill keys a note off before its end unless E7 spares it.
    if (FillWouldCut(duration, divider)) {
      if (no_attack_) {
        ties_.back().lifted_fill = note_fill_;
      } else {
        sounding_.reset();
      }
    }
  }

  bool FillWouldCut(std::uint8_t duration, int divider) const {
    return note_fill_ > 0 && note_fill_ < TicksOf(duration, divider);
  }

  // An FM rest after E7 keeps the key on and the pitch, unless modulation
  // moves the pitch away; a PSG rest is silent whatever E7 says.
  void Rest(std::uint8_t duration, int divider) {
    if (fm_ && no_attack_ && sounding_ && !modulation_) {
      const PitchedNote held = NoteFor(*sounding_, transpose_);
      ties_.back().note = held.note;
      ties_.back().shift = held.shift;
      if (FillWouldCut(duration, divider)) ties_.back().lifted_fill = note_fill_;
      JoinPrevious();
      return;
    }
    sounding_.reset();
  }

  void JoinPrevious() { ties_[ties_.size() - 2].joined = true; }

  int NextDivider() {
    while (run_ < runs_.size() && notes_in_run_ == runs_[run_].notes) {
      ++run_;
      notes_in_run_ = 0;
    }
    if (run_ == runs_.size()) {
      throw TrackError(channel_name_ + "'s event list has more notes than were timed");
    }
    ++notes_in_run_;
    return runs_[run_].divider;
  }

  std::span<const std::uint8_t> list_;
  std::span<const DividerRun> runs_;
  const std::size_t fill_start_;
  const bool fm_;
  const std::string& channel_name_;
  std::size_t run_ = 0;
  std::size_t notes_in_run_ = 0;

  std::uint8_t transpose_ = 0;
  std::uint8_t note_fill_ = 0;
  bool no_attack_ = false;
  bool modulation_ = false;
  std::optional<std::uint8_t> sounding_;  // the pitch that sounds after the last event
  std::vector<NoteTie> ties_;
};

}  // namespace

std::vector<NoteTie> FindTies(const ChannelBuffer& buffer, ChannelKind kind,
                              const std::string& channel_name) {
  return TieScan(buffer, kind, channel_name).Run();
}

}  // namespace quorlin
