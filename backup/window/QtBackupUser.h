#pragma once

#include <QString>
#include <filesystem>

#include "backup/BackupUser.h"
#include "desktop/Dialogs.h"

namespace vestrel::backup {

class TForm4;

// What a run asks of the backup dialog: questions go through the injectable dialogs (the folder
// browser and the error box owned by the application, the save dialog by the form), the rest
// lands in the form's controls. Progress lets pending events run.
class QtBackupUser final : public BackupUser {
 public:
  QtBackupUser(TForm4& form, desktop::Dialogs& dialogs) : form_(form), dialogs_(dialogs) {}

  std::filesystem::path ChooseFolder(const std::string& caption) override;
  std::filesystem::path ChooseSaveFile(const std::string& filter) override;
  void ShowError(const std::string& text, const std::string& title) override;
  void AppendLog(const std::string& line) override;
  void SetStatus(const std::string& text) override;
  void Progress(std::int32_t done, std::int32_t total) override;
  void SetControlsLocked(bool locked) override;
  void RequestClose() override;
  // In Russian (RussianReason).
  std::string FailureReason(const BackupFailure& failure) override;

  // The folder as the browser gave it, in native separators; a bare drive ("C:") gets "\" so
  // that file names join below its root, not its current folder.
  static QString FolderPath(const QString& chosen);
  static std::filesystem::path LocalPath(const QString& path);

 private:
  TForm4& form_;
  desktop::Dialogs& dialogs_;
};

}  // namespace vestrel::backup
