// File services on systems with POSIX calls.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "frontend/file_system.h"

namespace quorlin {
namespace {

[[noreturn]] void FailWithErrno() { throw FileError(std::strerror(errno)); }

// Closes a descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Reset(-1); }
  int get() const { return fd_; }
  void Reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  // Closes now; false when closing reports a failure (a delayed write error).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

// A file made new for writing: never an existing file, never through a link.
constexpr int kCreateNew = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

// Writes `bytes` into the new file `path` and closes it; on a failure the
// file is removed again.
void FillNewFile(Descriptor& file, const std::string& path, std::span<const std::uint8_t> bytes) {
  int error = 0;
  for (std::size_t done = 0; done < bytes.size() && error == 0;) {
    const ssize_t wrote = write(file.get(), bytes.data() + done, bytes.size() - done);
    if (wrote > 0) {
      done += static_cast<std::size_t>(wrote);
    } else if (wrote == 0 || errno != EINTR) {
      error = wrote == 0 ? EIO : errno;
    }
  }
  if (error == 0 && !file.Close()) error = errno;
  if (error == 0) return;
  unlink(path.c_str());
  throw FileError(std::strerror(error));
}

// Creates a new file beside `path` for the bytes that are to replace it. Its
// name is short, so that it fits wherever `path`'s own name fits, and holds
// the process id and a count, so that no two writes share one; a name that
// is taken (a leftover, a link) is passed over, never opened.
std::string CreateTemporaryBeside(const std::string& path, Descriptor& file) {
  static unsigned count = 0;
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = folder + ".quorlin-" + std::to_string(getpid()) + "-" +
                                  std::to_string(count++) + ".tmp";
    file.Reset(open(temporary.c_str(), kCreateNew, 0666));
    if (file.get() >= 0) return temporary;
    if (errno != EEXIST) break;
  }
  FailWithErrno();
}

}  // namespace

std::vector<std::uint8_t> ReadFileBytes(const std::string& path, std::size_t max_bytes) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) FailWithErrno();
  if (S_ISDIR(info.st_mode)) throw FileError("it is a folder");
  if (!S_ISREG(info.st_mode)) throw FileError("not a regular file");
  // Should it have been swapped for a FIFO since, opening still returns at once.
  Descriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK));
  if (file.get() < 0) FailWithErrno();
  if (fstat(file.get(), &info) != 0) FailWithErrno();
  if (!S_ISREG(info.st_mode)) throw FileError("not a regular file");
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[8192];
  while (bytes.size() < max_bytes) {
    const ssize_t got = read(file.get(), chunk, std::min(sizeof chunk, max_bytes - bytes.size()));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) FailWithErrno();
    if (got == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  return bytes;
}

void WriteFileWhole(const std::string& path, std::span<const std::uint8_t> bytes) {
  // A new file is the common case and needs no rename.
  Descriptor file(open(path.c_str(), kCreateNew, 0666));
  if (file.get() >= 0) {
    FillNewFile(file, path, bytes);
    return;
  }
  if (errno != EEXIST) FailWithErrno();
  if (IsFolder(path)) throw FileError("it is a folder");
  const std::string temporary = CreateTemporaryBeside(path, file);
  FillNewFile(file, temporary, bytes);
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    throw FileError(std::strerror(error));
  }
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<FolderEntry> ListFolder(const std::string& path) {
  DIR* folder = opendir(path.c_str());
  if (folder == nullptr) FailWithErrno();
  std::vector<FolderEntry> entries;
  while (const dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    const std::string full = path + (path.ends_with('/') ? "" : "/") + name;
    FolderEntry::Kind kind = FolderEntry::Kind::kOther;
    if (stat(full.c_str(), &info) == 0) {
      if (S_ISREG(info.st_mode)) kind = FolderEntry::Kind::kFile;
      if (S_ISDIR(info.st_mode)) kind = FolderEntry::Kind::kFolder;
    }
    entries.push_back({name, kind});
  }
  closedir(folder);
  return entries;
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino)};
}

void CreateFolder(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (mkdir(folder.c_str(), 0777) == 0) return;
  if (errno == ENOENT) {
    // A folder above it is missing too.
    const std::size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
      CreateFolder(folder.substr(0, slash));
      if (mkdir(folder.c_str(), 0777) == 0) return;
    }
  }
  const int error = errno;
  if (IsFolder(folder)) return;
  if (error == EEXIST) throw FileError("a file of that name is in the way");
  throw FileError(std::strerror(error));
}

void CheckWritableFolder(const std::string& path) {
  if (access(path.c_str(), W_OK | X_OK) != 0) FailWithErrno();
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) return path;
  std::string text = absolute.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

}  // namespace quorlin
