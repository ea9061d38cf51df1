// The phone's file browser in the lower half of the main window.
//
// A save or copy to the phone lets the event loop run between blocks, so polling passes and
// clicks arrive in the middle of it. The names a copy needs are taken before its first file,
// the phone item is held by the copy itself, and every other file action is refused until the
// copy ends, so neither the rows nor the item can change under it.
#include <QCoreApplication>
#include <QFileInfo>

#include "mainwindow/Controls.h"
#include "mainwindow/Main.h"
#include "phonefiles/PhoneFiles.h"
#include "platform/HostFileSystem.h"
#include "phonelink/PhoneText.h"

namespace vestrel::mainwindow {
namespace {

constexpr int kNumberColumn = 0;
constexpr int kNameColumn = 1;
constexpr int kAttributeColumn = 2;
constexpr int kSizeColumn = 3;
constexpr int kNameRole = Qt::UserRole;

QString Shown(std::string_view phoneText) {
  return QString::fromStdString(PhoneTextForDisplay(phoneText));
}

QTableWidgetItem* Cell(const QString& text, Qt::Alignment alignment = Qt::AlignLeft) {
  auto* cell = new QTableWidgetItem(text);
  cell->setTextAlignment(alignment | Qt::AlignVCenter);
  return cell;
}

// The part of a phone name after its last "/", as a host file name; empty when that part
// cannot name a file inside the chosen folder.
std::filesystem::path HostNameOf(const std::string& phoneName) {
  const auto slash = phoneName.rfind('/');
  const std::string last = slash == std::string::npos ? phoneName : phoneName.substr(slash + 1);
  const std::string utf8 = PhoneTextToUtf8(last);
  return platform::PlainHostFileName(utf8).value_or(std::filesystem::path());
}

}  // namespace

// One busy flag for the length of a copy; nested file actions see it and do nothing.
class TForm1::CopyInProgress {
 public:
  explicit CopyInProgress(bool& flag) : flag_(flag) { flag_ = true; }
  ~CopyInProgress() { flag_ = false; }
  CopyInProgress(const CopyInProgress&) = delete;
  CopyInProgress& operator=(const CopyInProgress&) = delete;

 private:
  bool& flag_;
};

void TForm1::ConnectBrowser() {
  ListView1.SetOnClick([this] { ListView1Click(); });
  connect(&ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    PopupMenu2.popup(ListView1.viewport()->mapToGlobal(at));
  });
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
  for (int row = 0; row < ListView1.rowCount(); ++row) {
    if (ListView1.selectionModel()->isRowSelected(row, {})) rows.push_back(row);
  }
  return rows;
}

std::string TForm1::RowName(int row) const {
  return ListView1.item(row, kNameColumn)->data(kNameRole).toByteArray().toStdString();
}

void TForm1::ShowFailure(const QString& what, const phonefiles::Result& result) {
  services_.dialogs.Message(this, QStringLiteral("Ошибка"),
                            what + QStringLiteral("\n") + QString::fromStdString(result.message),
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
  if (!phone || copying_) return;
  polling_.OpenCurrentP2K();
  StatusBar1.ShowNow(0, QStringLiteral("Пожалуйста подождите..."));
  ListView1.setUpdatesEnabled(false);
  ListView1.setRowCount(0);
  SetFileControls(false);
  SetEnabledIfChanged(Button1, true);
  SetEnabledIfChanged(p2k1, true);
  if (phone->IsOpen()) {
    // The window may have been shown before the first pass found the phone (at start with the
    // window shown, or restored from the task bar where there is no notification area); the
    // volumes are read then, so the list is not left empty.
    if (ComboBox1.count() == 0) ReadVolumes(*phone);
    const std::string volume = ComboBox1.currentData().toByteArray().toStdString();
    const std::int32_t count = phone->GetFileCount(volume + "/|*");
    StatusBar1.SetPanel(3, QStringLiteral("Всего: %1").arg(count));
    if (volume.size() == 2) {
      std::int64_t free = 0;
      phonefiles::PhoneFiles(phone).FreeSpace(volume, free);
      StatusBar1.SetPanel(2, QStringLiteral("Свободно: %1 Кб").arg(free / 1024));
      ProgressBar1.setValue(0);
      ProgressBar1.setMaximum(std::max(count, 0));
      phone->GetFileList(count, nullptr,
                         [this](const P2KFileRecord& entry) { return AddFileEntry(entry); });
      ProgressBar1.setValue(0);
    }
  }
  ListView1.setUpdatesEnabled(true);
  SetFileControls(true);
  SetEnabledIfChanged(Button1, false);
  SetEnabledIfChanged(p2k1, false);
  StatusBar1.SetPanel(0, QString());
}

void TForm1::SetFileControls(bool enabled) {
  for (QObject* control : std::initializer_list<QObject*>{
           &Button3, &SpeedButton3, &SpeedButton2, &SpeedButton1, &MenuItem1, &MenuItem3, &N10,
           &CheckBox2, &CheckBox3, &CheckBox4})
    SetEnabledIfChanged(control, enabled);
}

// The list keeps its rows sorted by the "#" text, compared as text: 1, 10, 11, 2, ...
bool TForm1::AddFileEntry(const P2KFileRecord& entry) {
  const int added = ListView1.rowCount();
  ListView1.insertRow(added);
  auto* number = Cell(QString::number(added + 1));
  ListView1.setItem(added, kNumberColumn, number);
  ListView1.sortItems(kNumberColumn);
  const int row = ListView1.row(number);
  auto* name = Cell(Shown(entry.Name));
  name->setData(kNameRole, QByteArray::fromStdString(entry.Name));
  ListView1.setItem(row, kNameColumn, name);
  ListView1.setItem(row, kAttributeColumn,
                    Cell(QString::fromStdString(AttrToText(entry.Attr)), Qt::AlignHCenter));
  ListView1.setItem(row, kSizeColumn,
                    Cell(QString::number(static_cast<std::int32_t>(entry.Size)), Qt::AlignHCenter));
  ProgressBar1.setValue(row);
  ProgressBar1.repaint();
  return true;
}

void TForm1::ListView1Click() {
  attributeEdit_ = false;
  const auto rows = SelectedRows();
  SetEnabledIfChanged(SpeedButton1, !rows.empty());
  SetEnabledIfChanged(SpeedButton3, !rows.empty());
  const std::uint16_t word =
      rows.empty() ? 0
                   : TextToAttr(ListView1.item(rows.front(), kAttributeColumn)->text().toStdString());
  CheckBox2.setChecked(word & faReadOnly);
  CheckBox3.setChecked(word & faHidden);
  CheckBox4.setChecked(word & faSystem);
  attributeEdit_ = true;
}

void TForm1::SetAttr() {
  if (!attributeEdit_ || copying_) return;
  auto phone = polling_.CurrentP2K();
  const auto rows = SelectedRows();
  if (!phone || rows.empty()) return;
  const std::uint16_t word = (CheckBox2.isChecked() ? faReadOnly : 0) |
                             (CheckBox3.isChecked() ? faHidden : 0) |
                             (CheckBox4.isChecked() ? faSystem : 0);
  const auto result = phonefiles::PhoneFiles(phone).SetAttributes(RowName(rows.front()), word);
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
  if (copying_) return;
  if (services_.dialogs.Message(this, QStringLiteral("Подтверждение"),
                                QStringLiteral("Вы действительно хотите удалить файл?"),
                                desktop::MessageIcon::Question,
                                desktop::MessageButtons::YesNo) != desktop::MessageAnswer::Yes)
    return;
  auto phone = polling_.CurrentP2K();
  const auto rows = SelectedRows();
  if (!phone || rows.empty()) return;
  std::vector<std::string> names;
  for (int row : rows) names.push_back(RowName(row));
  phonefiles::PhoneFiles files(phone);
  QStringList failed;
  for (const auto& name : names) {
    const auto result = files.Remove(name);
    if (!result.ok()) failed << Shown(name) + QStringLiteral(": ") +
                                    QString::fromStdString(result.message);
  }
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
  StatusBar1.SetPanel(0, QString::asprintf("Копирование файла %2.f/%2.f kB", done / 1024.0,
                                           total / 1024.0));
  QCoreApplication::processEvents();
  return true;
}

void TForm1::SpeedButton1Click() {
  if (copying_) return;
  const QString panel0 = StatusBar1.Panel(0);
  auto phone = polling_.CurrentP2K();
  const auto rows = SelectedRows();
  if (!phone || rows.empty()) return;
  const auto folder = BrowseForFolder(QStringLiteral("Укажите папку для сохранения:"), QString());
  if (!folder) {
    StatusBar1.SetPanel(0, panel0);
    return;
  }
  std::vector<std::string> wanted;
  for (int row : rows) wanted.push_back(RowName(row));
  {
    CopyInProgress busy(copying_);
    phonefiles::PhoneFiles files(phone);
    QStringList failed;
    for (const auto& name : wanted) {
      const auto hostName = HostNameOf(name);
      if (hostName.empty()) {
        failed << Shown(name) + QStringLiteral(": no file name to save it under");
        continue;
      }
      phonefiles::TransferOptions options;
      options.progress = [this](std::int64_t done, std::int64_t total) {
        return CopyProgress(done, total);
      };
      const auto result =
          files.Download(name, std::filesystem::path(folder->toStdU16String()) / hostName,
                         options);
      if (result.failure == phonefiles::Failure::HostFile) {
        ShowHostFileError(result);
        return;
      }
      if (!result.ok())
        failed << Shown(name) + QStringLiteral(": ") + QString::fromStdString(result.message);
    }
    if (!failed.isEmpty()) {
      services_.dialogs.Message(this, QStringLiteral("Ошибка"),
                                QStringLiteral("Не удалось сохранить:\n") + failed.join('\n'),
                                desktop::MessageIcon::Warning, desktop::MessageButtons::Ok);
    }
  }
  ReadMobile();
  StatusBar1.SetPanel(0, panel0);
}

void TForm1::N10Click() { SpeedButton1Click(); }

void TForm1::SpeedButton2Click() {
  if (copying_) return;
  auto phone = polling_.CurrentP2K();
  if (!phone) return;
  const auto chosen = services_.dialogs.OpenFileNames(this, QString(), QString(),
                                                      QStringLiteral("Все файлы (*)"));
  if (!chosen) return;
  for (const QString& hostFile : *chosen) {
    const QString proposal = QString::fromUtf8(phonefiles::kUploadFolder.data(),
                                               phonefiles::kUploadFolder.size()) +
                             QFileInfo(hostFile).fileName();
    const QString answer =
        services_.dialogs
            .InputText(this, QStringLiteral("Имя файла"),
                       QStringLiteral("Укажите путь для закачки:"), proposal)
            .value_or(proposal);
    if (!answer.isEmpty() && !Upload(phone, hostFile, answer)) return;
    ReadMobile();
  }
}

// False when a host file error ended the action.
bool TForm1::Upload(const std::shared_ptr<TMotoP2KModemItem>& phone, const QString& hostFile,
                    const QString& phoneName) {
  const auto name = Utf8ToPhoneText(phoneName.toStdString());
  if (!name) {
    services_.dialogs.Message(this, QStringLiteral("Ошибка"),
                              QStringLiteral("Имя \"%1\" нельзя записать на телефон: в нём есть "
                                             "знаки, которых нет в кодировке телефона.")
                                  .arg(phoneName),
                              desktop::MessageIcon::Warning, desktop::MessageButtons::Ok);
    return true;
  }
  CopyInProgress busy(copying_);
  phonefiles::TransferOptions options;
  options.progress = [this](std::int64_t done, std::int64_t total) {
    return CopyProgress(done, total);
  };
  const auto result = phonefiles::PhoneFiles(phone).Upload(
      std::filesystem::path(hostFile.toStdU16String()), *name, options);
  if (result.failure == phonefiles::Failure::HostFile) {
    ShowHostFileError(result);
    return false;
  }
  if (!result.ok()) ShowFailure(QStringLiteral("Файл не скопирован в телефон."), result);
  return true;
}

void TForm1::BitBtn1Click() { DeleteToneDB(); }
void TForm1::N6Click() { DeleteToneDB(); }

void TForm1::DeleteToneDB() {
  auto phone = polling_.CurrentP2K();
  if (!phone || copying_) return;
  const auto result = phonefiles::PhoneFiles(phone).ResetToneDatabase();
  if (!result.ok()) {
    ShowFailure(QStringLiteral("База мелодий не удалена."), result);
    return;
  }
  services_.dialogs.Message(nullptr, QStringLiteral("Обновление базы мелодий"),
                            QStringLiteral("Выполнено успешно!"),
                            desktop::MessageIcon::Information, desktop::MessageButtons::Ok);
}

// The chosen folder, or nullopt when the user cancels. Nothing is preselected.
std::optional<QString> TForm1::BrowseForFolder(const QString& title, const QString& root) {
  return services_.dialogs.ChooseFolder(nullptr, title, root);
}

}  // namespace vestrel::mainwindow
