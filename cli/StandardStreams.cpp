#include "cli/StandardStreams.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "cli/Commands.h"

namespace vestrel::cli {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = 64 * 1024;

[[noreturn]] void StreamFailed(const char* what, int errnoValue) {
  throw OperationFailed(std::string(what) + ": " + std::strerror(errnoValue) +
                        (errnoValue == EPIPE ? " (the reader stopped reading)" : ""));
}

}  // namespace

ScratchFile::ScratchFile(StopOnSignal& stop) : stop_(stop) {
  std::error_code tempError;
  const fs::path folder = fs::temp_directory_path(tempError);
  if (tempError) {
    throw OperationFailed("no temporary folder for the copy: " + tempError.message());
  }
  phonefiles::HostError error;
  file_ = phonefiles::KeptFile::Create(folder, "vestrel-cli", error);
  if (!file_) throw OperationFailed(error.Describe());
  path_ = file_->Path();
  stop_.RemoveOnForcedExit(path_);
}

ScratchFile::~ScratchFile() {
  stop_.RemoveOnForcedExit({});
  file_->Remove();
}

bool ScratchFile::FillFromStandardInput() {
  std::vector<std::uint8_t> buffer(kChunk);
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
    if (stop_.Requested()) return false;
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      StreamFailed("cannot read standard input", errno);
    }
    if (!file_->Write({buffer.data(), static_cast<std::size_t>(n)})) {
      throw OperationFailed(file_->Error().Describe());
    }
    filled_ += n;
  }
  if (!file_->Close()) throw OperationFailed(file_->Error().Describe());
  return true;
}

bool ScratchFile::SendToStandardOutput() {
  phonefiles::HostError error;
  auto source = phonefiles::HostSource::Open(path_, error);
  if (!source) throw OperationFailed(error.Describe());
  std::vector<std::uint8_t> buffer(kChunk);
  for (;;) {
    const std::int64_t got = source->Read(buffer);
    if (got < 0) throw OperationFailed(source->Error().Describe());
    if (got == 0) return true;
    const std::uint8_t* next = buffer.data();
    std::size_t left = static_cast<std::size_t>(got);
    while (left > 0) {
      const ssize_t n = ::write(STDOUT_FILENO, next, left);
      if (stop_.Requested()) return false;
      if (n < 0) {
        if (errno == EINTR) continue;
        StreamFailed("cannot write to standard output", errno);
      }
      next += n;
      left -= static_cast<std::size_t>(n);
    }
  }
}

}  // namespace vestrel::cli
