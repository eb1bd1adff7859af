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
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }
  // Closes now; false when closing reports a failure (a delayed write error).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

void WriteAll(Descriptor& file, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = write(file.get(), bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) FailWithErrno();
    done += static_cast<std::size_t>(wrote);
  }
  if (!file.Close()) FailWithErrno();
}

// Writes `path`, which must not exist yet; false, touching nothing, when it
// does. A failed write removes the new file again.
bool WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  Descriptor file(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666));
  if (file.get() < 0) {
    if (errno == EEXIST) return false;
    FailWithErrno();
  }
  try {
    WriteAll(file, bytes);
  } catch (const FileError&) {
    unlink(path.c_str());
    throw;
  }
  return true;
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
  if (WriteNewFile(path, bytes)) return;
  if (IsFolder(path)) throw FileError("it is a folder");
  const std::string temporary = path + ".quorlin-tmp";
  Descriptor file(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666));
  if (file.get() < 0) FailWithErrno();
  try {
    WriteAll(file, bytes);
    if (std::rename(temporary.c_str(), path.c_str()) != 0) FailWithErrno();
  } catch (const FileError&) {
    unlink(temporary.c_str());
    throw;
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
    entries.push_back({name, stat(full.c_str(), &info) == 0 && S_ISREG(info.st_mode)});
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
  const int error = errno;
  if (IsFolder(folder)) return;
  if (error == EEXIST) throw FileError("a file of that name is in the way");
  throw FileError(std::strerror(error));
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
