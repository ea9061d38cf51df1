#include "platform/virtual/FolderLock.h"

#include <stdexcept>
#include <thread>

#include "platform/HostFileSystem.h"

namespace vestrel::virtualphone {

namespace {

namespace fs = std::filesystem;
constexpr std::chrono::milliseconds kRetry{50};

[[noreturn]] void Refuse(const fs::path& folder, const std::string& why) {
  throw std::runtime_error("cannot use the virtual phone folder " + platform::Utf8FromPath(folder) +
                           ": " + why);
}

}  // namespace

std::unique_ptr<FolderLock> FolderLock::Acquire(const fs::path& folder,
                                                std::chrono::milliseconds patience) {
  std::error_code error;
  auto file = platform::HostFileHandle::OpenLockFile(folder / "lock", error);
  if (!file.isOpen()) Refuse(folder, "cannot open its lock file: " + error.message());
  const auto giveUp = std::chrono::steady_clock::now() + patience;
  while (!file.tryLock(error)) {
    if (error) Refuse(folder, "cannot lock its lock file: " + error.message());
    if (std::chrono::steady_clock::now() >= giveUp) {
      Refuse(folder,
             "another run is using it (waited " + std::to_string(patience.count() / 1000) + " s)");
    }
    std::this_thread::sleep_for(kRetry);
  }
  return std::unique_ptr<FolderLock>(new FolderLock(std::move(file)));
}

}  // namespace vestrel::virtualphone
