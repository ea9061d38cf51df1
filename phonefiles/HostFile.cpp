#include "phonefiles/HostFile.h"

#include <algorithm>
#include <cerrno>

namespace vestrel::phonefiles {

namespace {

namespace fs = std::filesystem;
using platform::HostFileHandle;
using platform::HostPathState;

constexpr std::string_view kPartialSuffix = ".partial";

std::error_code Errno(int value) { return {value, std::generic_category()}; }

HostError Failure(const char* what, const fs::path& path, std::error_code code) {
  return {HostError::Failed, path, code ? code : Errno(EIO), what};
}

}  // namespace

std::string HostError::Describe() const {
  switch (kind) {
    case None:
      return {};
    case ReadOnly:
      return platform::Utf8FromPath(path) + " is read-only";
    case Failed:
      break;
  }
  return what + " " + platform::Utf8FromPath(path) + ": " + code.message();
}

std::unique_ptr<HostTarget> HostTarget::Open(const fs::path& destination, bool force,
                                             HostError& error) {
  error = {};
  HostPathState state;
  if (const auto code = platform::InspectHostPath(destination, state)) {
    error = Failure("cannot open", destination, code);
    return nullptr;
  }
  const fs::path& target = state.resolved;
  std::error_code code;
  switch (state.kind) {
    case HostPathState::Folder:
      error = Failure("cannot write", target, Errno(EISDIR));
      return nullptr;
    case HostPathState::Device: {
      // A FIFO, a device or a pipe is the reader's own: it gets the bytes as they come.
      HostFileHandle file = HostFileHandle::OpenDevice(target, code);
      if (code) {
        error = Failure("cannot open", target, code);
        return nullptr;
      }
      return std::unique_ptr<HostTarget>(new HostTarget(std::move(file), target, {}, 0));
    }
    case HostPathState::Regular:
      if (!state.writable && !force) {
        error = {HostError::ReadOnly, target, {}, "cannot replace"};
        return nullptr;
      }
      break;
    case HostPathState::Missing:
      state.keep = platform::NewHostFileKeep();
      break;
  }
  fs::path temporary;
  HostFileHandle file = HostFileHandle::CreateUnique(target.parent_path(), target.filename(),
                                                     kPartialSuffix, temporary, code);
  if (code) {
    error = Failure("cannot write", target, code);
    return nullptr;
  }
  return std::unique_ptr<HostTarget>(
      new HostTarget(std::move(file), target, std::move(temporary), state.keep));
}

HostTarget::HostTarget(HostFileHandle file, fs::path destination, fs::path temporary,
                       std::uint32_t keep)
    : file_(std::move(file)),
      destination_(std::move(destination)),
      temporary_(std::move(temporary)),
      keep_(keep) {}

HostTarget::~HostTarget() { Discard(); }

void HostTarget::Fail(const char* what, const fs::path& path, std::error_code code) {
  if (!error_) error_ = Failure(what, path, code);
}

bool HostTarget::Write(std::span<const std::uint8_t> bytes) {
  if (!file_.isOpen()) {
    Fail("cannot write", destination_, Errno(EBADF));
    return false;
  }
  const auto code = file_.write(bytes);
  if (!code) return true;
  Fail("cannot write", temporary_.empty() ? destination_ : temporary_, code);
  return false;
}

bool HostTarget::Commit() {
  if (!file_.isOpen()) {
    Fail("cannot write", destination_, Errno(EBADF));
    return false;
  }
  if (temporary_.empty()) {
    const auto code = file_.close();
    if (code) Fail("cannot write", destination_, code);
    return !code;
  }
  bool ok = true;
  if (const auto code = file_.giveKeep(keep_)) {
    Fail("cannot set the permissions of", temporary_, code);
    ok = false;
  }
  if (ok) {
    if (const auto code = file_.flush()) {
      Fail("cannot write", temporary_, code);
      ok = false;
    }
  }
  if (const auto code = file_.close(); code && ok) {
    Fail("cannot write", temporary_, code);
    ok = false;
  }
  if (ok) {
    if (const auto code = platform::ReplaceHostFile(temporary_, destination_)) {
      Fail("cannot rename the copy to", destination_, code);
      ok = false;
    }
  }
  if (!ok) platform::RemoveHostFile(temporary_);
  temporary_.clear();
  return ok;
}

void HostTarget::Discard() {
  file_.close();
  if (!temporary_.empty()) platform::RemoveHostFile(temporary_);
  temporary_.clear();
}

std::unique_ptr<HostSource> HostSource::Open(const fs::path& path, HostError& error) {
  error = {};
  std::int64_t size = 0;
  std::error_code code;
  HostFileHandle file = HostFileHandle::OpenRegular(path, size, code);
  if (code) {
    // Only a regular file has a size to check the phone's free space against.
    error = Failure(code == Errno(EINVAL) ? "not a regular file:" : "cannot read", path, code);
    return nullptr;
  }
  return std::unique_ptr<HostSource>(new HostSource(std::move(file), path, size));
}

HostSource::HostSource(HostFileHandle file, fs::path path, std::int64_t size)
    : file_(std::move(file)), path_(std::move(path)), size_(size) {}

HostSource::~HostSource() = default;

std::int64_t HostSource::Read(std::span<std::uint8_t> buffer) {
  const auto wanted = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), size_ - read_));
  std::size_t got = 0;
  while (got < wanted) {
    std::size_t n = 0;
    if (const auto code = file_.read(buffer.subspan(got, wanted - got), n)) {
      error_ = Failure("cannot read", path_, code);
      return -1;
    }
    if (n == 0) {
      error_ = Failure("the file got shorter while it was read:", path_, Errno(ENODATA));
      return -1;
    }
    got += n;
  }
  read_ += static_cast<std::int64_t>(got);
  return static_cast<std::int64_t>(got);
}

std::unique_ptr<KeptFile> KeptFile::Create(const fs::path& folder, const std::string& prefix,
                                           HostError& error) {
  error = {};
  fs::path made;
  std::error_code code;
  HostFileHandle file =
      HostFileHandle::CreateUnique(folder, platform::PathFromUtf8(prefix), "", made, code);
  if (code) {
    error = Failure("cannot create a file in", folder, code);
    return nullptr;
  }
  return std::unique_ptr<KeptFile>(new KeptFile(std::move(file), std::move(made)));
}

KeptFile::KeptFile(HostFileHandle file, fs::path path)
    : file_(std::move(file)), path_(std::move(path)) {}

KeptFile::~KeptFile() = default;

bool KeptFile::Write(std::span<const std::uint8_t> bytes) {
  const auto code = file_.isOpen() ? file_.write(bytes) : Errno(EBADF);
  if (!code) return true;
  if (!error_) error_ = Failure("cannot write", path_, code);
  return false;
}

bool KeptFile::Close() {
  if (!file_.isOpen()) return !error_;
  const auto flushed = file_.flush();
  const auto closed = file_.close();
  if (!flushed && !closed) return !error_;
  if (!error_) error_ = Failure("cannot write", path_, flushed ? flushed : closed);
  return false;
}

void KeptFile::Remove() {
  file_.close();
  platform::RemoveHostFile(path_);
}

}  // namespace vestrel::phonefiles
