#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include "phonefiles/HostFile.h"

namespace vestrel::backup {

// One backup file being written. The bytes go to a temporary file beside it (phonefiles'
// HostTarget), so the file's own name only ever holds a whole dump, or what was there before.
// Used by BackupRun on the run's thread; the stream fails once `stop` says so, which ends the
// memory read at its next block.
class ElementFile {
 public:
  // Null, with `error` saying why, when the file cannot be made (a read-only file of that name,
  // a folder that cannot be written).
  static std::unique_ptr<ElementFile> Open(const std::filesystem::path& file,
                                           std::function<bool()> stop,
                                           phonefiles::HostError& error);
  ~ElementFile();
  ElementFile(const ElementFile&) = delete;
  ElementFile& operator=(const ElementFile&) = delete;

  // Where the phone's memory goes.
  std::ostream& Stream() { return stream_; }
  std::uint64_t Written() const { return written_; }
  // True once a write was refused because the run was asked to stop.
  bool Stopped() const { return stopped_; }
  // The host's reason for a failed write or commit; false when the host did nothing wrong.
  const phonefiles::HostError& HostFailure() const;

  // Puts the whole dump in place under its name; false when the host refused (HostFailure).
  bool Commit();
  // Drops the temporary file and keeps what arrived apart from the backup's names, in
  // "<name>.incomplete.XXXXXX" beside it. Returns that file; empty when nothing had arrived,
  // the bytes went straight to a device, or the host could not keep them.
  std::filesystem::path KeepApart();

 private:
  class Buffer final : public std::streambuf {
   public:
    explicit Buffer(ElementFile& owner) : owner_(owner) {}

   protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override;
    int_type overflow(int_type c) override;

   private:
    ElementFile& owner_;
  };

  ElementFile(std::unique_ptr<phonefiles::HostTarget> target, std::function<bool()> stop);
  bool Take(const char* bytes, std::size_t count);

  std::unique_ptr<phonefiles::HostTarget> target_;
  std::function<bool()> stop_;
  Buffer buffer_{*this};
  std::ostream stream_{&buffer_};
  std::uint64_t written_ = 0;
  bool stopped_ = false;
};

}  // namespace vestrel::backup
