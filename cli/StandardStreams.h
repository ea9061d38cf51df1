#pragma once

// "-" for pull and push: standard output and standard input through a scratch file of our own.
// A download lands whole in the scratch file before any byte reaches standard output, so a
// failed pull writes nothing there; an upload needs its size before it starts (the free space
// is checked first), so standard input is read to its end first.

#include <cstdint>
#include <filesystem>
#include <memory>

#include "cli/Interrupt.h"
#include "phonefiles/HostFile.h"

namespace vestrel::cli {

// A new, empty file made exclusively in the system's temporary folder. It is removed when the
// object goes, and by `stop`'s forced end; `stop` must outlive it. Throws OperationFailed when
// no file can be made there.
class ScratchFile {
 public:
  explicit ScratchFile(StopOnSignal& stop);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The bytes FillFromStandardInput put there.
  std::int64_t Filled() const { return filled_; }

  // Closes the file, keeping it, so that a download can put its copy in the file's place
  // (Windows refuses to replace a file that is open). Throws OperationFailed when the close
  // failed.
  void MakeReplaceable();
  // Fills the file with standard input up to its end. False when a signal stopped the reading;
  // throws OperationFailed when standard input cannot be read or the file not written.
  bool FillFromStandardInput();
  // Writes the file's bytes to standard output. False when a signal stopped the writing;
  // throws OperationFailed when the reader has gone (a broken pipe) or the write failed.
  bool SendToStandardOutput();
  // Of the file SendToStandardOutput sends: its size, and the bytes that got out, also when it
  // stopped or failed.
  std::int64_t ToSend() const { return toSend_; }
  std::int64_t Sent() const { return sent_; }

 private:
  StopOnSignal& stop_;
  std::unique_ptr<phonefiles::KeptFile> file_;
  std::filesystem::path path_;
  std::int64_t filled_ = 0;
  std::int64_t toSend_ = 0;
  std::int64_t sent_ = 0;
};

}  // namespace vestrel::cli
