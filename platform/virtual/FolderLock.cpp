#include "platform/virtual/FolderLock.h"

#include <cstdint>
#include <stdexcept>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace vestrel::virtualphone {

namespace {

namespace fs = std::filesystem;
constexpr std::chrono::milliseconds kRetry{50};

[[noreturn]] void Refuse(const fs::path& folder, const std::string& why) {
  throw std::runtime_error("cannot use the virtual phone folder " + folder.string() + ": " + why);
}

#ifdef _WIN32
std::intptr_t OpenLockFile(const fs::path& file) {
  HANDLE h =
      CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(h);
}
bool TryLock(std::intptr_t handle) {
  OVERLAPPED at{};
  return LockFileEx(reinterpret_cast<HANDLE>(handle),
                    LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}
void CloseLockFile(std::intptr_t handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }
std::string LastError() { return std::system_category().message(static_cast<int>(GetLastError())); }
#else
std::intptr_t OpenLockFile(const fs::path& file) {
  // Never through a link planted at the lock's name.
  return ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
}
// flock: held by this open file, so a second lock in the same process waits too; released by
// the OS when the process ends, however it ends.
bool TryLock(std::intptr_t handle) {
  return ::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0;
}
void CloseLockFile(std::intptr_t handle) { ::close(static_cast<int>(handle)); }
std::string LastError() { return std::generic_category().message(errno); }
#endif

}  // namespace

std::unique_ptr<FolderLock> FolderLock::Acquire(const fs::path& folder,
                                                std::chrono::milliseconds patience) {
  const std::intptr_t handle = OpenLockFile(folder / "lock");
  if (handle == -1) Refuse(folder, "cannot open its lock file: " + LastError());
  const auto giveUp = std::chrono::steady_clock::now() + patience;
  while (!TryLock(handle)) {
    if (std::chrono::steady_clock::now() >= giveUp) {
      CloseLockFile(handle);
      Refuse(folder,
             "another run is using it (waited " + std::to_string(patience.count() / 1000) + " s)");
    }
    std::this_thread::sleep_for(kRetry);
  }
  return std::unique_ptr<FolderLock>(new FolderLock(handle));
}

FolderLock::~FolderLock() { CloseLockFile(handle_); }

}  // namespace vestrel::virtualphone
