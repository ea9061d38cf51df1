#include "cli/StandardStreams.h"

#include <cstdint>
#include <vector>

#include "cli/Commands.h"
#include "platform/Console.h"

namespace vestrel::cli {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = 64 * 1024;

[[noreturn]] void StreamFailed(const char* what, const platform::OsError& error) {
  throw OperationFailed(std::string(what) + ": " + error.text() +
                        (error.name() == "EPIPE" ? " (the reader stopped reading)" : ""));
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
  stop_.ForgetOnForcedExit(path_);
  file_->Remove();
}

void ScratchFile::MakeReplaceable() {
  if (!file_->Close()) throw OperationFailed(file_->Error().Describe());
}

bool ScratchFile::FillFromStandardInput() {
  std::vector<std::uint8_t> buffer(kChunk);
  for (;;) {
    const auto n = platform::ReadStandardInput(buffer);
    if (stop_.Requested()) return false;
    if (!n.value) {
      if (n.error.name() == "EINTR") continue;
      StreamFailed("cannot read standard input", n.error);
    }
    if (*n.value == 0) break;
    if (!file_->Write({buffer.data(), *n.value})) {
      throw OperationFailed(file_->Error().Describe());
    }
    filled_ += static_cast<std::int64_t>(*n.value);
  }
  if (!file_->Close()) throw OperationFailed(file_->Error().Describe());
  return true;
}

bool ScratchFile::SendToStandardOutput() {
  phonefiles::HostError error;
  auto source = phonefiles::HostSource::Open(path_, error);
  if (!source) throw OperationFailed(error.Describe());
  toSend_ = source->Size();
  std::vector<std::uint8_t> buffer(kChunk);
  for (;;) {
    const std::int64_t got = source->Read(buffer);
    if (got < 0) throw OperationFailed(source->Error().Describe());
    if (got == 0) return true;
    const std::uint8_t* next = buffer.data();
    std::size_t left = static_cast<std::size_t>(got);
    while (left > 0) {
      const auto n = platform::WriteStandardOutput({next, left});
      if (n.value) {
        next += *n.value;
        left -= *n.value;
        sent_ += static_cast<std::int64_t>(*n.value);
      }
      if (stop_.Requested()) return false;
      if (!n.value) {
        if (n.error.name() == "EINTR") continue;
        StreamFailed("cannot write to standard output", n.error);
      }
    }
  }
}

}  // namespace vestrel::cli
