// Host to phone: the phone file ends up with its new content or keeps its old one.
#include <filesystem>

#include "phonefiles/HostFile.h"
#include "phonefiles/PhoneCall.h"
#include "phonefiles/PhoneFiles.h"
#include "phonelink/MotoSysUtils.h"
#include "phonelink/PhoneText.h"
#include "platform/HostFileSystem.h"

namespace vestrel::phonefiles {

namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kKeptBits =
    phonelink::faReadOnly | phonelink::faHidden | phonelink::faSystem;

std::string Shown(std::string_view phoneName) { return phonelink::PhoneTextForDisplay(phoneName); }

// Said wherever the phone file may be left without the attributes it had.
std::string AttributesItHad(std::uint16_t attributes) {
  attributes &= kKeptBits;
  return attributes == 0 ? std::string()
                         : "; it had the attributes " + phonelink::AttrToText(attributes);
}

fs::path KeepFolder(const TransferOptions& options) {
  if (!options.keepFolder.empty()) return options.keepFolder;
  std::error_code ignored;
  return fs::temp_directory_path(ignored);
}

// Copies a host file to the phone through the item; `cause` gets the reason of a failure.
phonelink::CopyEnd Send(phonelink::TMotoP2KModemItem& phone, HostSource& source,
                        std::string_view phoneName, const phonelink::ProgressCallback& progress) {
  const phonelink::BlockSource blocks = [&source](std::span<std::uint8_t> buffer) {
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
    return Failed(Failure::BadName,
                  platform::Utf8FromPath(hostPath) + " is empty; the phone takes no empty file");
  }

  // What is there now decides whether the upload may go ahead.
  phonelink::P2KFileRecord old;
  Result found = Find(phoneName, old);
  if (found.failure != Failure::NotFound && !found.ok()) return found;
  const bool replaces = found.ok();
  if (replaces && (old.Attr & phonelink::faReadOnly) != 0 && !options.force) {
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
                  platform::Utf8FromPath(hostPath) + " needs " + std::to_string(source->Size()) +
                      " bytes; " + volume + " has " + std::to_string(room) +
                      (replaces ? " counting the file it would replace" : " free"));
  }

  fs::path kept;
  if (replaces) {
    if (Result keptOk = KeepOldContent(phoneName, old, options, kept); !keptOk.ok()) {
      return keptOk;
    }
  }

  PhoneCall call(*phone_);
  const phonelink::CopyEnd end = Send(*phone_, *source, phoneName, options.progress);
  Result cause;
  if (end == phonelink::CopyEnd::HostFailed) {
    cause = HostFailure(source->Error());
  } else if (end == phonelink::CopyEnd::StoppedByCaller) {
    cause = Failed(Failure::Stopped, "the copy to " + Shown(phoneName) + " was stopped");
  } else if (end == phonelink::CopyEnd::PhoneFailed) {
    cause = call.Fail(Failure::Phone, "the phone did not take " + Shown(phoneName));
  } else {
    // Confirmed only when the phone lists it with the size that was sent.
    phonelink::P2KFileRecord now;
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
  if (!cause.ok()) {
    return PutBack(phoneName, replaces ? &old : nullptr, kept, options, std::move(cause));
  }

  // A file it replaced keeps its attributes; the upload itself opens the file without any. The
  // old content stays on the host until they are back.
  if (replaces && (old.Attr & kKeptBits) != 0) {
    call.Forget();
    if (!phone_->FileSetAttribute(phoneName, old.Attr & kKeptBits)) {
      Result failed =
          call.Fail(Failure::Phone, Shown(phoneName) + " was copied, but its attributes " +
                                        phonelink::AttrToText(old.Attr & kKeptBits) +
                                        " could not be set again");
      if (!kept.empty()) {
        failed.keptCopy = kept;
        failed.message += "; its old content is kept in " + platform::Utf8FromPath(kept);
      }
      return failed;
    }
  }
  RemoveKept(kept, options);
  return {};
}

void PhoneFiles::RemoveKept(const fs::path& kept, const TransferOptions& options) {
  if (kept.empty()) return;
  std::error_code ignored;
  fs::remove(kept, ignored);
  Tell(options, kept, HostFileState::Gone);
}

// The old content goes to a host file before anything is written to the phone.
Result PhoneFiles::KeepOldContent(std::string_view phoneName, const phonelink::P2KFileRecord& old,
                                  const TransferOptions& options, fs::path& kept) {
  if (old.Size == 0) return {};  // an empty file is put back by creating it again
  HostError made;
  const std::string base = phonelink::ExtractPhoneFileName(std::string(phoneName));
  auto file = KeptFile::Create(KeepFolder(options),
                               "vestrel-kept-" + phonelink::PhoneTextToUtf8(base), made);
  if (!file) return HostFailure(made);
  Tell(options, file->Path(), HostFileState::Scratch);
  PhoneCall call(*phone_);
  const phonelink::BlockSink sink = [&file](std::span<const std::uint8_t> block) {
    return file->Write(block);
  };
  std::int64_t done = 0;
  const phonelink::CopyEnd end =
      phone_->CopyFromPhone(phoneName, sink, kDownloadBlock, old.Size, {}, done);
  const bool closed = file->Close();
  if (end == phonelink::CopyEnd::Whole && closed) {
    kept = file->Path();
    Tell(options, kept, HostFileState::KeptCopy,
         "the old content of " + Shown(phoneName) + " is kept in " + platform::Utf8FromPath(kept) +
             AttributesItHad(old.Attr));
    return {};
  }
  file->Remove();
  Tell(options, file->Path(), HostFileState::Gone);
  if (end == phonelink::CopyEnd::HostFailed || !closed) {
    Result failed = HostFailure(file->Error());
    failed.message += "; nothing was sent to the phone";
    return failed;
  }
  return call.Fail(Failure::Phone, "the phone did not hand over the file it would replace, " +
                                       Shown(phoneName) + "; nothing was sent to it");
}

// After a failed upload: the old content goes back, or a new file that did not arrive whole is
// removed. `cause` says why the upload failed and is returned with what became of the file.
Result PhoneFiles::PutBack(std::string_view phoneName, const phonelink::P2KFileRecord* old,
                           const fs::path& kept, const TransferOptions& options, Result cause) {
  PhoneCall call(*phone_);
  if (old == nullptr) {
    phonelink::P2KFileRecord left;
    const bool removed =
        phone_->FileDelete(phoneName) || Find(phoneName, left).failure == Failure::NotFound;
    cause.message += removed ? "; nothing was left on the phone"
                             : "; what arrived of it may still be on the phone";
    return cause;
  }
  const std::uint16_t attributes = old->Attr & kKeptBits;
  bool contentBack = false;
  bool attributesBack = false;
  if (kept.empty()) {
    // It was empty: opening it again with its attributes makes it so.
    contentBack = attributesBack = phone_->FileSetAttribute(phoneName, attributes);
  } else {
    HostError opened;
    auto source = HostSource::Open(kept, opened);
    contentBack = source && Send(*phone_, *source, phoneName, {}) == phonelink::CopyEnd::Whole;
    // An upload that failed after the phone opened the file has cleared them.
    attributesBack =
        contentBack && (attributes == 0 || phone_->FileSetAttribute(phoneName, attributes));
  }
  if (contentBack) RemoveKept(kept, options);
  if (attributesBack) {
    cause.message += "; the phone file was put back as it was";
  } else if (contentBack) {
    cause.message += "; its old content was put back, but its attributes " +
                     phonelink::AttrToText(attributes) + " could not be set again";
  } else if (kept.empty()) {
    cause.message +=
        "; the phone file could not be put back (it was empty)" + AttributesItHad(attributes);
  } else {
    cause.keptCopy = kept;
    cause.message += "; its old content could not be put back and is kept in " +
                     platform::Utf8FromPath(kept) + AttributesItHad(attributes);
  }
  return cause;
}

}  // namespace vestrel::phonefiles
