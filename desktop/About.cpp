#include "desktop/About.h"

#include <QGuiApplication>
#include <QScreen>

namespace vestrel::desktop {
namespace {

QFont fontOf(const QString& family, int pixelHeight) {
  QFont font(family);
  font.setPixelSize(pixelHeight);
  return font;
}

void makeLink(TLabel3D& label, TLabelStyle style, const QString& caption, QPoint at) {
  label.SetTextStyle(tsRaised);
  label.SetLabelStyle(style);
  label.setCursor(Qt::PointingHandCursor);
  QFont font = fontOf(QStringLiteral("Arial"), 12);
  font.setUnderline(true);
  label.setFont(font);
  label.SetFontColor(Qt::red);
  label.move(at);
  label.SetCaption(caption);
}

}  // namespace

TForm3::TForm3(platform::Shell& shell, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      Label3D1(shell, this),
      Label1(this),
      Label2(this),
      Label3D2(shell, this),
      Label3D3(shell, this),
      Button1(this),
      shell_(shell) {
  setWindowTitle(QStringLiteral("О программе"));
  setFixedSize(269, 199);

  Label3D1.SetAutoSize(false);
  Label3D1.setGeometry(8, 2, 253, 28);
  Label3D1.setAlignment(Qt::AlignHCenter);
  QFont title = fontOf(QStringLiteral("Arial"), 22);
  title.setBold(true);
  Label3D1.setFont(title);
  Label3D1.SetFontColor(QColor(0x00, 0x00, 0x80));
  Label3D1.SetTextStyle(tsShadow);
  Label3D1.SetShift(2);
  Label3D1.SetCaption(QStringLiteral("Vestrel"));

  Label1.setGeometry(8, 32, 257, 81);
  Label1.setWordWrap(true);
  Label1.setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label1.setFont(fontOf(QStringLiteral("MS Sans Serif"), 13));
  Label1.setText(QStringLiteral(
      "Изначально программа писАлась для себя, но потом добавил эту форму и еще немного "
      "функций, решил дать попользоваться другим :). Не судите строго! =)"));

  Label2.move(24, 120);
  Label2.setFont(fontOf(QStringLiteral("Arial"), 12));
  Label2.setText(QStringLiteral("Благодарности: Зорину и Лисиной :)"));
  Label2.adjustSize();

  makeLink(Label3D2, lsEMailAddress, QString::fromLatin1(kAuthorEMail), {8, 151});
  makeLink(Label3D3, lsWWWAddress, QStringLiteral("Вестрел"), {200, 152});
  Label3D2.SetOnClick([this](TLabel3D&) { Label3D2Click(); });
  Label3D3.SetOnClick([this](TLabel3D&) { Label3D3Click(); });

  Button1.setGeometry(96, 176, 75, 17);
  Button1.setText(QStringLiteral("Закрыть"));
  connect(&Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TForm3::Button1Click() { close(); }

// The shell's answer is not checked: a desktop without a mail program simply opens nothing.
void TForm3::Label3D2Click() { shell_.openAddress(std::string("mailto:") + kAuthorEMail); }

void TForm3::Label3D3Click() { shell_.openAddress(kWebSite); }

void TForm3::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect available = screen->availableGeometry();
    move(available.center() - QPoint(width() / 2, height() / 2));
  }
}

}  // namespace vestrel::desktop
