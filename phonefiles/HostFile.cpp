#include "phonefiles/HostFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace vestrel::phonefiles {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinks = 40;  // as the kernel's own limit on nested symlinks
// Room kept in a file name for the unique part and the suffix of a temporary name.
constexpr std::size_t kTemporaryNameRoom = 24;

std::error_code Code(int errnoValue) {
  return {errnoValue ? errnoValue : EIO, std::generic_category()};
}

// The file a chain of symlinks ends at (the path itself when it is none); its lstat in `st`,
// or errno ENOENT in `missing` when the chain ends at a name that does not exist yet.
bool Resolve(fs::path& path, struct stat& st, bool& missing, int& errnoValue) {
  missing = false;
  for (int depth = 0; depth <= kMaxLinks; ++depth) {
    if (::lstat(path.c_str(), &st) != 0) {
      if (errno == ENOENT) {
        missing = true;
        return true;
      }
      errnoValue = errno;
      return false;
    }
    if (!S_ISLNK(st.st_mode)) return true;
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t n = ::readlink(path.c_str(), target.data(), PATH_MAX);
    if (n < 0) {
      errnoValue = errno;
      return false;
    }
    const fs::path next(std::string(target.data(), static_cast<std::size_t>(n)));
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  errnoValue = ELOOP;
  return false;
}

unsigned NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666u & ~static_cast<unsigned>(mask);
}

// "<folder>/<name>.XXXXXX<suffix>" as mkstemps wants it, the name shortened to fit.
std::string TemplateFor(const fs::path& folder, std::string name, const std::string& suffix) {
  if (name.size() + suffix.size() + kTemporaryNameRoom > NAME_MAX) {
    name.resize(NAME_MAX - suffix.size() - kTemporaryNameRoom);
  }
  const fs::path dir = folder.empty() ? fs::path(".") : folder;
  return (dir / (name + ".XXXXXX" + suffix)).string();
}

// Creates the file exclusively (O_EXCL: a link at that name is never followed).
int CreateUnique(std::string& pattern, std::size_t suffixLength) {
  return ::mkostemps(pattern.data(), static_cast<int>(suffixLength), O_CLOEXEC);
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes, int& errnoValue) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      errnoValue = errno;
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
  return true;
}

HostError Failure(const char* what, const fs::path& path, int errnoValue) {
  return {HostError::Failed, path, Code(errnoValue), what};
}

}  // namespace

std::string HostError::Describe() const {
  switch (kind) {
    case None:
      return {};
    case ReadOnly:
      return path.string() + " is read-only";
    case Failed:
      break;
  }
  return what + " " + path.string() + ": " + code.message();
}

std::unique_ptr<HostTarget> HostTarget::Open(const fs::path& destination, bool force,
                                             HostError& error) {
  error = {};
  fs::path target = destination;
  struct stat st {};
  bool missing = false;
  int errnoValue = 0;
  if (!Resolve(target, st, missing, errnoValue)) {
    error = Failure("cannot open", destination, errnoValue);
    return nullptr;
  }
  if (!missing && S_ISDIR(st.st_mode)) {
    error = Failure("cannot write", target, EISDIR);
    return nullptr;
  }
  if (!missing && !S_ISREG(st.st_mode)) {
    // A FIFO, a device or a socket is the reader's own: it gets the bytes as they come. Opened
    // without blocking, so a FIFO nobody reads fails (ENXIO) instead of hanging.
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
      error = Failure("cannot open", target, errno);
      return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return std::unique_ptr<HostTarget>(new HostTarget(fd, target, {}, 0));
  }
  unsigned mode = NewFileMode();
  if (!missing) {
    mode = st.st_mode & 07777u;
    const bool writable = ::access(target.c_str(), W_OK) == 0 && (mode & 0222u) != 0;
    if (!writable && !force) {
      error = {HostError::ReadOnly, target, {}, "cannot replace"};
      return nullptr;
    }
  }
  std::string pattern = TemplateFor(target.parent_path(), target.filename().string(), ".partial");
  const int fd = CreateUnique(pattern, std::string_view(".partial").size());
  if (fd < 0) {
    error = Failure("cannot create a temporary file beside", target, errno);
    return nullptr;
  }
  return std::unique_ptr<HostTarget>(new HostTarget(fd, target, pattern, mode));
}

HostTarget::HostTarget(int fd, fs::path destination, fs::path temporary, unsigned mode)
    : fd_(fd),
      destination_(std::move(destination)),
      temporary_(std::move(temporary)),
      mode_(mode) {}

HostTarget::~HostTarget() { Discard(); }

void HostTarget::Fail(const char* what, const fs::path& path, int errnoValue) {
  if (!error_) error_ = Failure(what, path, errnoValue);
}

bool HostTarget::Write(std::span<const std::uint8_t> bytes) {
  if (fd_ < 0) {
    Fail("cannot write", destination_, EBADF);
    return false;
  }
  int errnoValue = 0;
  if (WriteAll(fd_, bytes, errnoValue)) return true;
  Fail("cannot write", temporary_.empty() ? destination_ : temporary_, errnoValue);
  return false;
}

bool HostTarget::Commit() {
  if (fd_ < 0) {
    Fail("cannot write", destination_, EBADF);
    return false;
  }
  if (temporary_.empty()) {
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) Fail("cannot write", destination_, errno);
    return closed == 0;
  }
  bool ok = true;
  if (::fchmod(fd_, static_cast<mode_t>(mode_)) != 0) {
    Fail("cannot set the permissions of", temporary_, errno);
    ok = false;
  }
  if (ok && ::fsync(fd_) != 0 && errno != EINVAL) {
    Fail("cannot write", temporary_, errno);
    ok = false;
  }
  if (::close(fd_) != 0 && ok) {
    Fail("cannot write", temporary_, errno);
    ok = false;
  }
  fd_ = -1;
  if (ok && ::rename(temporary_.c_str(), destination_.c_str()) != 0) {
    Fail("cannot rename the copy to", destination_, errno);
    ok = false;
  }
  if (ok) {
    temporary_.clear();
    return true;
  }
  ::unlink(temporary_.c_str());
  temporary_.clear();
  return false;
}

void HostTarget::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

std::unique_ptr<HostSource> HostSource::Open(const fs::path& path, HostError& error) {
  error = {};
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = Failure("cannot open", path, errno);
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    error = Failure("cannot read", path, errno);
    ::close(fd);
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    // Only a regular file has a size to check the phone's free space against.
    error = Failure("cannot read", path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    error.what = S_ISDIR(st.st_mode) ? "cannot read" : "not a regular file:";
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<HostSource>(new HostSource(fd, path, st.st_size));
}

HostSource::HostSource(int fd, fs::path path, std::int64_t size)
    : fd_(fd), path_(std::move(path)), size_(size) {}

HostSource::~HostSource() { ::close(fd_); }

std::int64_t HostSource::Read(std::span<std::uint8_t> buffer) {
  const auto wanted = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), size_ - read_));
  std::size_t got = 0;
  while (got < wanted) {
    const ssize_t n = ::read(fd_, buffer.data() + got, wanted - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error_ = Failure("cannot read", path_, errno);
      return -1;
    }
    if (n == 0) {
      error_ = Failure("cannot read", path_, ENODATA);
      error_.what = "the file got shorter while it was read:";
      return -1;
    }
    got += static_cast<std::size_t>(n);
  }
  read_ += static_cast<std::int64_t>(got);
  return static_cast<std::int64_t>(got);
}

std::unique_ptr<KeptFile> KeptFile::Create(const fs::path& folder, const std::string& prefix,
                                           HostError& error) {
  error = {};
  std::string pattern = TemplateFor(folder, prefix, "");
  const int fd = CreateUnique(pattern, 0);
  if (fd < 0) {
    error = Failure("cannot create a file in", folder, errno);
    return nullptr;
  }
  return std::unique_ptr<KeptFile>(new KeptFile(fd, pattern));
}

KeptFile::KeptFile(int fd, fs::path path) : fd_(fd), path_(std::move(path)) {}

KeptFile::~KeptFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool KeptFile::Write(std::span<const std::uint8_t> bytes) {
  int errnoValue = 0;
  if (fd_ >= 0 && WriteAll(fd_, bytes, errnoValue)) return true;
  if (!error_) error_ = Failure("cannot write", path_, fd_ < 0 ? EBADF : errnoValue);
  return false;
}

bool KeptFile::Close() {
  if (fd_ < 0) return !error_;
  const bool synced = ::fsync(fd_) == 0 || errno == EINVAL;
  const int syncError = errno;
  const bool closed = ::close(fd_) == 0;
  const int closeError = errno;
  fd_ = -1;
  if (synced && closed) return !error_;
  if (!error_) error_ = Failure("cannot write", path_, synced ? closeError : syncError);
  return false;
}

void KeptFile::Remove() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  ::unlink(path_.c_str());
}

}  // namespace vestrel::phonefiles
