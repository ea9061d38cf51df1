// Volumes, listings, deleting and attributes; the copies are in Download.cpp and Upload.cpp.
#include "phonefiles/PhoneFiles.h"

#include <sstream>

#include "phonefiles/PhoneCall.h"
#include "phonelink/PhoneText.h"

namespace vestrel::phonefiles {

namespace {

constexpr std::uint16_t kEditableBits =
    phonelink::faReadOnly | phonelink::faHidden | phonelink::faSystem;

std::string Shown(std::string_view phoneName) { return phonelink::PhoneTextForDisplay(phoneName); }

// "/a/mobile/" and "/a/mobile" name the same folder.
std::string WithoutTrailingSlashes(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return std::string(path);
}

Result NotFound(const std::string& what) { return Failed(Failure::NotFound, what); }

}  // namespace

PhoneCall::PhoneCall(phonelink::TMotoP2KModemItem& phone)
    : phone_(phone), saved_(phone.OnDebugEvent()) {
  phone_.SetOnDebugEvent([this](phonelink::TMotoP2KModemItem& item, const std::string& text,
                                phonelink::TDebugType type, bool subError) {
    if (type == phonelink::dtError) lastFailure_ = text;
    if (saved_) saved_(item, text, type, subError);
  });
}

PhoneCall::~PhoneCall() { phone_.SetOnDebugEvent(std::move(saved_)); }

Result PhoneCall::Fail(Failure failure, const std::string& what) const {
  return phonefiles::Failed(
      failure,
      lastFailure_.empty() ? what : what + " (the phone link said \"" + lastFailure_ + "\")");
}

Result Failed(Failure failure, std::string message) {
  Result result;
  result.failure = failure;
  result.message = std::move(message);
  return result;
}

void Tell(const TransferOptions& options, const std::filesystem::path& file, HostFileState state,
          const std::string& where) {
  if (options.hostFiles) options.hostFiles(file, state, where);
}

bool IsPhoneName(std::string_view name) {
  if (name.empty() || name.size() > phonelink::kMaxPhoneName || name.front() != '/') return false;
  const auto slash = name.find('/', 1);
  return slash != std::string_view::npos && slash > 1 && slash + 1 < name.size();
}

std::string VolumeOf(std::string_view path) {
  const auto slash = path.find('/', 1);
  return std::string(path.substr(0, slash));
}

PhoneFiles::PhoneFiles(std::shared_ptr<phonelink::TMotoP2KModemItem> phone)
    : phone_(std::move(phone)) {}

Result PhoneFiles::Volumes(std::vector<std::string>& volumes) {
  volumes.clear();
  PhoneCall call(*phone_);
  if (!phone_->IsOpen()) return Failed(Failure::NoPhone, "the phone is not open");
  std::string drives;
  if (!phone_->GetDrives(drives)) return call.Fail(Failure::Phone, "the phone named no volumes");
  std::stringstream lines(drives);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) volumes.push_back(line);
  }
  return {};
}

Result PhoneFiles::FreeSpace(std::string_view volume, std::int64_t& bytes) {
  bytes = 0;
  if (volume.size() != 2 || volume[0] != '/') {
    return Failed(Failure::BadName, "not a volume name: " + Shown(volume));
  }
  PhoneCall call(*phone_);
  if (!phone_->IsOpen()) return Failed(Failure::NoPhone, "the phone is not open");
  const std::int32_t free = phone_->GetFreeSpace(volume[1]);
  if (call.Failed()) {
    return call.Fail(Failure::Phone, "the phone did not tell the free space of " + Shown(volume));
  }
  bytes = static_cast<std::uint32_t>(free);
  return {};
}

Result PhoneFiles::List(std::string_view path, std::vector<phonelink::P2KFileRecord>& files,
                        const phonelink::ProgressCallback& progress) {
  files.clear();
  const std::string asked = WithoutTrailingSlashes(path);
  if (asked.size() < 2 || asked.front() != '/' || asked.size() > phonelink::kMaxPhoneName) {
    return Failed(Failure::BadName, "not a phone path: " + Shown(path));
  }
  std::vector<std::string> volumes;
  if (Result listed = Volumes(volumes); !listed.ok()) return listed;
  const std::string volume = VolumeOf(asked);
  if (std::find(volumes.begin(), volumes.end(), volume) == volumes.end()) {
    return NotFound("the phone has no volume " + Shown(volume));
  }
  PhoneCall call(*phone_);
  const std::int32_t count = phone_->GetFileCount(asked + "/|*");
  if (call.Failed()) return call.Fail(Failure::Phone, "the phone did not search " + Shown(asked));
  if (count > 0) {
    phonelink::FileListCallback counted;
    if (progress) {
      counted = [&](const phonelink::P2KFileRecord&) {
        progress(static_cast<std::int64_t>(files.size()) + 1, count);
        return true;
      };
    }
    phone_->GetFileList(count, &files, counted);
    if (call.Failed()) {
      files.clear();
      return call.Fail(Failure::Phone, "the phone did not list " + Shown(asked));
    }
    return {};
  }
  if (asked == volume) return {};
  // Nothing below it: it may name one file.
  phonelink::P2KFileRecord record;
  Result found = Find(asked, record);
  if (found.ok()) files.push_back(record);
  if (found.failure == Failure::NotFound)
    return NotFound("nothing on the phone at " + Shown(asked));
  return found;
}

Result PhoneFiles::Find(std::string_view phoneName, phonelink::P2KFileRecord& record) {
  record = {};
  if (!IsPhoneName(phoneName))
    return Failed(Failure::BadName, "not a phone file name: " + Shown(phoneName));
  PhoneCall call(*phone_);
  if (!phone_->IsOpen()) return Failed(Failure::NoPhone, "the phone is not open");
  const auto slash = phoneName.rfind('/');
  const std::string pattern =
      std::string(phoneName.substr(0, slash + 1)) + "|" + std::string(phoneName.substr(slash + 1));
  const std::int32_t count = phone_->GetFileCount(pattern);
  if (call.Failed()) {
    return call.Fail(Failure::Phone, "the phone did not search for " + Shown(phoneName));
  }
  bool found = false;
  if (count > 0) {
    // The search reaches below the folder and its mask may match other names; only the exact
    // name counts.
    phone_->GetFileList(count, nullptr, [&](const phonelink::P2KFileRecord& entry) {
      if (entry.Name != phoneName) return true;
      record = entry;
      found = true;
      return false;
    });
    if (!found && call.Failed()) {
      return call.Fail(Failure::Phone, "the phone did not list " + Shown(phoneName));
    }
  }
  if (!found) return NotFound("no file " + Shown(phoneName) + " on the phone");
  return {};
}

Result PhoneFiles::Remove(std::string_view phoneName) {
  phonelink::P2KFileRecord record;
  if (Result found = Find(phoneName, record); !found.ok()) return found;
  if ((record.Attr & phonelink::faReadOnly) != 0) {
    return Failed(Failure::ReadOnly, Shown(phoneName) + " is ReadOnly; clear its attributes first");
  }
  PhoneCall call(*phone_);
  if (phone_->FileDelete(phoneName)) return {};
  Result failed = call.Fail(Failure::Phone, "the phone did not delete " + Shown(phoneName));
  // The answer may have been lost after the phone deleted it.
  phonelink::P2KFileRecord still;
  if (Find(phoneName, still).failure == Failure::NotFound) return {};
  return failed;
}

Result PhoneFiles::SetAttributes(std::string_view phoneName, std::uint16_t attributes) {
  phonelink::P2KFileRecord record;
  if (Result found = Find(phoneName, record); !found.ok()) return found;
  PhoneCall call(*phone_);
  if (phone_->FileSetAttribute(phoneName, attributes & kEditableBits)) return {};
  return call.Fail(Failure::Phone, "the phone did not take the attributes of " + Shown(phoneName));
}

Result PhoneFiles::ResetToneDatabase() {
  for (const std::string_view file : kToneDatabase) {
    PhoneCall call(*phone_);
    if (!phone_->IsOpen()) return Failed(Failure::NoPhone, "the phone is not open");
    if (phone_->FileDelete(file)) continue;
    Result failed = call.Fail(Failure::Phone, "the phone did not delete " + Shown(file));
    phonelink::P2KFileRecord record;
    const Result found = Find(file, record);
    if (found.failure == Failure::NotFound) continue;
    if (found.ok() && (record.Attr & phonelink::faReadOnly) != 0) {
      return Failed(Failure::ReadOnly, Shown(file) + " is ReadOnly");
    }
    return failed;
  }
  return {};
}

}  // namespace vestrel::phonefiles
