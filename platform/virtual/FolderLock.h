#pragma once

#include <chrono>
#include <filesystem>
#include <memory>

#include "platform/HostFileSystem.h"

namespace vestrel::virtualphone {

// Holds a phone folder for one run: an OS lock on the file "lock" in it, so that two runs of
// the tool, or the tool and the program, never interleave their changes to the folder. Another
// run holding it is waited for up to `patience` (real time), then Acquire throws
// std::runtime_error naming the folder: a run never hangs on a folder left open elsewhere. The
// lock goes with the object, or with the process.
class FolderLock {
 public:
  static constexpr std::chrono::milliseconds kPatience{5000};

  static std::unique_ptr<FolderLock> Acquire(const std::filesystem::path& folder,
                                             std::chrono::milliseconds patience = kPatience);
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  explicit FolderLock(platform::HostFileHandle file) : file_(std::move(file)) {}
  platform::HostFileHandle file_;  // locked; closing it lets the lock go
};

}  // namespace vestrel::virtualphone
