// Host to phone: the phone file ends up with its new content or keeps its old one.
#include <filesystem>

#include "phonefiles/HostFile.h"
#include "phonefiles/PhoneCall.h"
#include "phonefiles/PhoneFiles.h"
#include "phonelink/MotoSysUtils.h"
#include "phonelink/PhoneText.h"

namespace vestrel::phonefiles {

namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kKeptBits = faReadOnly | faHidden | faSystem;

std::string Shown(std::string_view phoneName) { return PhoneTextForDisplay(phoneName); }

fs::path KeepFolder(const TransferOptions& options) {
  if (!options.keepFolder.empty()) return options.keepFolder;
  std::error_code ignored;
  return fs::temp_directory_path(ignored);
}

// Copies a host file to the phone through the item; `cause` gets the reason of a failure.
CopyEnd Send(TMotoP2KModemItem& phone, HostSource& source, std::string_view phoneName,
             const ProgressCallback& progress) {
  const BlockSource blocks = [&source](std::span<std::uint8_t> buffer) {
    return source.Read(buffer);
  };
  std::int64_t sent = 0;
  return phone.CopyToPhone(blocks, source.Size(), phoneName, kUploadBlock, progress, sent);
}

}  // namespace

Result PhoneFiles::Upload(const fs::path& hostPath, std::string_view phoneName,
                          const TransferOptions& options) {
  if (!IsPhoneName(phoneName)) {
    return Failed(Failure::BadName, "not a phone file name: " + Shown(phoneName));
  }
  HostError opened;
  auto source = HostSource::Open(hostPath, opened);
  if (!source) return HostFailure(opened);
  if (source->Size() == 0) {
    return Failed(Failure::BadName, hostPath.string() + " is empty; the phone takes no empty file");
  }

  // What is there now decides whether the upload may go ahead.
  P2KFileRecord old;
  Result found = Find(phoneName, old);
  if (found.failure != Failure::NotFound && !found.ok()) return found;
  const bool replaces = found.ok();
  if (replaces && (old.Attr & faReadOnly) != 0 && !options.force) {
    return Failed(Failure::ReadOnly,
                  Shown(phoneName) + " is ReadOnly on the phone; it was not replaced");
  }
  const std::string volume = VolumeOf(phoneName);
  std::vector<std::string> volumes;
  if (Result listed = Volumes(volumes); !listed.ok()) return listed;
  if (std::find(volumes.begin(), volumes.end(), volume) == volumes.end()) {
    return Failed(Failure::NotFound, "the phone has no volume " + Shown(volume));
  }
  std::int64_t free = 0;
  if (Result asked = FreeSpace(volume, free); !asked.ok()) return asked;
  const std::int64_t room = free + (replaces ? static_cast<std::int64_t>(old.Size) : 0);
  if (source->Size() > room) {
    return Failed(Failure::NoSpace,
                  hostPath.string() + " needs " + std::to_string(source->Size()) + " bytes; " +
                      volume + " has " + std::to_string(room) +
                      (replaces ? " counting the file it would replace" : " free"));
  }

  fs::path kept;
  if (replaces) {
    if (Result keptOk = KeepOldContent(phoneName, old, options, kept); !keptOk.ok()) {
      return keptOk;
    }
  }

  PhoneCall call(*phone_);
  const CopyEnd end = Send(*phone_, *source, phoneName, options.progress);
  Result cause;
  if (end == CopyEnd::HostFailed) {
    cause = HostFailure(source->Error());
  } else if (end == CopyEnd::StoppedByCaller) {
    cause = Failed(Failure::Stopped, "the copy to " + Shown(phoneName) + " was stopped");
  } else if (end == CopyEnd::PhoneFailed) {
    cause = call.Fail(Failure::Phone, "the phone did not take " + Shown(phoneName));
  } else {
    // Confirmed only when the phone lists it with the size that was sent.
    P2KFileRecord now;
    Result listed = Find(phoneName, now);
    if (!listed.ok()) {
      cause = Failed(Failure::Phone,
                     "the phone did not confirm " + Shown(phoneName) + ": " + listed.message);
    } else if (now.Size != static_cast<std::uint64_t>(source->Size())) {
      cause = Failed(Failure::Phone, "the phone lists " + Shown(phoneName) + " with " +
                                         std::to_string(now.Size) + " bytes instead of " +
                                         std::to_string(source->Size()));
    }
  }
  if (!cause.ok()) return PutBack(phoneName, replaces ? &old : nullptr, kept, std::move(cause));

  std::error_code ignored;
  if (!kept.empty()) fs::remove(kept, ignored);
  // A file it replaced keeps its attributes; the upload itself creates the file without any.
  if (replaces && (old.Attr & kKeptBits) != 0) {
    call.Forget();
    if (!phone_->FileSetAttribute(phoneName, old.Attr & kKeptBits)) {
      return call.Fail(Failure::Phone, Shown(phoneName) + " was copied, but its attributes " +
                                           AttrToText(old.Attr & kKeptBits) +
                                           " could not be set again");
    }
  }
  return {};
}

// The old content goes to a host file before anything is written to the phone.
Result PhoneFiles::KeepOldContent(std::string_view phoneName, const P2KFileRecord& old,
                                  const TransferOptions& options, fs::path& kept) {
  if (old.Size == 0) return {};  // an empty file is put back by creating it again
  HostError made;
  const std::string base = ExtractPhoneFileName(std::string(phoneName));
  auto file = KeptFile::Create(KeepFolder(options), "vestrel-kept-" + PhoneTextToUtf8(base), made);
  if (!file) return HostFailure(made);
  PhoneCall call(*phone_);
  const BlockSink sink = [&file](std::span<const std::uint8_t> block) {
    return file->Write(block);
  };
  std::int64_t done = 0;
  const CopyEnd end = phone_->CopyFromPhone(phoneName, sink, kDownloadBlock, old.Size, {}, done);
  const bool closed = file->Close();
  if (end == CopyEnd::Whole && closed) {
    kept = file->Path();
    return {};
  }
  file->Remove();
  if (end == CopyEnd::HostFailed || !closed) {
    Result failed = HostFailure(file->Error());
    failed.message += "; nothing was sent to the phone";
    return failed;
  }
  return call.Fail(Failure::Phone, "the phone did not hand over the file it would replace, " +
                                       Shown(phoneName) + "; nothing was sent to it");
}

// After a failed upload: the old content goes back, or a new file that did not arrive whole is
// removed. `cause` says why the upload failed and is returned with what became of the file.
Result PhoneFiles::PutBack(std::string_view phoneName, const P2KFileRecord* old,
                           const fs::path& kept, Result cause) {
  PhoneCall call(*phone_);
  if (old == nullptr) {
    P2KFileRecord left;
    const bool removed =
        phone_->FileDelete(phoneName) || Find(phoneName, left).failure == Failure::NotFound;
    cause.message += removed ? "; nothing was left on the phone"
                             : "; what arrived of it may still be on the phone";
    return cause;
  }
  bool restored = false;
  if (kept.empty()) {
    // It was empty: opening it again with its attributes makes it so.
    restored = phone_->FileSetAttribute(phoneName, old->Attr & kKeptBits);
  } else {
    HostError opened;
    auto source = HostSource::Open(kept, opened);
    restored = source && Send(*phone_, *source, phoneName, {}) == CopyEnd::Whole;
    if (restored && (old->Attr & kKeptBits) != 0) {
      restored = phone_->FileSetAttribute(phoneName, old->Attr & kKeptBits);
    }
  }
  if (restored) {
    std::error_code ignored;
    if (!kept.empty()) fs::remove(kept, ignored);
    cause.message += "; the phone file was put back as it was";
    return cause;
  }
  if (kept.empty()) {
    cause.message += "; the phone file could not be put back (it was empty)";
    return cause;
  }
  cause.keptCopy = kept;
  cause.message += "; its old content could not be put back and is kept in " + kept.string();
  return cause;
}

}  // namespace vestrel::phonefiles
