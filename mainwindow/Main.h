#pragma once

// The main window: the phones of the three modes, their controls, the phone's file browser,
// the notification-area icon and starting with the desktop.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backup/window/BackUp.h"
#include "desktop/About.h"
#include "desktop/AutoRunner.h"
#include "desktop/Dialogs.h"
#include "desktop/PassSchedule.h"
#include "desktop/PopupMenu.h"
#include "desktop/TrayIcon.h"
#include "mainwindow/FileListModel.h"
#include "mainwindow/ListView.h"
#include "mainwindow/PhonePolling.h"
#include "mainwindow/StatusBar.h"
#include "p2kapi/P2KApi.h"
#include "phonefiles/Browser.h"
#include "phonefiles/PhoneFiles.h"
#include "phonelink/PhoneLink.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

class QDialog;

namespace vestrel::mainwindow {

class TForm2;

// The hub of the program. It owns the watchers of the three modes, the notification-area icon
// FWT and the autostart component, and polls which phone of each mode is the current one (the
// first listed), opening it and switching the controls and the icon's image. It attaches no
// handler to the watchers' events and learns about phones only by polling; a pass runs only
// when something can have changed (a device notice, one of its own actions, its showing) and
// about once a second while a listed phone would not open, so with nothing changing no timer
// runs (desktop::PassSchedule).
//
// Everything runs on the UI thread; phone operations block it. Closing the window only hides it
// to the notification area; the program ends through "Выход" or the end of the desktop session.
class TForm1 : public QWidget {
 public:
  // What the window takes from the program around it; everything here outlives the window.
  struct Services {
    phonelink::PhoneLinkContext link;
    platform::Registry& registry;
    platform::Shell& shell;
    desktop::Dialogs& dialogs;
    desktop::TrayArea& trayArea;
    desktop::TrayApplication& trayApplication;
    std::function<void(QDialog&)> showModal;  // returns when the dialog has closed
    std::function<void()> terminate;          // ends the application's event loop
  };

  explicit TForm1(Services services);
  ~TForm1() override;

  // The windows the program creates after this one; the main window shows them modally.
  void SetWindows(TForm2& info, desktop::TForm3& about, backup::TForm4& backup);

  // The phone-information library, speaking through MotoP2KMode1's first phone.
  p2kapi::P2KApi& PhoneLibrary() { return library_; }

  // Components, created before the controls so that they enumerate at once.
  phonelink::TMotoP2KMode MotoP2KMode1;
  phonelink::TMotoFlashMode MotoFlashMode1;
  phonelink::TMotoATMode MotoATMode1;

  QFrame Panel1;
  QPushButton BitBtn2, Button7, Button5, Button8, Button9, Button10, BitBtn1, BitBtn3, Button1,
      Button2, BitBtn6, BitBtn4, BitBtn5;
  QCheckBox CheckBox1;
  TListView ListView1;
  QPushButton Button3;
  QToolButton SpeedButton1, SpeedButton2, SpeedButton3;
  QCheckBox CheckBox4, CheckBox3, CheckBox2;
  QProgressBar ProgressBar1;
  TStatusBar StatusBar1;
  QListWidget ListBox1, ListBox2, ListBox3;
  QComboBox ComboBox1;
  QCheckBox CheckBox5;
  QTimer Timer1;
  std::array<QIcon, 4> ImageList1;

  desktop::TPopupMenu pm;
  QAction N2, N7, Flash1, N8, N9, AT1, N6, N4, p2k1, N3, N5, N1;
  desktop::TPopupMenu PopupMenu2;
  QAction MenuItem1, N10, MenuItem2, MenuItem3;

  desktop::TTrayIcon FWT;
  desktop::TAutoRunner AutoRunner;

  // Life cycle and polling.
  void FormCreate();
  void FormShow();
  void FormActivate();
  void Timer1Timer();
  bool FormCloseQuery();
  // The desktop session asks whether it may end; the answer is always yes.
  bool QueryEndSession();
  void FWTDblClick();
  void BitBtn5Click();
  void BitBtn4Click();
  void N1Click();
  void FormDestroy();

  // The tray image last set (an index of ImageList1).
  int TrayImageIndex() const { return trayImage_; }
  bool EndSessionPending() const { return endSessionPending_; }
  PhonePolling& Polling() { return polling_; }
  // When the next pass of Timer1 runs.
  const desktop::PassSchedule& Schedule() const { return schedule_; }
  desktop::PassSchedule& Schedule() { return schedule_; }

  // Control actions.
  void BitBtn2Click();
  void N2Click();
  void Button7Click();
  void N7Click();
  void Button5Click();
  void N8Click();
  void Button8Click();
  void Flash1Click();
  void Button9Click();
  void N9Click();
  void Button10Click();
  void AT1Click();
  void Button1Click();
  void p2k1Click();
  void BitBtn3Click();
  void N4Click();
  void Button2Click();
  void BitBtn6Click();
  void N5Click();
  void CheckBox1Click();

  // The file browser.
  void ReadMobile();
  bool CopyProgress(std::int64_t done, std::int64_t total);
  // Runs on every change of the list's selection, not only a mouse click.
  void ListView1Click();
  void SetAttr();
  void DelFile();
  void Button3Click();
  void MenuItem3Click();
  void SpeedButton3Click();
  void MenuItem1Click();
  void SpeedButton1Click();
  void N10Click();
  void SpeedButton2Click();
  void BitBtn1Click();
  void N6Click();
  void DeleteToneDB();
  // The chosen folder, or nullopt when the user cancelled.
  std::optional<QString> BrowseForFolder(const QString& title, const QString& root);
  // True while a save or a copy to the phone runs; other file actions do nothing meanwhile.
  bool Copying() const { return browser_.Copying(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildPanel();
  void BuildBrowser();
  void BuildMenus();
  void ConnectActions();
  // Connects a control to its handler; a pass follows every action, since it may have changed
  // a phone.
  void OnClick(QAbstractButton& button, void (TForm1::*handler)());
  void OnTrigger(QAction& action, void (TForm1::*handler)());
  void LoadComponents();
  // Fills ComboBox1 with the phone's volumes, the first selected.
  void ReadVolumes(const std::shared_ptr<phonelink::TMotoP2KModemItem>& phone);
  void HideToTray();
  // A tool window where a notification area holds the icon, else a window with a task-bar
  // entry.
  void SetWindowKind(bool trayArea);
  void SetTrayImage(int index);
  void SetPhoneControls(bool enabled);
  void SetBackToP2K(bool enabled);
  void ShowPhoneInformation();
  void BackToP2K();
  // True when the autostart value is where AutoRunner keeps it, naming this program.
  bool AutostartWritten();
  template <class Operation>
  void OnCurrentP2K(Operation operation);
  // As OnCurrentP2K, but refused with a message while a copy runs.
  template <class Operation>
  void OnCurrentP2KUnlessCopying(Operation operation);
  void Exit();
  void ConnectBrowser();
  void SetFileControls(bool enabled);
  std::vector<int> SelectedRows() const;
  // The phone's own names of the selected rows' files, in the list's order.
  std::vector<std::string> SelectedNames() const;
  // A copy's options: its progress shown in the bar and the first panel, the event loop run.
  phonefiles::TransferOptions CopyOptions();
  // Where the file and folder choosers open: the folder used last, else the user's home.
  QString StartFolder() const;
  bool Upload(const std::shared_ptr<phonelink::TMotoP2KModemItem>& phone, const QString& hostFile,
              const QString& phoneName);
  void ShowFailure(const QString& what, const phonefiles::Result& result);
  void ShowHostFileError(const phonefiles::Result& result);

  Services services_;
  desktop::PassSchedule schedule_;
  PhonePolling polling_;
  p2kapi::P2KApi library_;
  TForm2* info_ = nullptr;
  desktop::TForm3* about_ = nullptr;
  backup::TForm4* backup_ = nullptr;
  std::vector<QObject*> phoneControlGroup_;
  std::vector<std::string> shownAT_, shownP2K_, shownFlash_;  // what ListBox3, 1 and 2 show
  int trayImage_ = -1;
  bool endSessionPending_ = false;
  bool attributeEdit_ = true;
  phonefiles::Browser browser_;
  FileListModel fileList_;
  QString lastFolder_;
};

}  // namespace vestrel::mainwindow
