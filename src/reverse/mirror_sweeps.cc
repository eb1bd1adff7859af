#include "reverse/mirror_sweeps.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <optional>

#include "format/events.h"
#include "format/format.h"

namespace quorlin {
namespace {

struct Modulation {
  std::uint8_t wait = 0, speed = 0, delta = 0, steps = 0;
};

// A note's modulation as the driver plays it: one-way, with `steps` steps of
// `delta`, the last in frame `last_step` (the attack is frame 0).
struct Sweep {
  int delta;
  int steps;
  int last_step;
};

// The driver's modulation over the frames 1 to frames - 1 of a note: while
// wait > 0 it counts wait down; then each `speed` frames either steps the
// offset by delta or, when its steps are used up, reloads them and negates
// delta. Nothing when the offset never moves or moves both ways.
std::optional<Sweep> ForwardSweep(const Modulation& set_up, int frames) {
  int wait = set_up.wait;
  std::uint8_t speed = set_up.speed;
  std::int8_t delta = static_cast<std::int8_t>(set_up.delta);
  int steps = set_up.steps >> 1;
  Sweep sweep{0, 0, 0};
  for (int frame = 1; frame < frames; ++frame) {
    if (wait > 0) {
      --wait;
      continue;
    }
    if (--speed != 0) continue;
    speed = set_up.speed;
    if (steps == 0) {
      steps = set_up.steps;
      delta = static_cast<std::int8_t>(-delta);
      continue;
    }
    --steps;
    if (delta == 0) continue;
    if (sweep.delta != 0 && sweep.delta != delta) return std::nullopt;
    sweep = {delta, sweep.steps + 1, frame};
  }
  if (sweep.steps == 0) return std::nullopt;
  return sweep;
}

// Cents from the frequency word `from` to `to`.
double Cents(ChannelKind kind, std::uint16_t from, std::uint16_t to) {
  if (kind == ChannelKind::kPsg) {
    if (from == 0 || to == 0) return 0;
    return 1200 * std::log2(static_cast<double>(from) / to);  // a period
  }
  const auto hertz = [](std::uint16_t word) {
    return static_cast<double>(word & 0x7FF) * std::exp2((word >> 11) & 7);
  };
  if (hertz(from) == 0 || hertz(to) == 0) return 0;
  return 1200 * std::log2(hertz(to) / hertz(from));
}

class Mirror {
 public:
  Mirror(const Driver& driver, const PitchTables& pitch, std::span<const std::uint8_t> list,
         ChannelKind kind, std::uint8_t transpose, std::uint8_t divider, SweepFigures& figures)
      : driver_(driver),
        list_(list),
        kind_(kind),
        table_(kind == ChannelKind::kFm ? pitch.fm : pitch.psg),
        base_note_(kind == ChannelKind::kFm ? pitch.fm_base_note : pitch.psg_base_note),
        index_mask_(kind == ChannelKind::kFm ? pitch.fm_index_mask : 0xFF),
        transpose_(transpose),
        divider_(divider),
        figures_(figures) {}

  std::vector<std::uint8_t> Run() {
    FindNotes();
    std::size_t note = 0;
    for (EventReader reader(driver_, list_); !reader.Done();) {
      const Event event = reader.Next();
      if (event.kind == EventKind::kFlag) {
        Track(event);
        Copy(event);
        continue;
      }
      // A note that the next one continues was, forward, a continuation
      // itself: its modulation ran on from the note before.
      const bool tied_on = note + 1 < notes_.size() && notes_[note + 1].tied;
      const bool last = note + 1 == notes_.size();
      ++note;
      if (event.first() == driver_.notes.rest || tied_on || !modulation_on_ || divider_ != 1 ||
          !Rewrite(event, last)) {
        Copy(event);
      }
    }
    return std::move(out_);
  }

 private:
  struct NoteMark {
    bool tied;  // E7 stands since the note before
  };

  void FindNotes() {
    bool tie = false;
    for (EventReader reader(driver_, list_); !reader.Done();) {
      const Event event = reader.Next();
      if (event.kind == EventKind::kFlag) {
        tie = tie || event.first() == flag::kNoAttack;
        continue;
      }
      notes_.push_back({tie});
      tie = false;
    }
  }

  // Keeps the state that decides how a note sounds.
  void Track(const Event& flag) {
    switch (flag.first()) {
      case flag::kTransposeStep:
        transpose_ = static_cast<std::uint8_t>(transpose_ + flag.second());
        return;
      case flag::kDetune:
        detune_ = flag.second();
        return;
      case flag::kChannelTempoDivider:
        divider_ = flag.second();
        return;
      case flag::kModulationSetup:
        set_up_ = {flag.bytes[1], flag.bytes[2], flag.bytes[3], flag.bytes[4]};
        modulation_on_ = true;
        return;
      case flag::kModulationOn:
        modulation_on_ = true;
        return;
      case flag::kModulationOff:
        modulation_on_ = false;
        return;
      default:
        return;
    }
  }

  std::optional<std::size_t> IndexOf(std::uint8_t note) const {
    const std::size_t index = (note - base_note_ + transpose_) & index_mask_;
    if (index >= table_.size()) return std::nullopt;
    return index;
  }

  // The note and detune that come nearest `word`: an exact one with the
  // smallest detune, or the nearest. Nothing when no note byte reaches the
  // table.
  struct Pitch {
    std::uint8_t note;
    std::int8_t detune;
    std::uint16_t word;
  };
  std::optional<Pitch> Nearest(int word) const {
    std::optional<Pitch> best;
    int best_off = 0;
    for (std::size_t i = 0; i < table_.size(); ++i) {
      const int note = static_cast<int>((i - transpose_) & index_mask_) + base_note_;
      if (note < driver_.notes.first_note || note > driver_.notes.last_note ||
          IndexOf(static_cast<std::uint8_t>(note)) != i) {
        continue;
      }
      const int detune = std::clamp(word - table_[i], -128, 127);
      const int off = std::abs(word - table_[i] - detune);
      if (!best || off < best_off ||
          (off == best_off && std::abs(detune) < std::abs(best->detune))) {
        best = Pitch{static_cast<std::uint8_t>(note), static_cast<std::int8_t>(detune),
                     static_cast<std::uint16_t>(table_[i] + detune)};
        best_off = off;
      }
    }
    return best;
  }

  // Writes the mirrored sweep of `note` in its place; false when it has none.
  bool Rewrite(const Event& note, bool last) {
    const int frames = note.second();
    if (frames == 0) return false;  // 256 frames: no duration byte holds the parts
    const auto sweep = ForwardSweep(set_up_, frames);
    const auto index = IndexOf(note.first());
    // A step of -128 backwards would be +128, which no delta byte holds.
    if (!sweep || !index || sweep->steps > 127 || sweep->delta == -128) return false;
    const int start = (table_[*index] + static_cast<std::int8_t>(detune_)) & 0xFFFF;  // signed
    const int end = start + sweep->delta * sweep->steps;
    const auto from = Nearest(end);
    if (!from) return false;
    // Backwards, the first step falls as many frames after the attack as
    // the last step fell before the note's end: a wait makes up what the
    // first speed frames do not. Less than a speed's frames cannot be had.
    const int speed = set_up_.speed == 0 ? 256 : set_up_.speed;
    const int wait = std::max(frames - sweep->last_step - speed, 0);
    const int sweep_frames = wait + speed * sweep->steps + 1;  // through the last step
    if (sweep_frames > frames || wait > 0xFF) return false;
    const int hold = frames - sweep_frames;

    ++figures_.sweeps;
    const int units_off = std::abs(from->word - end);
    const bool on_time = frames - sweep->last_step >= speed;
    if (units_off == 0 && on_time) ++figures_.exact;
    if (!on_time) ++figures_.late;
    figures_.largest_units_off = std::max(figures_.largest_units_off, units_off);
    figures_.largest_cents_off =
        std::max(figures_.largest_cents_off,
                 std::abs(Cents(kind_, static_cast<std::uint16_t>(end & 0xFFFF), from->word)));

    const auto detune = static_cast<std::uint8_t>(from->detune);
    if (detune != detune_) Write({flag::kDetune, detune});
    Write({flag::kModulationSetup, static_cast<std::uint8_t>(wait), set_up_.speed,
           static_cast<std::uint8_t>(-sweep->delta), static_cast<std::uint8_t>(2 * sweep->steps)});
    Write({from->note, static_cast<std::uint8_t>(sweep_frames)});
    if (hold > 0) {
      Write({flag::kModulationOff});
      if (detune != detune_) Write({flag::kDetune, detune_});
      Write({flag::kNoAttack, note.first(), static_cast<std::uint8_t>(hold)});
    } else if (detune != detune_ && !last) {
      Write({flag::kDetune, detune_});
    }
    // The set-up as it was, for the notes that follow.
    if (!last)
      Write({flag::kModulationSetup, set_up_.wait, set_up_.speed, set_up_.delta, set_up_.steps});
    return true;
  }

  void Copy(const Event& event) { out_.insert(out_.end(), event.bytes.begin(), event.bytes.end()); }
  void Write(std::initializer_list<std::uint8_t> bytes) { out_.insert(out_.end(), bytes); }

  const Driver& driver_;
  std::span<const std::uint8_t> list_;
  const ChannelKind kind_;
  std::span<const std::uint16_t> table_;
  const std::uint8_t base_note_;
  const std::uint8_t index_mask_;
  std::uint8_t transpose_;
  std::uint8_t divider_;
  std::uint8_t detune_ = 0;
  Modulation set_up_;
  bool modulation_on_ = false;
  std::vector<NoteMark> notes_;
  std::vector<std::uint8_t> out_;
  SweepFigures& figures_;
};

}  // namespace

std::vector<std::uint8_t> MirrorSweeps(const Driver& driver, const PitchTables& pitch,
                                       std::span<const std::uint8_t> reversed, ChannelKind kind,
                                       std::uint8_t transpose, std::uint8_t divider,
                                       SweepFigures& figures) {
  return Mirror(driver, pitch, reversed, kind, transpose, divider, figures).Run();
}

}  // namespace quorlin
