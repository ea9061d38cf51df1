#include "mainwindow/MobInfo.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

#include "p2kapi/PhoneInfo.h"
#include "phonelink/PhoneText.h"

namespace vestrel::mainwindow {
namespace {

const QString kModel = QStringLiteral("Модель: ");
const QString kFirmware = QStringLiteral("Прошивка: ");
const QString kFlex = QStringLiteral("Флекс: ");

// The captions end at this column, so the three values start at the same place.
constexpr int kValueColumn = 96;

void placeLabel(QLabel& label, const QString& caption, int top) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(16);
  label.setFont(font);
  label.setText(caption);
  const int captionWidth = QFontMetrics(font).horizontalAdvance(caption);
  label.setGeometry(kValueColumn - captionWidth, top, 271 - 4 - (kValueColumn - captionWidth), 20);
}

}  // namespace

TForm2::TForm2(P2KApi& library, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      Label1(this),
      Label2(this),
      Label3(this),
      Button1(this),
      library_(library) {
  setWindowTitle(QStringLiteral("Информация о телефоне"));
  setFixedSize(271, 111);
  placeLabel(Label1, kModel, 6);
  placeLabel(Label2, kFirmware, 28);
  placeLabel(Label3, kFlex, 50);
  Button1.setText(QStringLiteral("OK"));
  Button1.setGeometry((271 - 75) / 2, 80, 75, 25);
  Button1.setDefault(true);
  connect(&Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

// A read that fails shows nothing after the captions rather than an earlier phone's values.
void TForm2::FormShow() {
  if (library_.P2K_GetStatus() != P2KApi::kReady) return;
  Label1.setText(kModel);
  Label2.setText(kFirmware);
  Label3.setText(kFlex);
  const auto info = ReadPhoneInfo(library_);
  if (!info) return;
  Label1.setText(kModel + QString::fromStdString(PhoneTextToUtf8(info->model)));
  Label2.setText(kFirmware + QString::fromStdString(PhoneTextToUtf8(info->firmware)));
  Label3.setText(kFlex + QString::fromStdString(PhoneTextToUtf8(info->flex)));
}

void TForm2::Button1Click() { close(); }

void TForm2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  FormShow();
}

}  // namespace vestrel::mainwindow
