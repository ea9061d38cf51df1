#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "backup/AppliedModel.h"
#include "backup/BackupDescription.h"
#include "backup/BackupLog.h"
#include "backup/BackupUser.h"
#include "backup/ElementPacker.h"
#include "phonelink/MotoFlashMode.h"
#include "platform/HostFileSystem.h"
#include "platform/Shell.h"

namespace vestrel::backup {

// The backup runs behind the dialog's start button, free of any window: the full backup of the
// ticked elements and the PDS backup. A run holds its phone item until it returns, so a phone
// dropped from the watcher's list meanwhile only makes the remaining commands fail.
//
// Each element is written to a temporary file beside its name and takes the name only once it
// is complete (ElementFile): a failed element never passes for a good backup, nor destroys an
// earlier one. What a failed element had read is kept apart in "<name>.incomplete.XXXXXX",
// and the log says why the element failed and where its part went.
//
// The folder keeps its own account as the run goes: SHA256SUMS lists each whole element, the PDS
// file and each tested archive; BACKUP.txt says how each element ended (BackupDescription).
class BackupRun {
 public:
  // What a run achieved, for callers that judge it (the dialog shows only its log).
  struct Outcome {
    bool started = false;  // a phone was there and the folder or file was chosen
    bool loaderSent = false;
    int taken = 0;              // elements asked for
    int saved = 0;              // elements saved whole
    bool stopped = false;       // the user asked to stop (BackupUser::StopRequested)
    std::string loaderFailure;  // why the loader did not reach the phone
    std::vector<std::filesystem::path> keptApart;  // parts of failed elements, as logged
    std::filesystem::path folder;                  // where the files went, once chosen
    std::string packFailure;                       // why packing was asked for and not done
    struct FailedElement {
      std::string name;  // "CG18", "PDS"
      BackupFailure failure;
    };
    std::vector<FailedElement> failures;  // in the order they were logged
  };

  BackupRun(BackupUser& user, BackupLog& log, platform::Shell& shell);

  // Uploads the model's loader, saves every taken element into a folder the user chooses, packs
  // the last one when asked, and powers the phone off. Nothing happens without an open phone
  // or while another run is in progress.
  Outcome SaveFlash(const std::shared_ptr<phonelink::TMotoFlashModemItem>& phone,
                    const AppliedModel& model, bool pack);
  // Uploads the PDS loader and saves the PDS area into a file the user names.
  Outcome SavePDS(const std::shared_ptr<phonelink::TMotoFlashModemItem>& phone,
                  const AppliedModel& model, bool pack);

  // Hands one whole file to the archiver beside the program and waits for it (ElementPacker),
  // the status saying "Упаковка NAME..." meanwhile and the saved status again after; once
  // packed, BACKUP.txt names the archive for the element that was in the file.
  ElementPacker::Result PackFile(const std::filesystem::path& file);
  // Where PackFile looks for the archiver: kArchiverName in the program's data folders.
  std::filesystem::path ArchiverFile() const;
  static inline const std::string kArchiverName =
      "arch" + std::string(platform::HostExecutableSuffix());
  void PowerOffSelected(phonelink::TMotoFlashModemItem* phone);

  bool Running() const { return running_; }

  static constexpr phonelink::MemoryRange kPdsRange{0x10010000, 0x10020000};
  static constexpr const char* kPdsStart = "10010000";

  // The PDS file for the name the user chose: "_10010000.bin" is added to a name without
  // extension.
  static std::filesystem::path PdsFileName(const std::filesystem::path& chosen);

  // What a run says after its loader: the full backup's texts end in "!", the PDS run's not.
  struct LoaderTexts {
    const char* savedStatus;
    const char* savedLog;
    const char* missingLog;
  };

 private:
  void Log(const std::string& message);
  bool UploadLoader(phonelink::TMotoFlashModemItem& phone, const AppliedModel& model,
                    const std::filesystem::path& loader, const LoaderTexts& texts,
                    Outcome& outcome);
  // Saves the range under `file`; true once the whole range is there. A failure is logged as
  // "<name> не сохранена: " and the user's wording of it, and added to the outcome.
  // `element` gets how it ended, its length and its digest.
  bool SaveRange(phonelink::TMotoFlashModemItem& phone, phonelink::MemoryRange range,
                 const std::filesystem::path& file, const std::string& name, Outcome& outcome,
                 ElementRecord& element);
  // Starts the folder's BACKUP.txt for this run, keeping what earlier runs said of elements.
  void BeginDescription(const std::filesystem::path& folder, const AppliedModel& model);
  // Lists a saved element in SHA256SUMS, then how it ended in BACKUP.txt.
  void Account(ElementRecord element, bool saved);
  void PackInto(const std::filesystem::path& file, Outcome& outcome);
  phonelink::FlashProgressCallback ProgressOf(std::string label, int decimals);

  BackupUser& user_;
  BackupLog& log_;
  platform::Shell& shell_;
  bool running_ = false;
  std::filesystem::path folder_;
  BackupDescription description_;
};

// "label: done/total Кб" with done and total in kilobytes: two decimals, or whole kilobytes at
// least two characters wide. Always a dot as decimal separator.
std::string ProgressText(const std::string& label, std::int32_t done, std::int32_t total,
                         int decimals);

}  // namespace vestrel::backup
