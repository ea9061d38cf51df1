#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cwctype>
#include <random>
#include <utility>

#include "platform/HostFileSystem.h"

namespace vestrel::platform {

namespace {

namespace fs = std::filesystem;

// The longest name a Windows volume keeps, in UTF-16 units, and the room a temporary name
// needs beyond its stem for the unique part.
constexpr std::size_t kMaxName = 255;
constexpr std::size_t kUniqueRoom = 24;
constexpr int kCreateAttempts = 100;
// What a replacement takes over from the file it replaces.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The errno meaning of the errors a file call gives, so messages read as on Linux; the rest
// keep the system's own text.
std::error_code FromWindows(DWORD code) {
  switch (code) {
    case ERROR_SUCCESS:
      return {EIO, std::generic_category()};
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return {ENOENT, std::generic_category()};
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
      return {EACCES, std::generic_category()};
    case ERROR_WRITE_PROTECT:
      return {EROFS, std::generic_category()};
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return {EBUSY, std::generic_category()};
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return {EEXIST, std::generic_category()};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return {ENOSPC, std::generic_category()};
    case ERROR_FILENAME_EXCED_RANGE:
      return {ENAMETOOLONG, std::generic_category()};
    case ERROR_DIRECTORY:
      return {ENOTDIR, std::generic_category()};
    default:
      return {static_cast<int>(code), std::system_category()};
  }
}

std::error_code LastError() { return FromWindows(GetLastError()); }

HANDLE Native(std::intptr_t native) { return reinterpret_cast<HANDLE>(native); }

bool IsMissing(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

// CON, PRN, AUX, NUL, COM1..9, LPT1..9 name devices in every folder, with any extension;
// "\\.\" names a device or pipe outright.
bool NamesDevice(const fs::path& path) {
  const std::wstring& text = path.native();
  if (text.rfind(L"\\\\.\\", 0) == 0) return true;
  std::wstring stem = path.filename().native();
  stem = stem.substr(0, stem.find(L'.'));
  while (!stem.empty() && (stem.back() == L' ' || stem.back() == L':')) stem.pop_back();
  for (auto& c : stem) c = static_cast<wchar_t>(std::towupper(c));
  for (const wchar_t* name : {L"CON", L"PRN", L"AUX", L"NUL"}) {
    if (stem == name) return true;
  }
  return stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) &&
         stem[3] >= L'1' && stem[3] <= L'9';
}

// The path a reparse point (a symbolic link or a junction) finally leads to, as a plain
// drive or UNC path.
std::error_code FinalPath(HANDLE file, fs::path& out) {
  std::wstring text(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(file, text.data(), static_cast<DWORD>(text.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return LastError();
    if (n < text.size()) {
      text.resize(n);
      break;
    }
    text.resize(n);
  }
  if (text.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    text = L"\\\\" + text.substr(8);
  } else if (text.rfind(L"\\\\?\\", 0) == 0) {
    text = text.substr(4);
  }
  out = text;
  return {};
}

std::wstring UniquePart() {
  static constexpr wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kLetters) - 2);
  std::wstring part(L".");
  for (int i = 0; i < 6; ++i) part += kLetters[pick(random)];
  return part;
}

}  // namespace

std::error_code InspectHostPath(const fs::path& path, HostPathState& state) {
  state = {};
  state.resolved = path;
  if (NamesDevice(path)) {
    state.kind = HostPathState::Device;
    return {};
  }
  const DWORD ownAttributes = GetFileAttributesW(path.c_str());
  if (ownAttributes == INVALID_FILE_ATTRIBUTES && IsMissing(GetLastError())) {
    state.kind = HostPathState::Missing;
    return {};
  }
  // Opened for no access at all, following links: what the name finally is.
  HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastError();
  std::error_code error;
  const DWORD type = GetFileType(file);
  BY_HANDLE_FILE_INFORMATION info{};
  if (type != FILE_TYPE_DISK) {
    state.kind = HostPathState::Device;
  } else if (!GetFileInformationByHandle(file, &info)) {
    error = LastError();
  } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    state.kind = HostPathState::Folder;
  } else {
    state.kind = HostPathState::Regular;
    state.writable = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
    state.keep = info.dwFileAttributes & kKeptAttributes;
  }
  if (!error && ownAttributes != INVALID_FILE_ATTRIBUTES &&
      (ownAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    error = FinalPath(file, state.resolved);
  }
  CloseHandle(file);
  return error;
}

// The attributes of the name itself: a link's own, never those of what it leads to.
std::error_code IsHostLink(const fs::path& path, bool& link) {
  link = false;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  return {};
}

std::uint32_t NewHostFileKeep() { return 0; }

HostFileHandle HostFileHandle::CreateUnique(const fs::path& folder, const fs::path& stem,
                                            std::string_view suffix, fs::path& made,
                                            std::error_code& error) {
  std::wstring name = stem.native();
  const std::wstring tail = PathFromUtf8(suffix).native();
  if (name.size() + tail.size() + kUniqueRoom > kMaxName) {
    name.resize(kMaxName - tail.size() - kUniqueRoom);
  }
  const fs::path dir = folder.empty() ? fs::path(L".") : folder;
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    const fs::path candidate = dir / (name + UniquePart() + tail);
    // CREATE_NEW fails on any existing name, a link included, so nothing planted is followed.
    HANDLE file = CreateFileW(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      error = {};
      made = candidate;
      return HostFileHandle(reinterpret_cast<std::intptr_t>(file));
    }
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
      error = FromWindows(code);
      return {};
    }
  }
  error = FromWindows(ERROR_FILE_EXISTS);
  return {};
}

std::tm HostLocalTime(std::time_t when) {
  std::tm local{};
  localtime_s(&local, &when);
  return local;
}

std::string_view HostExecutableSuffix() { return ".exe"; }

HostFileHandle HostFileHandle::OpenLockFile(const fs::path& path, std::error_code& error) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = LastError();
    return {};
  }
  error = {};
  return HostFileHandle(reinterpret_cast<std::intptr_t>(file));
}

bool HostFileHandle::tryLock(std::error_code& error) {
  error = {};
  OVERLAPPED at{};
  if (LockFileEx(Native(native_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                 &at))
    return true;
  if (GetLastError() != ERROR_LOCK_VIOLATION) error = LastError();
  return false;
}

HostFileHandle HostFileHandle::OpenDevice(const fs::path& path, std::error_code& error) {
  // No sharing: a serial port takes one user at a time, and so does a pipe's writing end.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = LastError();
    return {};
  }
  error = {};
  return HostFileHandle(reinterpret_cast<std::intptr_t>(file));
}

HostFileHandle HostFileHandle::OpenRegular(const fs::path& path, std::int64_t& size,
                                           std::error_code& error) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error = {EISDIR, std::generic_category()};
    return {};
  }
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = LastError();
    return {};
  }
  HostFileHandle opened(reinterpret_cast<std::intptr_t>(file));
  LARGE_INTEGER length{};
  if (GetFileType(file) != FILE_TYPE_DISK) {
    error = {EINVAL, std::generic_category()};
    return {};
  }
  if (!GetFileSizeEx(file, &length)) {
    error = LastError();
    return {};
  }
  error = {};
  size = length.QuadPart;
  return opened;
}

std::error_code HostFileHandle::write(std::span<const std::uint8_t> bytes) {
  if (!isOpen()) return FromWindows(ERROR_INVALID_HANDLE);
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(Native(native_), bytes.data(), chunk, &written, nullptr)) return LastError();
    if (written == 0) return FromWindows(ERROR_WRITE_FAULT);
    bytes = bytes.subspan(written);
  }
  return {};
}

std::error_code HostFileHandle::read(std::span<std::uint8_t> buffer, std::size_t& got) {
  got = 0;
  if (!isOpen()) return FromWindows(ERROR_INVALID_HANDLE);
  const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), 1u << 30));
  DWORD n = 0;
  if (!ReadFile(Native(native_), buffer.data(), wanted, &n, nullptr)) return LastError();
  got = n;
  return {};
}

std::error_code HostFileHandle::giveKeep(std::uint32_t keep) {
  if (!isOpen()) return FromWindows(ERROR_INVALID_HANDLE);
  if (keep == 0) return {};
  FILE_BASIC_INFO info{};
  info.FileAttributes = keep;
  return SetFileInformationByHandle(Native(native_), FileBasicInfo, &info, sizeof info)
             ? std::error_code()
             : LastError();
}

std::error_code HostFileHandle::flush() {
  if (!isOpen()) return FromWindows(ERROR_INVALID_HANDLE);
  if (FlushFileBuffers(Native(native_))) return {};
  // A device that keeps nothing to flush.
  const DWORD code = GetLastError();
  return code == ERROR_INVALID_FUNCTION || code == ERROR_INVALID_HANDLE ? std::error_code()
                                                                        : FromWindows(code);
}

std::error_code HostFileHandle::close() {
  if (!isOpen()) return {};
  HANDLE file = Native(std::exchange(native_, kClosed));
  return CloseHandle(file) ? std::error_code() : LastError();
}

std::error_code ReplaceHostFile(const fs::path& from, const fs::path& to) {
  // MoveFileEx refuses to replace a read-only file: the flag comes off first and goes back on
  // when the move fails.
  const DWORD attributes = GetFileAttributesW(to.c_str());
  const bool readOnly =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  if (readOnly && !SetFileAttributesW(to.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    return LastError();
  }
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return {};
  }
  const std::error_code error = LastError();
  if (readOnly) SetFileAttributesW(to.c_str(), attributes);
  return error;
}

void RemoveHostFile(const fs::path& path) {
  if (DeleteFileW(path.c_str()) || GetLastError() != ERROR_ACCESS_DENIED) return;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
}

void RemoveHostFileNow(const fs::path::value_type* name) { DeleteFileW(name); }

}  // namespace vestrel::platform
