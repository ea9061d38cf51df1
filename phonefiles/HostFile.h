#pragma once

// Host files written and read safely, for downloads and backups: a destination is never
// replaced until what goes there is whole, no link planted at a temporary name is followed, and
// what a failed copy made is removed. The OS calls are the platform's (platform/HostFileSystem.h).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <system_error>

#include "platform/HostFileSystem.h"

namespace vestrel::phonefiles {

// Why a host file could not be opened.
struct HostError {
  enum Kind { None, ReadOnly, Failed } kind = None;
  std::filesystem::path path;  // the file concerned
  std::error_code code;        // the OS's reason (Failed)
  std::string what;            // what was being done: "cannot create", "cannot write", ...

  explicit operator bool() const { return kind != None; }
  // "cannot create /x/y: Permission denied"; for ReadOnly "/x/y is read-only".
  std::string Describe() const;
};

// Where a download goes. A new or regular destination gets a temporary file, created
// exclusively (so a link planted at its name is never followed) under a unique name in the same
// folder, and renamed over the destination by Commit; a FIFO or device is written directly; a
// symlink is followed to what it names, so the link itself stays. A destination the user cannot
// write, or one without any write permission bit, is refused as ReadOnly unless `force`.
// Destroying a target that was not committed removes its temporary file.
class HostTarget {
 public:
  static std::unique_ptr<HostTarget> Open(const std::filesystem::path& destination, bool force,
                                          HostError& error);
  ~HostTarget();
  HostTarget(const HostTarget&) = delete;
  HostTarget& operator=(const HostTarget&) = delete;

  // False when the bytes could not be written; Error() then says why.
  bool Write(std::span<const std::uint8_t> bytes);
  // Flushes, closes and puts the file in place. False (with Error()) when that failed; the
  // temporary file is then removed and the destination is as it was.
  bool Commit();
  // Removes the temporary file now (a direct target is only closed).
  void Discard();

  const HostError& Error() const { return error_; }
  // The file that finally gets the bytes (the symlink's target for a symlink).
  const std::filesystem::path& Destination() const { return destination_; }
  // The temporary file; empty for a direct target.
  const std::filesystem::path& Temporary() const { return temporary_; }

 private:
  HostTarget(platform::HostFileHandle file, std::filesystem::path destination,
             std::filesystem::path temporary, std::uint32_t keep);
  void Fail(const char* what, const std::filesystem::path& path, std::error_code code);

  platform::HostFileHandle file_;
  std::filesystem::path destination_;
  std::filesystem::path temporary_;
  std::uint32_t keep_;  // given to the temporary file before it takes the destination's place
  HostError error_;
};

// A regular host file read from start to end; a file that shrinks while it is read is a
// failure, not a short copy.
class HostSource {
 public:
  static std::unique_ptr<HostSource> Open(const std::filesystem::path& path, HostError& error);
  ~HostSource();
  HostSource(const HostSource&) = delete;
  HostSource& operator=(const HostSource&) = delete;

  std::int64_t Size() const { return size_; }
  // The bytes put into `buffer`, 0 at the end, -1 on failure (Error() says why).
  std::int64_t Read(std::span<std::uint8_t> buffer);
  const HostError& Error() const { return error_; }

 private:
  HostSource(platform::HostFileHandle file, std::filesystem::path path, std::int64_t size);

  platform::HostFileHandle file_;
  std::filesystem::path path_;
  std::int64_t size_;
  std::int64_t read_ = 0;
  HostError error_;
};

// A new file of our own in `folder`, created exclusively under a unique name starting with
// `prefix`; it stays when the object goes (the caller decides what becomes of it).
class KeptFile {
 public:
  static std::unique_ptr<KeptFile> Create(const std::filesystem::path& folder,
                                          const std::string& prefix, HostError& error);
  ~KeptFile();
  KeptFile(const KeptFile&) = delete;
  KeptFile& operator=(const KeptFile&) = delete;

  bool Write(std::span<const std::uint8_t> bytes);
  // Flushes and closes; false (with Error()) when that failed.
  bool Close();
  void Remove();
  const std::filesystem::path& Path() const { return path_; }
  const HostError& Error() const { return error_; }

 private:
  KeptFile(platform::HostFileHandle file, std::filesystem::path path);

  platform::HostFileHandle file_;
  std::filesystem::path path_;
  HostError error_;
};

}  // namespace vestrel::phonefiles
