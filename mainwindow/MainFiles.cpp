// The phone's file browser in the lower half of the main window: its widgets and dialogs over
// phonefiles::Browser, which holds the steps.
//
// A save or copy to the phone lets the event loop run between blocks, so polling passes and
// clicks arrive in the middle of it. The names a copy needs are taken before its first file,
// the phone item is held by the copy itself, and every other file action is refused while the
// browser is copying, so neither the rows nor the item can change under it.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>

#include "mainwindow/Controls.h"
#include "mainwindow/FailureReasons.h"
#include "mainwindow/Main.h"
#include "phonelink/PhoneText.h"

namespace vestrel::mainwindow {
namespace {

QString Shown(std::string_view phoneText) {
  return QString::fromStdString(phonelink::PhoneTextForDisplay(phoneText));
}

std::filesystem::path HostPathOf(const QString& name) {
  return std::filesystem::path(name.toStdU16String());
}

// "name: reason" lines of the files that failed.
QStringList FailureLines(const std::vector<phonefiles::FileOutcome>& outcomes) {
  QStringList lines;
  for (const auto& outcome : phonefiles::FailedOnly(outcomes))
    lines << Shown(outcome.phoneName) + QStringLiteral(": ") + FailureReason(outcome.result);
  return lines;
}

}  // namespace

void TForm1::ConnectBrowser() {
  // Whatever moves the selection (a click, the keyboard, a screen reader) updates the boxes and
  // buttons, so they never show one file's attributes while another is chosen.
  connect(ListView1.selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { ListView1Click(); });
  connect(&ListView1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu2.popup(ListView1.viewport()->mapToGlobal(at)); });
  for (QCheckBox* box : {&CheckBox2, &CheckBox3, &CheckBox4}) OnClick(*box, &TForm1::SetAttr);
  OnClick(Button3, &TForm1::Button3Click);
  OnTrigger(MenuItem3, &TForm1::MenuItem3Click);
  OnClick(SpeedButton3, &TForm1::SpeedButton3Click);
  OnTrigger(MenuItem1, &TForm1::MenuItem1Click);
  OnClick(SpeedButton1, &TForm1::SpeedButton1Click);
  OnTrigger(N10, &TForm1::N10Click);
  OnClick(SpeedButton2, &TForm1::SpeedButton2Click);
  OnClick(BitBtn1, &TForm1::BitBtn1Click);
  OnTrigger(N6, &TForm1::N6Click);
}

std::vector<int> TForm1::SelectedRows() const {
  std::vector<int> rows;
  for (int row = 0; row < fileList_.rowCount(); ++row) {
    if (ListView1.selectionModel()->isRowSelected(row, {})) rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> TForm1::SelectedNames() const {
  std::vector<std::string> names;
  for (int row : SelectedRows()) names.push_back(fileList_.Row(row).file.Name);
  return names;
}

void TForm1::ShowFailure(const QString& what, const phonefiles::Result& result) {
  services_.dialogs.Message(this, QStringLiteral("Ошибка"),
                            what + QStringLiteral("\n") + FailureReason(result),
                            desktop::MessageIcon::Warning, desktop::MessageButtons::Ok);
}

// Shown as the application reports an error nobody handled: its name over the message.
void TForm1::ShowHostFileError(const phonefiles::Result& result) {
  services_.dialogs.Message(nullptr, QCoreApplication::applicationName(),
                            QString::fromStdString(result.message), desktop::MessageIcon::Error,
                            desktop::MessageButtons::Ok);
}

void TForm1::ReadMobile() {
  auto phone = polling_.CurrentP2K();
  if (!phone || browser_.Copying()) return;
  polling_.OpenCurrentP2K();
  StatusBar1.ShowNow(0, QStringLiteral("Пожалуйста подождите..."));
  ListView1.setUpdatesEnabled(false);
  fileList_.SetRows({});
  SetFileControls(false);
  SetEnabledIfChanged(Button1, true);
  SetEnabledIfChanged(p2k1, true);
  if (phone->IsOpen()) {
    // The window may have been shown before the first pass found the phone (at start with the
    // window shown, or restored from the task bar where there is no notification area); the
    // volumes are read then, so the list is not left empty.
    if (ComboBox1.count() == 0) ReadVolumes(phone);
    const std::string volume = ComboBox1.currentData().toByteArray().toStdString();
    ProgressBar1.setValue(0);
    const auto listing =
        browser_.Read(phone, volume, [this](std::int64_t read, std::int64_t counted) {
          ProgressBar1.setMaximum(
              static_cast<int>(std::clamp<std::int64_t>(counted, 0, INT32_MAX)));
          ProgressBar1.setValue(static_cast<int>(std::clamp<std::int64_t>(read, 0, INT32_MAX)));
          ProgressBar1.repaint();
          return true;
        });
    fileList_.SetRows(phonefiles::RowsByNumberText(listing.files));
    StatusBar1.SetPanel(3, QStringLiteral("Всего: %1").arg(listing.files.size()));
    if (volume.size() == 2) {
      StatusBar1.SetPanel(
          2, QStringLiteral("Свободно: %1 Кб").arg(listing.freeBytes.value_or(0) / 1024));
    }
    ProgressBar1.setValue(0);
  }
  ListView1.setUpdatesEnabled(true);
  SetFileControls(true);
  SetEnabledIfChanged(Button1, false);
  SetEnabledIfChanged(p2k1, false);
  StatusBar1.SetPanel(0, QString());
}

void TForm1::SetFileControls(bool enabled) {
  for (QObject* control : std::initializer_list<QObject*>{&Button3, &SpeedButton3, &SpeedButton2,
                                                          &SpeedButton1, &MenuItem1, &MenuItem3,
                                                          &N10, &CheckBox2, &CheckBox3, &CheckBox4})
    SetEnabledIfChanged(control, enabled);
}

void TForm1::ListView1Click() {
  attributeEdit_ = false;
  const auto rows = SelectedRows();
  SetEnabledIfChanged(SpeedButton1, !rows.empty());
  SetEnabledIfChanged(SpeedButton3, !rows.empty());
  const std::uint16_t word = rows.empty() ? 0 : fileList_.Row(rows.front()).file.Attr;
  CheckBox2.setChecked(word & phonelink::faReadOnly);
  CheckBox3.setChecked(word & phonelink::faHidden);
  CheckBox4.setChecked(word & phonelink::faSystem);
  attributeEdit_ = true;
}

void TForm1::SetAttr() {
  if (!attributeEdit_ || browser_.Copying()) return;
  auto phone = polling_.CurrentP2K();
  const auto names = SelectedNames();
  if (!phone || names.empty()) return;
  const std::uint16_t word = (CheckBox2.isChecked() ? phonelink::faReadOnly : 0) |
                             (CheckBox3.isChecked() ? phonelink::faHidden : 0) |
                             (CheckBox4.isChecked() ? phonelink::faSystem : 0);
  const auto result = browser_.SetAttributes(phone, names.front(), word);
  if (result.ok()) {
    services_.dialogs.Message(this, QStringLiteral("Информация"),
                              QStringLiteral("Атрибуты успешно применены!"),
                              desktop::MessageIcon::Information, desktop::MessageButtons::Ok);
  } else {
    ShowFailure(QStringLiteral("Атрибуты не применены."), result);
  }
  ReadMobile();
}

void TForm1::Button3Click() { ReadMobile(); }
void TForm1::MenuItem3Click() { ReadMobile(); }

void TForm1::SpeedButton3Click() {
  if (!SelectedRows().empty()) DelFile();
}
void TForm1::MenuItem1Click() { SpeedButton3Click(); }

void TForm1::DelFile() {
  if (browser_.Copying()) return;
  if (services_.dialogs.Message(this, QStringLiteral("Подтверждение"),
                                QStringLiteral("Вы действительно хотите удалить файл?"),
                                desktop::MessageIcon::Question,
                                desktop::MessageButtons::YesNo) != desktop::MessageAnswer::Yes)
    return;
  auto phone = polling_.CurrentP2K();
  const auto names = SelectedNames();
  if (!phone || names.empty()) return;
  const QStringList failed = FailureLines(browser_.Delete(phone, names));
  if (failed.isEmpty()) {
    services_.dialogs.Message(this, QStringLiteral("Информация"),
                              QStringLiteral("Файл успешно удален!"),
                              desktop::MessageIcon::Information, desktop::MessageButtons::Ok);
  } else {
    services_.dialogs.Message(this, QStringLiteral("Ошибка"),
                              QStringLiteral("Не удалось удалить:\n") + failed.join('\n'),
                              desktop::MessageIcon::Warning, desktop::MessageButtons::Ok);
  }
  ReadMobile();
}

bool TForm1::CopyProgress(std::int64_t done, std::int64_t total) {
  ProgressBar1.setMaximum(static_cast<int>(std::clamp<std::int64_t>(total, 0, INT32_MAX)));
  ProgressBar1.setValue(static_cast<int>(std::clamp<std::int64_t>(done, 0, INT32_MAX)));
  StatusBar1.SetPanel(
      0, QString::asprintf("Копирование файла %2.f/%2.f kB", done / 1024.0, total / 1024.0));
  QCoreApplication::processEvents();
  return true;
}

phonefiles::TransferOptions TForm1::CopyOptions() {
  phonefiles::TransferOptions options;
  options.progress = [this](std::int64_t done, std::int64_t total) {
    return CopyProgress(done, total);
  };
  return options;
}

void TForm1::SpeedButton1Click() {
  if (browser_.Copying()) return;
  const QString panel0 = StatusBar1.Panel(0);
  auto phone = polling_.CurrentP2K();
  const auto names = SelectedNames();
  if (!phone || names.empty()) return;
  const auto folder =
      BrowseForFolder(QStringLiteral("Укажите папку для сохранения:"), StartFolder());
  if (!folder) {
    StatusBar1.SetPanel(0, panel0);
    return;
  }
  lastFolder_ = *folder;
  const auto outcomes = browser_.Save(phone, names, HostPathOf(*folder), CopyOptions());
  if (!outcomes.empty() && outcomes.back().result.failure == phonefiles::Failure::HostFile) {
    ShowHostFileError(outcomes.back().result);
    return;
  }
  const QStringList failed = FailureLines(outcomes);
  if (!failed.isEmpty()) {
    services_.dialogs.Message(this, QStringLiteral("Ошибка"),
                              QStringLiteral("Не удалось сохранить:\n") + failed.join('\n'),
                              desktop::MessageIcon::Warning, desktop::MessageButtons::Ok);
  }
  ReadMobile();
  StatusBar1.SetPanel(0, panel0);
}

void TForm1::N10Click() { SpeedButton1Click(); }

void TForm1::SpeedButton2Click() {
  if (browser_.Copying()) return;
  auto phone = polling_.CurrentP2K();
  if (!phone) return;
  const auto chosen = services_.dialogs.OpenFileNames(this, QString(), StartFolder(),
                                                      QStringLiteral("Все файлы (*)"));
  if (!chosen || chosen->isEmpty()) return;
  lastFolder_ = QFileInfo(chosen->front()).absolutePath();
  for (const QString& hostFile : *chosen) {
    const QString proposal =
        QString::fromUtf8(phonefiles::kUploadFolder.data(), phonefiles::kUploadFolder.size()) +
        QFileInfo(hostFile).fileName();
    const QString answer = services_.dialogs
                               .InputText(this, QStringLiteral("Имя файла"),
                                          QStringLiteral("Укажите путь для закачки:"), proposal)
                               .value_or(proposal);
    if (!answer.isEmpty() && !Upload(phone, hostFile, answer)) return;
    ReadMobile();
  }
}

// False when a host file error ended the action.
bool TForm1::Upload(const std::shared_ptr<phonelink::TMotoP2KModemItem>& phone,
                    const QString& hostFile, const QString& phoneName) {
  const auto outcome =
      browser_.Upload(phone, HostPathOf(hostFile), phoneName.toStdString(), CopyOptions());
  switch (outcome.result.failure) {
    case phonefiles::Failure::None:
      return true;
    case phonefiles::Failure::NotPhoneText:
      services_.dialogs.Message(this, QStringLiteral("Ошибка"),
                                QStringLiteral("Имя \"%1\" нельзя записать на телефон: в нём "
                                               "есть знаки, которых нет в кодировке телефона.")
                                    .arg(phoneName),
                                desktop::MessageIcon::Warning, desktop::MessageButtons::Ok);
      return true;
    case phonefiles::Failure::HostFile:
      ShowHostFileError(outcome.result);
      return false;
    default:
      ShowFailure(QStringLiteral("Файл не скопирован в телефон."), outcome.result);
      return true;
  }
}

void TForm1::BitBtn1Click() { DeleteToneDB(); }
void TForm1::N6Click() { DeleteToneDB(); }

void TForm1::DeleteToneDB() {
  auto phone = polling_.CurrentP2K();
  if (!phone || browser_.Copying()) return;
  const auto result = phonefiles::PhoneFiles(phone).ResetToneDatabase();
  if (!result.ok()) {
    ShowFailure(QStringLiteral("База мелодий не удалена."), result);
    return;
  }
  services_.dialogs.Message(nullptr, QStringLiteral("Обновление базы мелодий"),
                            QStringLiteral("Выполнено успешно!"), desktop::MessageIcon::Information,
                            desktop::MessageButtons::Ok);
}

QString TForm1::StartFolder() const {
  return lastFolder_.isEmpty() ? QDir::homePath() : lastFolder_;
}

// The chosen folder, or nullopt when the user cancels. Nothing is preselected.
std::optional<QString> TForm1::BrowseForFolder(const QString& title, const QString& root) {
  return services_.dialogs.ChooseFolder(nullptr, title, root);
}

}  // namespace vestrel::mainwindow
