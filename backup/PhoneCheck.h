#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "backup/AppliedModel.h"
#include "backup/BackupDescription.h"
#include "phonelink/MotoFlashMode.h"

namespace vestrel::backup {

// Sets the phone's load and jump addresses from the model's texts; a text that is not hex leaves
// the phone's value as it was.
void SetLoaderAddresses(phonelink::TMotoFlashModemItem& phone, const AppliedModel& model);

// One element of a backup folder against the phone's memory.
struct ElementComparison {
  enum class Result {
    Matches,
    Differs,
    Unread,   // the phone did not deliver the range (detail says why)
    NoCopy,   // the folder holds no whole copy to compare (detail says why)
    Skipped,  // the PDS area, read by a loader of its own
  };
  std::string name;
  Result result = Result::Unread;
  std::string detail;
};

// Re-reads every element BACKUP.txt names from a phone in flash mode, after uploading the
// model's loader, and compares each with the folder's copy: the element file as it is now, or
// for a packed element the digest recorded before packing. The elements of the backup dialog
// and `vestrel-cli verify --phone` are judged by this one rule.
//
// Blocks for the reads; `progress` is called per block with the element's name and may return
// false to stop (the element being read and the rest are then not compared). Nothing in the
// folder is written.
class PhoneCheck {
 public:
  using Progress =
      std::function<bool(const std::string& name, std::int32_t done, std::int32_t total)>;

  struct Result {
    std::string loaderFailure;  // why the loader did not reach the phone; nothing read then
    bool stopped = false;
    std::vector<ElementComparison> elements;
    bool AllMatch() const;
  };

  static Result Run(phonelink::TMotoFlashModemItem& phone, const AppliedModel& model,
                    const std::filesystem::path& folder, const BackupDescription& description,
                    const Progress& progress);
};

}  // namespace vestrel::backup
