// The project's version, as the build gives it (CMake's project version).
#ifndef QUORLIN_FRONTEND_VERSION_H_
#define QUORLIN_FRONTEND_VERSION_H_

#ifndef QUORLIN_VERSION
#define QUORLIN_VERSION "unknown"
#endif

namespace quorlin {

inline constexpr const char* kVersion = QUORLIN_VERSION;

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_VERSION_H_
