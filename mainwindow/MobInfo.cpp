#include "mainwindow/MobInfo.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

#include "p2kapi/PhoneInfo.h"
#include "phonelink/PhoneText.h"

namespace vestrel::mainwindow {
namespace {

const QString kModel = QStringLiteral("Модель: ");
const QString kFirmware = QStringLiteral("Прошивка: ");
const QString kFlex = QStringLiteral("Флекс: ");

constexpr QSize kClientSize{271, 111};
constexpr int kMargin = 6;
constexpr int kButtonWidth = 75;

QFont LabelFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(16);
  return font;
}

// The captions end at one column, so the three values start at the same place; the column
// is as far left as the widest caption allows, leaving the values the most room.
int ValueColumn() {
  const QFontMetrics metrics(LabelFont());
  return kMargin +
         std::max({metrics.horizontalAdvance(kModel), metrics.horizontalAdvance(kFirmware),
                   metrics.horizontalAdvance(kFlex)});
}

void placeLabel(QLabel& label, const QString& caption, int top) {
  label.setFont(LabelFont());
  label.setText(caption);
  const int left = ValueColumn() - QFontMetrics(label.font()).horizontalAdvance(caption);
  label.setGeometry(left, top, kClientSize.width() - kMargin - left, 20);
}

}  // namespace

TForm2::TForm2(p2kapi::P2KApi& library, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      Label1(this),
      Label2(this),
      Label3(this),
      Button1(this),
      library_(library) {
  setWindowTitle(QStringLiteral("Информация о телефоне"));
  setFixedSize(kClientSize);
  placeLabel(Label1, kModel, 6);
  placeLabel(Label2, kFirmware, 28);
  placeLabel(Label3, kFlex, 50);
  Button1.setText(QStringLiteral("OK"));
  Button1.setGeometry((kClientSize.width() - kButtonWidth) / 2, 80, kButtonWidth, 25);
  Button1.setDefault(true);
  connect(&Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

// A read that fails shows nothing after the captions rather than an earlier phone's values.
void TForm2::FormShow() {
  if (library_.P2K_GetStatus() != p2kapi::P2KApi::kReady) return;
  Label1.setText(kModel);
  Label2.setText(kFirmware);
  Label3.setText(kFlex);
  const auto info = p2kapi::ReadPhoneInfo(library_);
  if (!info) return;
  Label1.setText(kModel + QString::fromStdString(phonelink::PhoneTextToUtf8(info->model)));
  Label2.setText(kFirmware + QString::fromStdString(phonelink::PhoneTextToUtf8(info->firmware)));
  Label3.setText(kFlex + QString::fromStdString(phonelink::PhoneTextToUtf8(info->flex)));
  FitValues();
}

// A value longer than the dialog has room for widens it rather than being cut off; the
// dialog never gets narrower than its designed width.
void TForm2::FitValues() {
  int width = kClientSize.width();
  for (QLabel* label : {&Label1, &Label2, &Label3}) {
    const int needed = QFontMetrics(label->font()).horizontalAdvance(label->text()) +
                       2 * label->margin() + 2 * label->frameWidth();
    width = std::max(width, label->x() + needed + kMargin);
  }
  setFixedSize(width, kClientSize.height());
  for (QLabel* label : {&Label1, &Label2, &Label3})
    label->resize(width - kMargin - label->x(), label->height());
  Button1.move((width - kButtonWidth) / 2, Button1.y());
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
