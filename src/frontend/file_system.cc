#include "frontend/file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <direct.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quorlin {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

bool RenameReplacing(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

enum class NewFile { kWritten, kAlreadyThere, kFailed };

// Writes a file that must not exist yet. A failed write removes it again; a
// file that is there already is not touched.
NewFile WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) {
#ifdef _WIN32
  (void)path;
  (void)bytes;
  return NewFile::kAlreadyThere;
#else
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (fd < 0) return errno == EEXIST ? NewFile::kAlreadyThere : NewFile::kFailed;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote <= 0) break;
    done += static_cast<std::size_t>(wrote);
  }
  if (close(fd) == 0 && done == bytes.size()) return NewFile::kWritten;
  unlink(path.c_str());
  return NewFile::kFailed;
#endif
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::string& path,
                                                       std::size_t max_bytes) {
  FileHandle file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[8192];
  while (bytes.size() < max_bytes) {
    const std::size_t wanted = std::min(sizeof chunk, max_bytes - bytes.size());
    const std::size_t got = std::fread(chunk, 1, wanted, file.get());
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got < wanted) break;
  }
  if (std::ferror(file.get())) return std::nullopt;
  return bytes;
}

bool WriteFileWhole(const std::string& path, std::span<const std::uint8_t> bytes) {
  // A new file is the common case and needs no rename.
  switch (WriteNewFile(path, bytes)) {
    case NewFile::kWritten:
      return true;
    case NewFile::kFailed:
      return false;
    case NewFile::kAlreadyThere:
      break;
  }
  const std::string temporary = path + ".quorlin-tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  // Closing flushes; a failure there (a full disk) fails the write too.
  written = std::fclose(file) == 0 && written;
  if (written && RenameReplacing(temporary, path)) return true;
  std::remove(temporary.c_str());
  return false;
}

bool IsSameFile(const std::string& a, const std::string& b) {
#ifdef _WIN32
  const auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE handle =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    return ok;
  };
  BY_HANDLE_FILE_INFORMATION info_a{}, info_b{};
  if (!identify(a, info_a) || !identify(b, info_b)) return false;
  return info_a.dwVolumeSerialNumber == info_b.dwVolumeSerialNumber &&
         info_a.nFileIndexHigh == info_b.nFileIndexHigh &&
         info_a.nFileIndexLow == info_b.nFileIndexLow;
#else
  struct stat stat_a {};
  struct stat stat_b {};
  if (stat(a.c_str(), &stat_a) != 0 || stat(b.c_str(), &stat_b) != 0) return false;
  return stat_a.st_dev == stat_b.st_dev && stat_a.st_ino == stat_b.st_ino;
#endif
}

void CreateFolder(const std::string& path) {
#ifdef _WIN32
  _mkdir(path.c_str());
#else
  mkdir(path.c_str(), 0777);
#endif
}

}  // namespace quorlin
