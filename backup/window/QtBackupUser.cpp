#include "backup/window/QtBackupUser.h"

#include <QCoreApplication>
#include <QDir>
#include <algorithm>

#include "backup/window/BackUp.h"
#include "backup/window/FailureReasons.h"

namespace vestrel::backup {

QString QtBackupUser::FolderPath(const QString& chosen) {
  QString folder = QDir::toNativeSeparators(chosen);
  if (folder.size() == 2 && folder[1] == QLatin1Char(':')) folder += QLatin1Char('\\');
  return folder;
}

std::filesystem::path QtBackupUser::LocalPath(const QString& path) {
  return std::filesystem::path(path.toStdU16String());
}

std::filesystem::path QtBackupUser::ChooseFolder(const std::string& caption) {
  const auto chosen = dialogs_.ChooseFolder(nullptr, QString::fromStdString(caption), QString());
  if (!chosen || chosen->isEmpty()) return {};
  return LocalPath(FolderPath(*chosen));
}

std::filesystem::path QtBackupUser::ChooseSaveFile(const std::string& filter) {
  form_.SaveDialog1.Filter = QString::fromStdString(filter);
  if (!form_.SaveDialog1.Execute() || form_.SaveDialog1.FileName.isEmpty()) return {};
  return LocalPath(QDir::toNativeSeparators(form_.SaveDialog1.FileName));
}

void QtBackupUser::ShowError(const std::string& text, const std::string& title) {
  dialogs_.Message(nullptr, QString::fromStdString(title), QString::fromStdString(text),
                   desktop::MessageIcon::Error, desktop::MessageButtons::Ok);
}

void QtBackupUser::AppendLog(const std::string& line) {
  form_.Memo1.appendPlainText(QString::fromStdString(line));
}

void QtBackupUser::SetStatus(const std::string& text) {
  form_.StatusPanel0.setText(QString::fromStdString(text));
}

void QtBackupUser::Progress(std::int32_t done, std::int32_t total) {
  form_.ProgressBar1.setMaximum(total);
  // The last block may pass a total that excludes the range's last byte.
  form_.ProgressBar1.setValue(std::min(done, total));
  QCoreApplication::processEvents();
}

void QtBackupUser::SetControlsLocked(bool locked) {
  if (locked) {
    form_.LockControls();
  } else {
    form_.UnlockControls();
  }
}

void QtBackupUser::RequestClose() { form_.closeAfterRun_ = true; }

std::string QtBackupUser::FailureReason(const BackupFailure& failure) {
  return RussianReason(failure);
}

}  // namespace vestrel::backup
