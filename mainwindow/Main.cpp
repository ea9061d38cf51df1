#include "mainwindow/Main.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

#include "mainwindow/Controls.h"
#include "mainwindow/TrayImages.h"
#include "phonelink/PhoneText.h"

#ifndef QT_NO_SESSIONMANAGER
#include <QSessionManager>
#endif

namespace vestrel::mainwindow {
namespace {

// The lines of a hidden phone list, rebuilt only when they differ from the ones shown last; the
// first is selected. Comparing the phone's own text keeps a pass with nothing new free of Qt
// string work.
void ShowLines(QListWidget& list, const std::vector<std::string>& lines,
               std::vector<std::string>& shown) {
  if (lines != shown) {
    shown = lines;
    list.clear();
    for (const auto& line : lines)
      list.addItem(QString::fromStdString(phonelink::PhoneTextToUtf8(line)));
  }
  if (list.currentRow() != (lines.empty() ? -1 : 0)) list.setCurrentRow(lines.empty() ? -1 : 0);
}

}  // namespace

TForm1::TForm1(Services services)
    : QWidget(nullptr,
              // A tool window has no task-bar entry, which it needs where there is no
              // notification area to reach it from.
              services.trayArea.Available() ? Qt::Tool : Qt::Window),
      MotoP2KMode1(services.link),
      MotoFlashMode1(services.link),
      MotoATMode1(services.link),
      Panel1(this),
      StatusBar1(this, {{{485, false, "Ход работы"},
                         {100, true, "Пустая панель"},
                         {130, true, "Свободное место"},
                         {50, true, "Число файлов"}}}),
      pm(this),
      PopupMenu2(this),
      FWT(this, services.trayArea, services.trayApplication),
      AutoRunner(services.registry, services.shell),
      services_(std::move(services)),
      schedule_(Timer1, this),
      polling_(services_.link.bus, MotoP2KMode1, MotoFlashMode1, MotoATMode1),
      library_(MotoP2KMode1) {
  MotoP2KMode1.SetFSACOption(phonelink::fsacBP);
  setWindowTitle(QStringLiteral("Vestrel by Tolmek v1.3"));
  // A plain widget window is announced without its title otherwise.
  setAccessibleName(windowTitle());
  setFixedSize(793, 540);
  BuildPanel();
  BuildBrowser();
  BuildMenus();
  ConnectActions();
  ConnectBrowser();
  LoadComponents();
  Timer1.setInterval(1);
  connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  polling_.SetOnNotice([this] { schedule_.Request(); });
  schedule_.Request();  // the first pass lists what the watchers found
}

TForm1::~TForm1() { FormDestroy(); }

void TForm1::SetWindows(TForm2& info, desktop::TForm3& about, backup::TForm4& backup) {
  info_ = &info;
  about_ = &about;
  backup_ = &backup;
}

// What the designer would have set: the icon with its menu, hidden window and task-bar entry;
// autostart under the machine's run key, found in the registry as the name is set.
void TForm1::LoadComponents() {
  ImageList1 = DrawTrayImages();
  FWT.BeginLoading();
  FormCreate();  // the icon has its image before it is added
  FWT.SetTip(QStringLiteral("Vestrel"));
  FWT.SetPopupMenu(&pm);
  FWT.SetOnDblClick([this](desktop::TTrayIcon&) { FWTDblClick(); });
  FWT.SetOnAreaChange([this](desktop::TTrayIcon& icon) { SetWindowKind(!icon.NoTray()); });
  FWT.SetIconVisible(true);
  FWT.SetFormVisible(false);
  FWT.SetAppVisible(false);
  FWT.EndLoading();

  AutoRunner.BeginLoading();
  AutoRunner.SetRegLocation(desktop::LocalMachine);
  AutoRunner.SetAutoRunWhere(desktop::Run);
  AutoRunner.SetAutoRun(true);
  AutoRunner.SetAppName("Vestrel");
  AutoRunner.EndLoading();

#ifndef QT_NO_SESSIONMANAGER
  // On Windows Qt turns WM_QUERYENDSESSION into this request; on Linux it is the session
  // manager's.
  if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(application, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { QueryEndSession(); });
  }
#endif
}

void TForm1::FormCreate() { SetTrayImage(kImageNoPhone); }

void TForm1::FormShow() {
  schedule_.Request();
  if (auto phone = polling_.CurrentP2K()) ReadVolumes(phone);
}

void TForm1::ReadVolumes(const std::shared_ptr<phonelink::TMotoP2KModemItem>& phone) {
  std::vector<std::string> volumes;
  browser_.Volumes(phone, volumes);
  ComboBox1.clear();
  for (const auto& volume : volumes) {
    ComboBox1.addItem(QString::fromStdString(phonelink::PhoneTextToUtf8(volume)),
                      QByteArray::fromStdString(volume));
  }
  ComboBox1.setCurrentIndex(ComboBox1.count() > 0 ? 0 : -1);
}

void TForm1::FormActivate() {
  BitBtn5.setFocus();
  CheckBox1.setChecked(AutoRunner.AutoRun());
}

void TForm1::Timer1Timer() {
  schedule_.Begin();
  const PhonePolling::Outcome outcome = polling_.Pass();
  ShowLines(ListBox3, polling_.ATLines(), shownAT_);
  ShowLines(ListBox1, polling_.P2KLines(), shownP2K_);
  ShowLines(ListBox2, polling_.FlashLines(), shownFlash_);
  SetEnabledIfChanged(Button2, backup_ && backup_->SelectedPhone() != nullptr);
  SetPhoneControls(outcome.p2kListed);
  if (outcome.atPortOpen) SetBackToP2K(*outcome.atPortOpen);
  SetTrayImage(outcome.trayImage);
  schedule_.End(outcome.tryAgain);
}

void TForm1::SetPhoneControls(bool enabled) {
  // Save and delete act on the selected rows: a pass leaves them off while none is selected.
  const bool selected = !SelectedRows().empty();
  for (QObject* control : phoneControlGroup_) {
    const bool needsRows = control == &SpeedButton1 || control == &SpeedButton3;
    SetEnabledIfChanged(control, enabled && (selected || !needsRows));
  }
  if (!enabled) {
    SetEnabledIfChanged(MenuItem1, false);
    SetEnabledIfChanged(N10, false);
  }
}

void TForm1::SetBackToP2K(bool enabled) {
  SetEnabledIfChanged(Button1, enabled);
  SetEnabledIfChanged(p2k1, enabled);
}

// The area is told only of a new image: every change is a call into the desktop.
void TForm1::SetTrayImage(int index) {
  if (index == trayImage_) return;
  trayImage_ = index;
  FWT.SetIcon(ImageList1.at(static_cast<std::size_t>(index)));
}

bool TForm1::FormCloseQuery() {
  if (!CheckBox5.isChecked() || endSessionPending_) return true;
  HideToTray();
  return false;
}

bool TForm1::QueryEndSession() {
  endSessionPending_ = true;
  return true;
}

void TForm1::HideToTray() {
  FWT.SetAppVisible(false);
  FWT.SetFormVisible(false);
}

// Changing the kind hides a window, so a shown one is shown again as it was.
void TForm1::SetWindowKind(bool trayArea) {
  const Qt::WindowType kind = trayArea ? Qt::Tool : Qt::Window;
  if (windowType() == kind) return;
  const bool shown = isVisible();
  const bool minimised = isMinimized();
  setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | kind);
  if (shown) minimised ? showMinimized() : show();
}

void TForm1::FWTDblClick() {
  const bool shown = !(FWT.AppVisible() && FWT.FormVisible());
  FWT.SetAppVisible(shown);
  FWT.SetFormVisible(shown);
}

void TForm1::BitBtn5Click() { HideToTray(); }

void TForm1::BitBtn4Click() { Exit(); }

void TForm1::N1Click() { Exit(); }

void TForm1::Exit() {
  if (CheckBox5.isChecked()) CheckBox5.setChecked(false);
  services_.terminate();
}

void TForm1::FormDestroy() {
  auto& list = MotoP2KMode1.DeviceList();
  for (int i = 0; i < list.Count(); ++i) {
    auto item = list.Items(i);
    if (item && item->IsOpen()) item->ClosePhone();
  }
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  FormShow();
}

// Where there is no notification area the hidden window is only minimised, so restoring it
// is its showing.
void TForm1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
  if (event->type() == QEvent::WindowStateChange &&
      (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized) &&
      !isMinimized() && isVisible())
    FormShow();
}

// Closing ends the program only when it is allowed; otherwise the window went to the tray.
void TForm1::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  event->accept();
  services_.terminate();
}

}  // namespace vestrel::mainwindow
