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

// The ticks an event plays: the driver keeps duration x divider in one byte,
// and counts a product of 0 down from 256.
int TicksOf(std::uint8_t duration, int divider) {
  const int ticks = (duration * divider) & 0xFF;
  return ticks == 0 ? 256 : ticks;
}

// The PSG note-fill counter through one event of `ticks`: the driver counts
// it down in every tick but the event's first, and silences the channel
// when it reaches 0. Returns that tick, or 0 where it does not.
int RunFillCounter(int& counter, int ticks) {
  if (counter == 0) return 0;
  if (counter < ticks) {
    const int cut = counter;
    counter = 0;
    return cut;
  }
  counter -= ticks - 1;
  return 0;
}

// A PSG event as the note-fill counter meets it.
struct FillTiming {
  int ticks;
  std::uint8_t fill;  // the note fill in force
  bool fill_set;      // an E8 stands between it and the event before
  int cut = 0;        // where the counter silences the note forwards; 0: nowhere
};

class TieScan {
 public:
  TieScan(const Driver& driver, const FlatChannel& channel, ChannelKind kind,
          const std::string& channel_name)
      : driver_(driver),
        rest_(driver.notes.rest),
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
    if (fm_) {
      // Note fill is lifted only where no join spares the note backwards: a
      // joined FM note is never cut.
      for (NoteTie& tie : ties_) {
        if (tie.joined) tie.lifted_fill = 0;
      }
    } else {
      FollowFillBackwards();
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
        fill_counter_ = parameter;
        fill_set_ = true;
        any_fill_ = true;
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
    const int ticks = TicksOf(duration, NextDivider());
    ties_.push_back({b, false});
    if (!fm_) fill_timing_.push_back({ticks, note_fill_, fill_set_});
    fill_set_ = false;
    if (filling) {
      sounding_.reset();
    } else if (!fm_) {
      PsgEvent(b, ticks);
    } else if (b != rest_) {
      FmNote(b, ticks);
    } else {
      FmRest(ticks);
    }
    no_attack_ = false;
  }

  void FmNote(std::uint8_t note, int ticks) {
    if (no_attack_ && sounding_) JoinPrevious();
    sounding_ = PitchOf(note, transpose_);
    // Note fill keys a note off before its end unless E7 spares it.
    if (FillWouldCut(ticks)) {
      if (no_attack_) {
        ties_.back().lifted_fill = note_fill_;
      } else {
        sounding_.reset();
      }
    }
  }

  bool FillWouldCut(int ticks) const { return note_fill_ > 0 && note_fill_ < ticks; }

  // An FM rest after E7 keeps the key on and the pitch, unless modulation
  // moves the pitch away.
  void FmRest(int ticks) {
    if (no_attack_ && sounding_ && !modulation_) {
      const PitchedNote held = NoteFor(driver_.notes, *sounding_, transpose_);
      ties_.back().note = held.note;
      ties_.back().shift = held.shift;
      if (FillWouldCut(ticks)) ties_.back().lifted_fill = note_fill_;
      JoinPrevious();
      return;
    }
    sounding_.reset();
  }

  // A PSG rest is silent whatever E7 says; so is a note after E7 that finds
  // note fill run out. A note sounds until the counter runs out in it.
  void PsgEvent(std::uint8_t b, int ticks) {
    if (!no_attack_) fill_counter_ = note_fill_;
    if (b == rest_ || (note_fill_ != 0 && fill_counter_ == 0)) {
      ties_.back().note = rest_;
      sounding_.reset();
      RunFillCounter(fill_counter_, ticks);
      return;
    }
    const bool joined = no_attack_ && sounding_;
    if (joined) JoinPrevious();
    sounding_ = PitchOf(b, transpose_);
    const int cut = RunFillCounter(fill_counter_, ticks);
    fill_timing_.back().cut = cut;
    if (cut == 0) return;
    sounding_.reset();
    // Backwards the note is cut before the note it continued: that one is
    // attacked.
    if (joined) ties_[ties_.size() - 2].joined = false;
  }

  // Plays the counter through the reversed list, from the last event to
  // the first: E7 stands there before each joined note, and E8 sets fill
  // and counter at the start, where the list has E8 between two events, and
  // behind a note whose fill is lifted. A note that would be cut elsewhere
  // than forwards, or not sound, gets its own fill.
  void FollowFillBackwards() {
    int counter = 0;
    bool fill_set = any_fill_;
    for (std::size_t i = ties_.size(); i-- > 0;) {
      NoteTie& tie = ties_[i];
      const FillTiming& timing = fill_timing_[i];
      if (fill_set || !tie.joined) counter = timing.fill;
      if (tie.note != rest_) {
        int probe = counter;
        const bool silent = timing.fill != 0 && counter == 0;
        if (silent || RunFillCounter(probe, timing.ticks) != timing.cut) {
          tie.lifted_fill = timing.fill;
          tie.own_fill = static_cast<std::uint8_t>(timing.cut);
          counter = timing.cut;
        }
      }
      RunFillCounter(counter, timing.ticks);
      fill_set = timing.fill_set || tie.lifted_fill != 0;
    }
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
  const std::uint8_t rest_;
  std::span<const std::uint8_t> list_;
  std::span<const DividerRun> runs_;
  const std::size_t fill_start_;
  const bool fm_;
  const std::string& channel_name_;
  std::size_t run_ = 0;
  std::size_t notes_in_run_ = 0;

  std::uint8_t transpose_ = 0;
  std::uint8_t note_fill_ = 0;
  int fill_counter_ = 0;   // PSG: the driver's note-fill counter
  bool fill_set_ = false;  // E8 since the last event
  bool any_fill_ = false;  // E8 in the list: the reversed list starts with one
  bool no_attack_ = false;
  bool modulation_ = false;
  std::optional<std::uint8_t> sounding_;  // the pitch that sounds after the last event
  std::vector<NoteTie> ties_;
  std::vector<FillTiming> fill_timing_;  // PSG: one per entry of ties_
};

}  // namespace

std::vector<NoteTie> FindTies(const Driver& driver, const FlatChannel& channel, ChannelKind kind,
                              const std::string& channel_name) {
  return TieScan(driver, channel, kind, channel_name).Run();
}

}  // namespace quorlin
