#pragma once

// The backup dialog: a thin Qt window over the backup engine (AppliedModel, BackupRun,
// BackupLog). Who calls what:
//
// - The program creates one TForm4 at start-up and keeps it until the end. Its own flash-mode
//   watcher and Timer1 (1 ms) work from construction on, also while the dialog is hidden.
// - The main window enables its "Full Backup" action while HasPhone() is true and shows the
//   dialog modally (exec()); closing it only hides it, keeping the model, ticks and log.
// - Timer1 delivers the bus's queued device notices (any other caller of
//   DeviceBus::deliverNotices serves it just as well) and opens the first flash-mode phone.
//   A tick with no notice pending touches no device and rebuilds no widget. It ticks only
//   when something can have changed: a flash-mode notice, the dialog's showing and closing,
//   a model or "PDS" choice, the end of a run; and about once a second while the phone would
//   not open (desktop::PassSchedule). Otherwise no timer runs.
// - A run blocks the caller of Button13Click; its progress lets pending events run, so ticks,
//   arrivals, removals and a close request are handled in the middle of it, and so they are
//   while the archiver packs (EventLoopShell). No second run starts, and the controls stay
//   locked until the run returns.
//
// The bus, clock, shell and dialogs must outlive the dialog.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <memory>
#include <vector>

#include "backup/AppliedModel.h"
#include "backup/BackupLog.h"
#include "backup/BackupRun.h"
#include "backup/window/EventLoopShell.h"
#include "backup/window/QtBackupUser.h"
#include "backup/window/SaveDialog.h"
#include "desktop/Dialogs.h"
#include "desktop/PassSchedule.h"
#include "phonelink/MotoATMode.h"
#include "phonelink/MotoFlashMode.h"
#include "platform/Shell.h"

namespace vestrel::backup {

class TForm4 : public QDialog {
 public:
  TForm4(phonelink::PhoneLinkContext context, platform::Shell& shell, desktop::Dialogs& dialogs,
         QWidget* parent = nullptr);

  QLabel Label1;
  QComboBox cob;
  QGroupBox GroupBox1;
  QCheckBox cb1, cb2, cb3, cb4, cb5, cb6, cb7, cb8, cb9, cb10;
  QCheckBox CheckBox2;
  QCheckBox CheckBox1;
  QPlainTextEdit Memo1;
  QPushButton Button13;
  QProgressBar ProgressBar1;
  QStatusBar StatusBar1;
  QLabel StatusPanel0;  // the status bar's one panel
  QListWidget ListBox2;
  QTimer Timer1;
  TSaveDialog SaveDialog1;
  phonelink::TMotoFlashMode MotoFlashMode1;
  phonelink::TMotoATMode MotoATMode1;

  // Client size of the dialog, and the element boxes' size (their places follow the model).
  static constexpr QSize kClientSize{521, 371};
  static constexpr int kElementHeight = 17;
  static int ElementWidth(std::size_t slot);

  // Handlers, named after control and event.
  void FormShow();
  void FormCloseQuery(bool& CanClose);
  void FormClose();
  void Timer1Timer();
  void cobChange();
  void Button13Click();
  void MotoFlashMode1Arrival(const std::shared_ptr<phonelink::TMotoFlashModemItem>& item);
  void MotoFlashMode1Remove(phonelink::TMotoFlashModemList& list);

  // The runs behind Button13; each does nothing without a phone or while a run goes on.
  void SaveFlash();
  void SavePDS();

  // Applies the model row selected in cob to the element boxes and the loader values.
  void MobileChanges();
  void LockControls();
  void UnlockControls();
  void CloseSelected();

  // The element box of slot `slot` (0-based, slot order: cb1 .. cb10).
  QCheckBox& ElementBox(std::size_t slot);
  // The first phone of the dialog's flash-mode list; null when there is none.
  std::shared_ptr<phonelink::TMotoFlashModemItem> SelectedPhone() const;
  bool HasPhone() const { return !listed_.empty(); }
  bool Running() const { return run_.Running(); }
  const AppliedModel& Model() const { return model_; }
  const BackupLog& Log() const { return log_; }
  // When the next tick of Timer1 runs.
  desktop::PassSchedule& Schedule() { return schedule_; }
  std::filesystem::path FlashLogFile() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  friend class QtBackupUser;

  void LayOut();
  void NameForScreenReaders();
  // The hidden list follows the watcher's items; it is rebuilt only when they differ.
  void RefreshPhoneList();
  void SyncPhoneList();
  // Unlocked with a phone, locked without, unless a run holds the controls.
  void FollowPhone();
  // The element ticks as the user left them, read into the model the run takes.
  void ReadTicks();
  void AfterRun();
  // The run's folder against its SHA256SUMS, in the log; nothing when no folder was chosen.
  void CheckFolderAfter(const BackupRun::Outcome& outcome, bool withExtra);
  void WriteFlashLog();

  phonelink::PhoneLinkContext context_;
  platform::Shell& shell_;
  desktop::Dialogs& dialogs_;
  desktop::PassSchedule schedule_;
  std::unique_ptr<platform::NoticeSubscription> notices_;  // flash-mode changes wake Timer1
  AppliedModel model_;
  BackupLog log_;
  QtBackupUser user_;
  EventLoopShell runShell_;  // the run's shell: events go on while the archiver works
  BackupRun run_;
  std::vector<std::uint32_t> listed_;  // device instances of the items ListBox2 shows, in order
  bool closeAfterRun_ = false;
  bool closing_ = false;
};

}  // namespace vestrel::backup
