#include "phonefiles/Browser.h"

#include <algorithm>

#include "phonefiles/PhoneCall.h"
#include "phonelink/PhoneText.h"
#include "platform/HostFileSystem.h"

namespace vestrel::phonefiles {

// Set for the length of one copy; a nested file action sees it.
class Browser::CopyGuard {
 public:
  explicit CopyGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~CopyGuard() { flag_ = false; }
  CopyGuard(const CopyGuard&) = delete;
  CopyGuard& operator=(const CopyGuard&) = delete;

 private:
  bool& flag_;
};

std::vector<BrowserRow> RowsByNumberText(const std::vector<phonelink::P2KFileRecord>& files) {
  std::vector<BrowserRow> rows;
  rows.reserve(files.size());
  for (const auto& file : files) rows.push_back({static_cast<int>(rows.size()) + 1, file});
  std::stable_sort(rows.begin(), rows.end(), [](const BrowserRow& a, const BrowserRow& b) {
    return std::to_string(a.number) < std::to_string(b.number);
  });
  return rows;
}

std::vector<FileOutcome> FailedOnly(std::vector<FileOutcome> outcomes) {
  std::erase_if(outcomes, [](const FileOutcome& outcome) { return outcome.result.ok(); });
  return outcomes;
}

std::optional<std::filesystem::path> SavedFileFor(const std::filesystem::path& folder,
                                                  std::string_view phoneName) {
  const auto slash = phoneName.rfind('/');
  const auto last = slash == std::string_view::npos ? phoneName : phoneName.substr(slash + 1);
  const auto plain = platform::PlainHostFileName(phonelink::PhoneTextToUtf8(last));
  if (!plain) return std::nullopt;
  return folder / *plain;
}

Result Browser::Volumes(const Phone& phone, std::vector<std::string>& volumes) {
  return PhoneFiles(phone).Volumes(volumes);
}

BrowserListing Browser::Read(const Phone& phone, std::string_view path,
                             const phonelink::ProgressCallback& progress) {
  BrowserListing listing;
  PhoneFiles files(phone);
  listing.result = files.List(path, listing.files, progress);
  if (!listing.result.ok()) return listing;
  std::int64_t free = 0;
  if (files.FreeSpace(VolumeOf(path), free).ok()) listing.freeBytes = free;
  return listing;
}

std::vector<FileOutcome> Browser::Delete(const Phone& phone,
                                         const std::vector<std::string>& names) {
  PhoneFiles files(phone);
  std::vector<FileOutcome> outcomes;
  for (const auto& name : names) outcomes.push_back({name, {}, files.Remove(name)});
  return outcomes;
}

std::vector<FileOutcome> Browser::Save(const Phone& phone, const std::vector<std::string>& names,
                                       const std::filesystem::path& folder,
                                       const TransferOptions& options) {
  CopyGuard busy(copying_);
  PhoneFiles files(phone);
  std::vector<FileOutcome> outcomes;
  for (const auto& name : names) {
    const auto target = SavedFileFor(folder, name);
    if (!target) {
      outcomes.push_back(
          {name,
           {},
           Failed(Failure::NoHostName,
                  "no file name to save " + phonelink::PhoneTextForDisplay(name) + " under")});
      continue;
    }
    outcomes.push_back({name, *target, files.Download(name, *target, options)});
    if (outcomes.back().result.failure == Failure::HostFile) break;
  }
  return outcomes;
}

FileOutcome Browser::Upload(const Phone& phone, const std::filesystem::path& hostFile,
                            std::string_view utf8Name, const TransferOptions& options) {
  const auto name = phonelink::Utf8ToPhoneText(utf8Name);
  if (!name) {
    return {std::string(utf8Name), hostFile,
            Failed(Failure::NotPhoneText,
                   "\"" + std::string(utf8Name) + "\" has characters the phone cannot write")};
  }
  CopyGuard busy(copying_);
  return {*name, hostFile, PhoneFiles(phone).Upload(hostFile, *name, options)};
}

Result Browser::SetAttributes(const Phone& phone, std::string_view phoneName,
                              std::uint16_t attributes) {
  return PhoneFiles(phone).SetAttributes(phoneName, attributes);
}

}  // namespace vestrel::phonefiles
