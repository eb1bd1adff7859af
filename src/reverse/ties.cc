#include "reverse/ties.h"

#include <optional>
#include <string>

#include "format/events.h"
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
PitchedNote NoteFor(const NoteRange& notes, std::uint8_t pitch, std::uint8_t transpose) {
  const auto low = static_cast<std::uint8_t>((pitch - transpose) & 0x7F);
  if (low == 0) return {notes.first_note, 0xFF};
  const std::uint8_t highest = notes.last_note & 0x7F;
  if (low > highest) return {notes.last_note, static_cast<std::uint8_t>(low - highest)};
  return {static_cast<std::uint8_t>(notes.rest | low), 0};
}

class TieScan {
 public:
  TieScan(const Driver& driver, const FlatChannel& channel, ChannelKind kind,
          const std::string& channel_name)
      : driver_(driver),
        list_(channel.events),
        runs_(channel.divider_runs),
        fill_start_(channel.fill_start),
        fm_(kind == ChannelKind::kFm),
        channel_name_(channel_name) {}

  std::vector<NoteTie> Run() {
    for (EventReader reader(driver_, list_); !reader.Done();) {
      const auto event = reader.Next();
      if (!event.Listed()) break;  // the inversion reports the broken event
      if (event.kind == EventKind::kFlag) {
        Flag(event.first(), event.size > 1 ? event.second() : 0);
      } else {
        Event(event.first(), event.second(), event.at >= fill_start_);
      }
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
    } else if (b != driver_.notes.rest) {
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
    const auto ticks = static_cast<std::uint8_t>(duration * divider);
    return note_fill_ > 0 && note_fill_ < ticks;
  }

  // An FM rest after E7 keeps the key on and the pitch, unless modulation
  // moves the pitch away; a PSG rest is silent whatever E7 says.
  void Rest(std::uint8_t duration, int divider) {
    if (fm_ && no_attack_ && sounding_ && !modulation_) {
      const PitchedNote held = NoteFor(driver_.notes, *sounding_, transpose_);
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
      throw TrackError(ErrorKind::kInternal,
                       channel_name_ + "'s event list has more notes than were timed",
                       {channel_name_, {}});
    }
    ++notes_in_run_;
    return runs_[run_].divider;
  }

  const Driver& driver_;
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

std::vector<NoteTie> FindTies(const Driver& driver, const FlatChannel& channel, ChannelKind kind,
                              const std::string& channel_name) {
  return TieScan(driver, channel, kind, channel_name).Run();
}

}  // namespace quorlin
