// The one error type of a conversion. Its message completes the console line
// "    Error; <message>" and names what was expected and where.
#ifndef QUORLIN_FORMAT_TRACK_ERROR_H_
#define QUORLIN_FORMAT_TRACK_ERROR_H_

#include <stdexcept>
#include <string>

namespace quorlin {

class TrackError : public std::runtime_error {
 public:
  explicit TrackError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_TRACK_ERROR_H_
