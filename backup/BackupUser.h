#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "backup/BackupFailure.h"

namespace vestrel::backup {

// Everything a backup run needs from whoever drives it: the backup dialog, the command-line
// tool, or a test.
class BackupUser {
 public:
  virtual ~BackupUser() = default;
  // The folder for the element files; empty when the user cancels.
  virtual std::filesystem::path ChooseFolder(const std::string& caption) = 0;
  // The PDS file, chosen with `filter` ("BIN|*.bin"); empty when the user cancels.
  virtual std::filesystem::path ChooseSaveFile(const std::string& filter) = 0;
  // An error message box.
  virtual void ShowError(const std::string& text, const std::string& title) = 0;
  // A finished log line ("HH:MM:SS: message") to show.
  virtual void AppendLog(const std::string& line) = 0;
  virtual void SetStatus(const std::string& text) = 0;
  // Progress of the current step in bytes, after its status text; a window lets pending events
  // run here.
  virtual void Progress(std::int32_t done, std::int32_t total) = 0;
  virtual void SetControlsLocked(bool locked) = 0;
  // Asks the dialog to close once the run has returned.
  virtual void RequestClose() = 0;
  // The reason logged after "<element> не сохранена: " or "Загрузчик не записан: ", in the
  // front end's language; what was kept of the element follows it (KeptApartText). The
  // default is the phone layer's English, as vestrel-cli prints it.
  virtual std::string FailureReason(const BackupFailure& failure) { return failure.Describe(); }
  // Asked between memory blocks: true ends the run at once (the element being read is dropped,
  // the rest are not attempted, the phone is powered off). A window never asks to stop.
  virtual bool StopRequested() { return false; }
};

}  // namespace vestrel::backup
