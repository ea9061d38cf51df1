#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>
#include <vector>

#include "platform/HostFileSystem.h"

namespace vestrel::platform {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinks = 40;  // as the kernel's own limit on nested symlinks
// Room kept in a file name for the unique part of a temporary name.
constexpr std::size_t kUniqueRoom = 24;

std::error_code Errno(int value) { return {value ? value : EIO, std::generic_category()}; }
std::error_code LastErrno() { return Errno(errno); }

int Fd(std::intptr_t native) { return static_cast<int>(native); }

}  // namespace

std::error_code InspectHostPath(const fs::path& path, HostPathState& state) {
  state = {};
  state.resolved = path;
  struct stat st {};
  for (int depth = 0; depth <= kMaxLinks; ++depth) {
    if (::lstat(state.resolved.c_str(), &st) != 0) {
      if (errno != ENOENT) return LastErrno();
      state.kind = HostPathState::Missing;
      return {};
    }
    if (!S_ISLNK(st.st_mode)) break;
    if (depth == kMaxLinks) return Errno(ELOOP);
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t n = ::readlink(state.resolved.c_str(), target.data(), PATH_MAX);
    if (n < 0) return LastErrno();
    const fs::path next(std::string(target.data(), static_cast<std::size_t>(n)));
    state.resolved = next.is_absolute() ? next : state.resolved.parent_path() / next;
  }
  if (S_ISDIR(st.st_mode)) {
    state.kind = HostPathState::Folder;
  } else if (S_ISREG(st.st_mode)) {
    state.kind = HostPathState::Regular;
    state.keep = st.st_mode & 07777u;
    state.writable = ::access(state.resolved.c_str(), W_OK) == 0 && (state.keep & 0222u) != 0;
  } else {
    state.kind = HostPathState::Device;
  }
  return {};
}

std::error_code IsHostLink(const fs::path& path, bool& link) {
  link = false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return LastErrno();
  link = S_ISLNK(st.st_mode);
  return {};
}

std::uint32_t NewHostFileKeep() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666u & ~static_cast<std::uint32_t>(mask);
}

HostFileHandle HostFileHandle::CreateUnique(const fs::path& folder, const fs::path& stem,
                                            std::string_view suffix, fs::path& made,
                                            std::error_code& error) {
  std::string name = stem.string();
  if (name.size() + suffix.size() + kUniqueRoom > NAME_MAX) {
    name.resize(NAME_MAX - suffix.size() - kUniqueRoom);
  }
  const fs::path dir = folder.empty() ? fs::path(".") : folder;
  std::string pattern = (dir / (name + ".XXXXXX" + std::string(suffix))).string();
  const int fd = ::mkostemps(pattern.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
  if (fd < 0) {
    error = LastErrno();
    return {};
  }
  error = {};
  made = pattern;
  return HostFileHandle(fd);
}

std::tm HostLocalTime(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  return local;
}

std::string_view HostExecutableSuffix() { return {}; }

HostFileHandle HostFileHandle::OpenLockFile(const fs::path& path, std::error_code& error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = LastErrno();
    return {};
  }
  error = {};
  return HostFileHandle(fd);
}

// flock: held by the open file, so a second lock in the same process waits too.
bool HostFileHandle::tryLock(std::error_code& error) {
  error = {};
  if (::flock(Fd(native_), LOCK_EX | LOCK_NB) == 0) return true;
  if (errno != EWOULDBLOCK) error = LastErrno();
  return false;
}

HostFileHandle HostFileHandle::OpenDevice(const fs::path& path, std::error_code& error) {
  // Opened without blocking, so a FIFO nobody reads fails (ENXIO) instead of hanging; the
  // writes then block as usual.
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = LastErrno();
    return {};
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  error = {};
  return HostFileHandle(fd);
}

HostFileHandle HostFileHandle::OpenRegular(const fs::path& path, std::int64_t& size,
                                           std::error_code& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = LastErrno();
    return {};
  }
  HostFileHandle file(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    error = LastErrno();
    return {};
  }
  if (!S_ISREG(st.st_mode)) {
    error = Errno(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    return {};
  }
  error = {};
  size = st.st_size;
  return file;
}

std::error_code HostFileHandle::write(std::span<const std::uint8_t> bytes) {
  if (!isOpen()) return Errno(EBADF);
  while (!bytes.empty()) {
    const ssize_t n = ::write(Fd(native_), bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastErrno();
    }
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
  return {};
}

std::error_code HostFileHandle::read(std::span<std::uint8_t> buffer, std::size_t& got) {
  got = 0;
  if (!isOpen()) return Errno(EBADF);
  for (;;) {
    const ssize_t n = ::read(Fd(native_), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return LastErrno();
    got = static_cast<std::size_t>(n);
    return {};
  }
}

std::error_code HostFileHandle::giveKeep(std::uint32_t keep) {
  if (!isOpen()) return Errno(EBADF);
  return ::fchmod(Fd(native_), static_cast<mode_t>(keep)) == 0 ? std::error_code() : LastErrno();
}

std::error_code HostFileHandle::flush() {
  if (!isOpen()) return Errno(EBADF);
  // EINVAL: a file system that keeps nothing to flush.
  return ::fsync(Fd(native_)) == 0 || errno == EINVAL ? std::error_code() : LastErrno();
}

std::error_code HostFileHandle::close() {
  if (!isOpen()) return {};
  const int fd = Fd(std::exchange(native_, kClosed));
  return ::close(fd) == 0 ? std::error_code() : LastErrno();
}

std::error_code ReplaceHostFile(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastErrno();
}

void RemoveHostFile(const fs::path& path) { ::unlink(path.c_str()); }

void RemoveHostFileNow(const fs::path::value_type* name) { ::unlink(name); }

}  // namespace vestrel::platform
