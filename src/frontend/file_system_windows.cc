// File services on Windows, through the wide-character API.
#include <windows.h>

#include <algorithm>
#include <cctype>

#include "frontend/file_system.h"
#include "frontend/windows_text.h"

namespace quorlin {
namespace {

[[noreturn]] void FailWithLastError() { throw FileError(WindowsErrorText(GetLastError())); }

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Closes a handle when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Reset(INVALID_HANDLE_VALUE); }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE handle) {
    if (valid()) CloseHandle(handle_);
    handle_ = handle;
  }
  HANDLE get() const { return handle_; }
  // Closes now; false when closing reports a failure.
  bool Close() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle == INVALID_HANDLE_VALUE || CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

// Writes `bytes` into the new file `path` and closes it; on a failure the
// file is removed again.
void FillNewFile(Handle& file, const std::wstring& path, std::span<const std::uint8_t> bytes) {
  DWORD error = 0;
  for (std::size_t done = 0; done < bytes.size() && error == 0;) {
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    DWORD wrote = 0;
    if (!WriteFile(file.get(), bytes.data() + done, wanted, &wrote, nullptr) || wrote == 0) {
      error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
    }
    done += wrote;
  }
  if (error == 0 && !file.Close()) error = GetLastError();
  if (error == 0) return;
  file.Close();
  DeleteFileW(path.c_str());
  throw FileError(WindowsErrorText(error));
}

// A file made new for writing: CREATE_NEW never opens an existing file or
// link.
HANDLE CreateNew(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

bool Taken(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

// Creates a new file beside `path` for the bytes that are to replace it. Its
// name is short, so that it fits wherever `path`'s own name fits, and holds
// the process id and a count, so that no two writes share one; a name that
// is taken (a leftover, a link) is passed over, never opened.
std::wstring CreateTemporaryBeside(const std::wstring& path, Handle& file) {
  static unsigned count = 0;
  const std::size_t slash = path.find_last_of(L"/\\:");
  const std::wstring folder = slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring temporary = folder + L".quorlin-" + std::to_wstring(GetCurrentProcessId()) +
                                   L"-" + std::to_wstring(count++) + L".tmp";
    file.Reset(CreateNew(temporary));
    if (file.valid()) return temporary;
    if (!Taken(GetLastError())) break;
  }
  FailWithLastError();
}

bool Identify(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
  Handle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file.valid() && GetFileInformationByHandle(file.get(), &info) != 0;
}

// Names that Windows gives its devices in every folder, with any extension:
// opening one opens the device (a console, a serial port...), not a file.
bool IsDeviceName(const std::string& path) {
  const std::size_t name_start = path.find_last_of("/\\:");
  std::string name = path.substr(name_start == std::string::npos ? 0 : name_start + 1);
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" ||
      name == "CONOUT$") {
    return true;
  }
  return name.size() == 4 && (name.starts_with("COM") || name.starts_with("LPT")) &&
         name[3] >= '1' && name[3] <= '9';
}

}  // namespace

std::vector<std::uint8_t> ReadFileBytes(const std::string& path, std::size_t max_bytes) {
  const std::wstring wide = Widen(path);
  if (IsFolder(wide)) throw FileError("it is a folder");
  if (IsDeviceName(path)) throw FileError("not a regular file");
  Handle file(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) FailWithLastError();
  // A pipe, a console or a device opens too: only a disk file is read.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) throw FileError("not a regular file");
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[8192];
  while (bytes.size() < max_bytes) {
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(std::min(sizeof chunk, max_bytes - bytes.size()));
    if (!ReadFile(file.get(), chunk, wanted, &got, nullptr)) FailWithLastError();
    if (got == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  return bytes;
}

void WriteFileWhole(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::wstring wide = Widen(path);
  // A new file is the common case and needs no rename.
  Handle file(CreateNew(wide));
  if (file.valid()) {
    FillNewFile(file, wide, bytes);
    return;
  }
  if (!Taken(GetLastError())) FailWithLastError();
  if (IsFolder(wide)) throw FileError("it is a folder");
  const std::wstring temporary = CreateTemporaryBeside(wide, file);
  FillNewFile(file, temporary, bytes);
  if (!MoveFileExW(temporary.c_str(), wide.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    throw FileError(WindowsErrorText(error));
  }
}

bool IsFolder(const std::string& path) { return IsFolder(Widen(path)); }

std::vector<FolderEntry> ListFolder(const std::string& path) {
  std::wstring pattern = Widen(path);
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return {};
    FailWithLastError();
  }
  std::vector<FolderEntry> entries;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    FolderEntry::Kind kind = FolderEntry::Kind::kFile;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) kind = FolderEntry::Kind::kFolder;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) kind = FolderEntry::Kind::kOther;
    entries.push_back({Narrow(name), kind});
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!Identify(Widen(path), info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
}

void CreateFolder(const std::string& path) {
  std::wstring folder = Widen(path);
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (CreateDirectoryW(folder.c_str(), nullptr)) return;
  if (GetLastError() == ERROR_PATH_NOT_FOUND) {
    // A folder above it is missing too.
    const std::size_t slash = folder.find_last_of(L"/\\");
    if (slash != std::wstring::npos && slash > 0) {
      CreateFolder(Narrow(folder.substr(0, slash)));
      if (CreateDirectoryW(folder.c_str(), nullptr)) return;
    }
  }
  const DWORD error = GetLastError();
  if (IsFolder(folder)) return;
  if (error == ERROR_ALREADY_EXISTS) throw FileError("a file of that name is in the way");
  throw FileError(WindowsErrorText(error));
}

void CheckWritableFolder(const std::string& path) {
  // Opening the folder for adding files asks its access rights, and makes nothing.
  Handle folder(CreateFileW(Widen(path).c_str(), FILE_ADD_FILE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder.valid()) FailWithLastError();
}

std::string AbsolutePath(const std::string& path) {
  const std::wstring wide = Widen(path);
  const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (length == 0) return path;
  std::wstring full(length, L'\0');
  const DWORD written = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
  full.resize(written);
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  return Narrow(full);
}

}  // namespace quorlin
