// The build-time switch of the diagnostic dumps, off unless the build sets
// QUORLIN_DEBUG_DUMPS (CMake option of the same name).
#ifndef QUORLIN_FRONTEND_DEBUG_MODE_H_
#define QUORLIN_FRONTEND_DEBUG_MODE_H_

#ifndef QUORLIN_DEBUG_DUMPS
#define QUORLIN_DEBUG_DUMPS 0
#endif

namespace quorlin {

inline constexpr int DebugMode = QUORLIN_DEBUG_DUMPS;

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_DEBUG_MODE_H_
