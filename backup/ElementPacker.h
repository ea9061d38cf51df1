#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "platform/Shell.h"

namespace vestrel::backup {

// Hands one saved file to the archiver so that the archiver never takes its
// only copy: the file must match its line in the folder's SHA256SUMS; a second name keeps its
// bytes while "a -df -ep -m5 ARCHIVE FILE" packs (and deletes) it; the archive must pass the
// archiver's own "t ARCHIVE"; only then the second name goes and SHA256SUMS lists the archive
// in place of the file. Any failure puts the file back under its name and says so.
//
// Used by BackupRun on the run's thread; Pack blocks until the archiver has ended twice.
class ElementPacker {
 public:
  // `log` receives each Russian log message as it happens.
  ElementPacker(platform::Shell& shell, std::function<void(const std::string&)> log);

  struct Result {
    bool packed = false;
    std::string archive;  // the archive's name in the file's folder, once packed
    std::string failure;  // why the file was not packed (English), empty when packed
  };
  // Packs `file` with the archiver at `archiver`.
  Result Pack(const std::filesystem::path& archiver, const std::filesystem::path& file);

  // The second name a file keeps while it is packed.
  static constexpr const char* kPackingSuffix = ".packing";

 private:
  // Puts the packed file back from its second name; false when neither name holds it.
  bool Restore(const std::filesystem::path& file, const std::filesystem::path& kept);

  platform::Shell& shell_;
  std::function<void(const std::string&)> log_;
};

}  // namespace vestrel::backup
