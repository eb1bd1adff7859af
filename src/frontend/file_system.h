// The few file services the tool needs, the same on Windows and elsewhere.
// Paths are UTF-8 text as the command line gave them; Windows gets them as
// wide characters, so names outside its ANSI code page work too.
#ifndef QUORLIN_FRONTEND_FILE_SYSTEM_H_
#define QUORLIN_FRONTEND_FILE_SYSTEM_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorlin {

// A file operation that failed. what() is the reason in the system's words,
// such as "No such file or directory", or "it is a folder".
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The first `max_bytes` bytes of a file (all of a smaller one). Only a
// regular file (a disk file on Windows) is opened: a FIFO, a device, a
// socket or a console gets FileError "not a regular file" at once, never a
// wait for a writer.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path, std::size_t max_bytes);

// True when `path` names a folder.
bool IsFolder(const std::string& path);

struct FolderEntry {
  enum class Kind { kFile, kFolder, kOther };
  std::string name;
  Kind kind;  // through a link, what it points at: a regular file, a folder, or
              // anything else (a device, a FIFO, a link to nothing)
};

// What stands directly inside a folder, in no particular order.
std::vector<FolderEntry> ListFolder(const std::string& path);

// Writes the whole of `bytes` to `path`. A file that is new is created in
// place (never through a link) and removed again if the write fails; an
// existing one is replaced through a temporary file beside it, itself created
// new under a short name of its own, renamed over `path` once complete and
// removed on any failure. So a failed write never leaves a truncated file,
// never destroys an older one, and no name but `path` is ever written through.
void WriteFileWhole(const std::string& path, std::span<const std::uint8_t> bytes);

// What tells one existing file from every other: on one system two paths
// name the same file (also through links, or spelled in another letter case
// where the system ignores it) exactly when their identities are equal.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file `path` names, or nothing when there is none.
std::optional<FileIdentity> IdentifyFile(const std::string& path);

// Creates a folder and the folders above it that are missing, unless it is
// there already.
void CreateFolder(const std::string& path);

// Throws FileError unless this process may make files in the folder `path`.
// Nothing is created to find out.
void CheckWritableFolder(const std::string& path);

// `path` as an absolute path, without a separator at its end. The path need
// not exist.
std::string AbsolutePath(const std::string& path);

// The separator the tool writes when it forms a path.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_FILE_SYSTEM_H_
