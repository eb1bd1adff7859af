// Legato, read from a fitted FM or PSG event list so that the reversed song
// joins the same two notes the other way round.
//
// In the driver, E7 before note B keeps B from keying off and from resetting
// note fill, envelope and modulation: B continues the sound of the note A
// before it. Backwards the same two notes must join as B attacked, A joined,
// so the E7 belongs before A in the reversed list. On FM channels a rest
// after E7 keeps the key on and the pitch (modulation off): backwards that
// rest is where the sound starts, so it becomes a note of that pitch (with a
// transposition step around it where no note byte gives the pitch).
//
// On FM channels E7 also keeps note fill from cutting its note. A note that
// E7 spared but that is attacked backwards would be cut there: the reversed
// song switches note fill off for it and on again behind it.
//
// On PSG channels note fill runs otherwise: its counter is set when a note
// or rest is attacked and by E8, runs on through what E7 joins, and silences
// the channel when it runs out, E7 or not; a note after E7 that finds it run
// out stays silent. The scan plays that counter forwards to learn where each
// note is cut, then backwards through the reversed list, and gives each
// note that would be cut elsewhere there (or not sound) a note fill of its
// own. A note that never sounds becomes a rest. A note joined forwards that the
// counter then cuts cannot stay joined: backwards it is cut before the note
// it continued, which is attacked.
#ifndef QUORLIN_REVERSE_TIES_H_
#define QUORLIN_REVERSE_TIES_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/driver.h"
#include "format/flat_channel.h"

namespace quorlin {

// What the reversal writes for one note or rest of the fitted list.
struct NoteTie {
  // The note or rest as read, the note a held rest sounds, or a rest for a
  // PSG note that never sounds.
  std::uint8_t note;
  bool joined;  // the next note continues its sound: E7 stands before it backwards
  // Not 0: the note fill in force, which the reversed song sets again
  // behind this note; before it, `own_fill`, which cuts it where it was cut
  // (0: nowhere).
  std::uint8_t lifted_fill = 0;
  std::uint8_t own_fill = 0;
  // Not 0: the transposition step under which `note` sounds a held rest's pitch.
  std::uint8_t shift = 0;
};

// One entry per note and rest of `channel.events`, in order. The durations
// of the notes are timed by `channel.divider_runs`; throws TrackError naming
// `channel_name` when they time fewer notes than the list holds.
std::vector<NoteTie> FindTies(const Driver& driver, const FlatChannel& channel, ChannelKind kind,
                              const std::string& channel_name);

}  // namespace quorlin

#endif  // QUORLIN_REVERSE_TIES_H_
