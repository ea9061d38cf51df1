#include "backup/window/BackUp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <array>
#include <exception>

#include "backup/window/FolderCheckMessages.h"

namespace vestrel::backup {
TForm4::TForm4(phonelink::PhoneLinkContext context, platform::Shell& shell,
               desktop::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      Label1(this),
      cob(this),
      GroupBox1(this),
      cb1(&GroupBox1),
      cb2(&GroupBox1),
      cb3(&GroupBox1),
      cb4(&GroupBox1),
      cb5(&GroupBox1),
      cb6(&GroupBox1),
      cb7(&GroupBox1),
      cb8(&GroupBox1),
      cb9(&GroupBox1),
      cb10(&GroupBox1),
      CheckBox2(&GroupBox1),
      CheckBox1(this),
      Memo1(this),
      Button13(this),
      ProgressBar1(this),
      StatusBar1(this),
      ListBox2(this),
      Timer1(this),
      SaveDialog1(dialogs, this),
      MotoFlashMode1(context),
      MotoATMode1(context),
      context_(context),
      shell_(shell),
      dialogs_(dialogs),
      schedule_(Timer1, this),
      user_(*this, dialogs),
      runShell_(shell),
      run_(user_, log_, runShell_) {
  setWindowTitle(QStringLiteral("Создание резервной копии"));
  LayOut();
  NameForScreenReaders();

  for (const ModelRow& row : ModelMemoryMap) cob.addItem(QString::fromUtf8(row.model));
  cob.setCurrentIndex(0);
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) ElementBox(slot).setChecked(true);
  CheckBox1.setChecked(true);
  MobileChanges();

  connect(&cob, &QComboBox::currentIndexChanged, this, [this] {
    cobChange();
    schedule_.Request();
  });
  connect(&Button13, &QPushButton::clicked, this, [this] { Button13Click(); });
  connect(&CheckBox2, &QCheckBox::toggled, this, [this] { schedule_.Request(); });
  connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  notices_ = phonelink::RegisterUSBNotification(
      context_.bus, phonelink::FlashFamily::kInterfaceClass, [this] { schedule_.Request(); });
  MotoFlashMode1.SetOnArrival([this](const auto& item) { MotoFlashMode1Arrival(item); });
  MotoFlashMode1.SetOnRemove([this](auto& list) { MotoFlashMode1Remove(list); });

  SyncPhoneList();
  FollowPhone();
  Timer1.setInterval(1);
  schedule_.Request();  // the first tick opens the phone the watcher found
}

void TForm4::LayOut() {
  setFixedSize(kClientSize);
  // The element captions have room for a narrow 8-point face, as the dialog was drawn for.
  QFont text = font();
  text.setFamilies(
      {QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
  text.setPointSize(8);
  setFont(text);

  Label1.setText(QStringLiteral("Выберите модель:"));
  Label1.setGeometry(8, 6, 233, 16);
  Label1.setBuddy(&cob);
  cob.setGeometry(8, 22, 233, 22);

  GroupBox1.setTitle(QStringLiteral("Выберите элементы:"));
  GroupBox1.setGeometry(8, 52, 233, 243);
  CheckBox2.setText(QStringLiteral("PDS"));
  CheckBox2.setGeometry(AppliedModel::kSlotLeft, 216, 97, kElementHeight);

  CheckBox1.setText(QStringLiteral("Запаковать"));
  CheckBox1.setGeometry(16, 302, 121, kElementHeight);

  Memo1.setGeometry(248, 8, 265, 287);
  Memo1.setReadOnly(true);
  Memo1.setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  Memo1.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1.setLineWrapMode(QPlainTextEdit::NoWrap);

  Button13.setText(QStringLiteral("Страрт"));
  Button13.setGeometry(438, 300, 75, 25);
  Button13.setDefault(true);

  ProgressBar1.setGeometry(8, 332, 505, 16);
  ProgressBar1.setTextVisible(false);

  StatusBar1.setGeometry(0, kClientSize.height() - 20, kClientSize.width(), 20);
  StatusBar1.setSizeGripEnabled(false);
  StatusBar1.addWidget(&StatusPanel0, 1);

  ListBox2.hide();
}

// Check boxes, the group and the button are named by their captions; the rest by these.
void TForm4::NameForScreenReaders() {
  cob.setAccessibleName(Label1.text());
  GroupBox1.setAccessibleName(GroupBox1.title());
  Memo1.setAccessibleName(QStringLiteral("Журнал"));
  Button13.setAccessibleDescription(QStringLiteral("Начать резервное копирование"));
  CheckBox1.setAccessibleDescription(QStringLiteral("Упаковать последний файл архиватором"));
  CheckBox2.setAccessibleDescription(QStringLiteral("Сохранить область PDS вместо элементов"));
  ProgressBar1.setAccessibleName(QStringLiteral("Ход операции"));
  StatusBar1.setAccessibleName(QStringLiteral("Состояние"));
  // The panel's name is its text, so a screen reader reads the status itself.
  StatusPanel0.setAccessibleDescription(QStringLiteral("Состояние"));
  ListBox2.setAccessibleName(QStringLiteral("Телефоны в режиме прошивки"));
}

int TForm4::ElementWidth(std::size_t slot) {
  if (slot < 6) return 193;
  if (slot < 8) return 209;
  return 217;
}

QCheckBox& TForm4::ElementBox(std::size_t slot) {
  std::array<QCheckBox*, kSlotCount> boxes = {&cb1, &cb2, &cb3, &cb4, &cb5,
                                              &cb6, &cb7, &cb8, &cb9, &cb10};
  return *boxes.at(slot);
}

std::shared_ptr<phonelink::TMotoFlashModemItem> TForm4::SelectedPhone() const {
  return MotoFlashMode1.DeviceList().Items(ListBox2.currentRow());
}

// Beside the program where it may write there, else in the user's state folder.
std::filesystem::path TForm4::FlashLogFile() const { return shell_.stateFolder() / kFlashLogName; }

void TForm4::MobileChanges() {
  // The run reads the applied row as it goes; a new row waits until it returns.
  if (run_.Running()) return;
  const int row = cob.currentIndex();
  if (row < 0 || row >= static_cast<int>(kModelCount)) return;
  model_.Apply(static_cast<std::size_t>(row), shell_.programHome());
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    const SlotState& state = model_.slots[slot];
    QCheckBox& box = ElementBox(slot);
    if (state.visible) box.setText(QString::fromStdString(state.caption));
    box.setGeometry(AppliedModel::kSlotLeft, state.top, ElementWidth(slot), kElementHeight);
    box.setHidden(!state.visible);
  }
}

void TForm4::cobChange() { MobileChanges(); }

void TForm4::LockControls() {
  for (QWidget* control : std::initializer_list<QWidget*>{&Button13, &cob, &Memo1, &CheckBox1,
                                                          &CheckBox2, &GroupBox1}) {
    control->setEnabled(false);
  }
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    if (model_.slots[slot].visible) ElementBox(slot).setEnabled(false);
  }
}

void TForm4::UnlockControls() {
  for (QWidget* control : std::initializer_list<QWidget*>{&Button13, &cob, &Memo1, &CheckBox1,
                                                          &CheckBox2, &GroupBox1}) {
    control->setEnabled(true);
  }
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) ElementBox(slot).setEnabled(true);
}

void TForm4::FollowPhone() {
  if (run_.Running()) return;
  if (SelectedPhone()) {
    UnlockControls();
  } else {
    LockControls();
  }
}

void TForm4::SyncPhoneList() {
  const phonelink::TMotoFlashModemList& list = MotoFlashMode1.DeviceList();
  // Called on every pass: compared in place, so an unchanged list costs no allocation.
  bool same = static_cast<int>(listed_.size()) == list.Count();
  for (int i = 0; same && i < list.Count(); ++i)
    same = list.Items(i)->ModemInfo().DevInst == listed_[static_cast<std::size_t>(i)];
  if (same) return;
  listed_.clear();
  for (int i = 0; i < list.Count(); ++i) listed_.push_back(list.Items(i)->ModemInfo().DevInst);
  ListBox2.clear();
  for (int i = 0; i < list.Count(); ++i) {
    ListBox2.addItem(QString::fromStdString(list.Items(i)->ModemInfo().LocationInformation));
  }
  ListBox2.setCurrentRow(0);
}

void TForm4::RefreshPhoneList() {
  // The watcher refreshes its list on the notices; its arrival and removal handlers run here.
  context_.bus.deliverNotices();
  SyncPhoneList();
  // A phone closed by a close request during a run stays closed until the run returns.
  if (run_.Running()) return;
  if (const auto phone = SelectedPhone()) phone->OpenPhone();
}

void TForm4::Timer1Timer() {
  schedule_.Begin();
  RefreshPhoneList();
  const bool pds = CheckBox2.isChecked();
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    if (model_.slots[slot].visible) ElementBox(slot).setEnabled(!pds);
  }
  // A phone that would not open is tried again; during a run it waits for the run's end.
  const auto phone = SelectedPhone();
  schedule_.End(!notices_ || (phone && !phone->Handle() && !run_.Running()));
}

void TForm4::MotoFlashMode1Arrival(const std::shared_ptr<phonelink::TMotoFlashModemItem>&) {
  SyncPhoneList();
  FollowPhone();
}

void TForm4::MotoFlashMode1Remove(phonelink::TMotoFlashModemList&) {
  SyncPhoneList();
  FollowPhone();
}

void TForm4::FormShow() {
  schedule_.Request();
  SyncPhoneList();
  FollowPhone();
  if (Button13.isEnabled()) Button13.setFocus();
  if (cob.currentIndex() == 0) MobileChanges();
}

void TForm4::ReadTicks() {
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    model_.slots[slot].ticked = ElementBox(slot).isChecked();
  }
}

void TForm4::Button13Click() {
  if (CheckBox2.isChecked()) {
    SavePDS();
  } else {
    SaveFlash();
  }
}

void TForm4::SaveFlash() {
  if (run_.Running()) return;
  ReadTicks();
  CheckFolderAfter(run_.SaveFlash(SelectedPhone(), model_, CheckBox1.isChecked()), true);
  AfterRun();
}

void TForm4::SavePDS() {
  if (run_.Running()) return;
  CheckFolderAfter(run_.SavePDS(SelectedPhone(), model_, CheckBox1.isChecked()), false);
  AfterRun();
}

void TForm4::CheckFolderAfter(const BackupRun::Outcome& outcome, bool withExtra) {
  if (!outcome.started) return;
  for (const auto& line : FolderCheckMessages(CheckFolder(outcome.folder), withExtra)) {
    user_.AppendLog(log_.Add(line));
  }
}

// Watcher events during the run left the controls alone; the phone may have gone since.
void TForm4::AfterRun() {
  FollowPhone();
  schedule_.Request();
  if (!closeAfterRun_) return;
  closeAfterRun_ = false;
  close();
}

void TForm4::WriteFlashLog() {
  try {
    log_.WriteTo(FlashLogFile(),
                 [this](const std::string& line) { return shell_.systemCodePageText(line); });
  } catch (const std::exception& error) {
    dialogs_.Message(nullptr, QApplication::applicationName(), QString::fromStdString(error.what()),
                     desktop::MessageIcon::Error, desktop::MessageButtons::Ok);
  }
}

void TForm4::CloseSelected() {
  if (const auto phone = SelectedPhone()) phone->ClosePhone();
}

// Never refuses: the log is written and the phone closed on every close.
void TForm4::FormCloseQuery(bool& CanClose) {
  WriteFlashLog();
  CloseSelected();
  CanClose = true;
}

// The phone closed here is opened again by the next tick.
void TForm4::FormClose() {
  WriteFlashLog();
  CloseSelected();
  schedule_.Request();
}

void TForm4::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect available = screen->availableGeometry();
    move(available.center() - QPoint(width() / 2, height() / 2));
  }
  FormShow();
}

// A close during a run writes the log and closes the phone at once; the dialog hides when the
// run has returned.
void TForm4::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  FormCloseQuery(canClose);
  FormClose();
  if (run_.Running()) {
    closeAfterRun_ = true;
    event->ignore();
    return;
  }
  closing_ = true;
  QDialog::closeEvent(event);
  closing_ = false;
}

// Escape closes like the title-bar button, so the log is written then too.
void TForm4::reject() {
  if (closing_) {
    QDialog::reject();
  } else {
    close();
  }
}

}  // namespace vestrel::backup
