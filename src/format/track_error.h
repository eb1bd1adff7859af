// The one error type of a conversion: a kind, a place and a message. The
// message completes the console line "    Error; <message>" and names what
// was expected and where; code that must tell errors apart asks the kind.
#ifndef QUORLIN_FORMAT_TRACK_ERROR_H_
#define QUORLIN_FORMAT_TRACK_ERROR_H_

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace quorlin {

enum class ErrorKind : std::uint8_t {
  kMalformedTrack,  // bytes the driver cannot play as a song, or the tool cannot reverse
  kStepLimit,       // a walk took more steps than it may
  kSizeLimit,       // a value outgrows the field or the room that holds it
  kSource,          // source that the build would not assemble
  kFile,            // the file system refused, or an output would replace a file it may not
  kInternal,        // a fault of the tool itself
};

// Where an error lies: a channel and an offset (in the track, or in one of
// the channel's lists for an internal fault), or a line of a source.
struct ErrorPlace {
  std::string channel;  // "FM2"; empty for the song as a whole
  std::optional<long long> offset;
  int line = 0;  // counted from 1; 0 for none
};

class TrackError : public std::runtime_error {
 public:
  TrackError(ErrorKind kind, const std::string& message, ErrorPlace place = {})
      : std::runtime_error(message), kind_(kind), place_(std::move(place)) {}

  ErrorKind kind() const { return kind_; }
  const ErrorPlace& place() const { return place_; }

 private:
  ErrorKind kind_;
  ErrorPlace place_;
};

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_TRACK_ERROR_H_
