// The few file services the tool needs, the same on Windows and elsewhere.
// Paths are passed as the command line gave them, byte for byte.
#ifndef QUORLIN_FRONTEND_FILE_SYSTEM_H_
#define QUORLIN_FRONTEND_FILE_SYSTEM_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorlin {

// The first `max_bytes` bytes of a file (all of a smaller one), or nothing
// when it cannot be opened or read (a folder, a missing file).
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path,
                                                       std::size_t max_bytes);

// Writes the whole of `bytes` to `path`. A file that is new is written in
// place and removed again if the write fails; an existing one is replaced
// through a temporary file beside it, renamed over it once complete. So a
// failed write never leaves a truncated file and never destroys an older
// one. Returns false on any failure.
bool WriteFileWhole(const std::string& path, std::span<const std::uint8_t> bytes);

// True when both paths name one existing file (also through links or a
// different spelling).
bool IsSameFile(const std::string& a, const std::string& b);

// Creates one folder; a folder that exists already is fine, and failures
// show up later, when a file inside it cannot be written.
void CreateFolder(const std::string& path);

// The separator the tool writes when it forms a path.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_FILE_SYSTEM_H_
