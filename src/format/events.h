// The one reader of events: splits channel data, and every list the stages
// make of it, into its events as the driver reads them.
//
//   a note or the rest, and its duration when one directly follows it
//   a duration alone (it repeats the note before it)
//   a coordination flag and its parameter bytes
//
// In the lists that the stages write (played out, converted, reversed)
// every note has its duration and no duration stands alone.
#ifndef QUORLIN_FORMAT_EVENTS_H_
#define QUORLIN_FORMAT_EVENTS_H_

#include <cstddef>
#include <cstdint>
#include <span>

#include "format/driver.h"

namespace quorlin {

enum class EventKind : std::uint8_t { kNote, kDuration, kFlag };

struct Event {
  EventKind kind;
  const FlagRow* flag;  // a flag's row of the driver's table; none for a note or duration
  std::size_t at;       // of its first byte
  std::size_t size;     // the bytes it takes
  // Those of its bytes that the input holds: all of them, unless the input
  // ends inside the event (CutShort).
  std::span<const std::uint8_t> bytes;

  bool CutShort() const { return bytes.size() < size; }
  std::size_t end() const { return at + size; }
  std::uint8_t first() const { return bytes[0]; }
  bool HasDuration() const { return kind == EventKind::kNote && size == 2; }
  // A note's duration, or a flag's first parameter.
  std::uint8_t second() const { return bytes[1]; }
  // As the stages write it: whole, a note with its duration (a duration
  // alone is a single byte).
  bool Listed() const { return !CutShort() && (kind == EventKind::kFlag || size == 2); }
};

// Reads the events of one stretch of bytes: at any position, or one after
// the other from the first. It holds what it needs of the Driver by value,
// so that a loop keeps it at hand.
class EventReader {
 public:
  EventReader(const Driver& driver, std::span<const std::uint8_t> bytes)
      : notes_(driver.notes), flags_(driver.flags.data()), bytes_(bytes) {}

  // The event that starts at `at`, which lies inside the bytes. Nothing is
  // read past their end: an event they end inside comes back cut short,
  // with the bytes there are.
  Event At(std::size_t at) const {
    const std::uint8_t* const first = bytes_.data() + at;
    const std::size_t left = bytes_.size() - at;
    EventKind kind = EventKind::kDuration;
    const FlagRow* flag = nullptr;
    std::size_t size = 1;
    if (notes_.IsFlag(*first)) {
      kind = EventKind::kFlag;
      flag = &flags_[*first - notes_.first_flag];
      size += flag->parameters;
    } else if (!notes_.IsDuration(*first)) {
      kind = EventKind::kNote;
      if (left > 1 && notes_.IsDuration(first[1])) size = 2;
    }
    return {kind, flag, at, size, {first, size < left ? size : left}};
  }

  // Whether the events read one after the other have reached the end.
  bool Done() const { return next_ >= bytes_.size(); }
  // The next event, the first one at first.
  Event Next() {
    const Event event = At(next_);
    next_ = event.end();
    return event;
  }

 private:
  NoteRange notes_;
  const FlagRow* flags_;
  std::span<const std::uint8_t> bytes_;
  std::size_t next_ = 0;
};

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_EVENTS_H_
