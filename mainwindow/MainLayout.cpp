// Where the main window's controls stand and what they say.
#include <QHeaderView>
#include <QStyle>

#include "mainwindow/Main.h"

namespace vestrel::mainwindow {
namespace {

constexpr int kButtonWidth = 105;
constexpr int kButtonHeight = 28;
constexpr int kButtonStep = kButtonWidth + 6;

void place(QWidget& control, QWidget& parent, int column, int row, const char* caption) {
  control.setParent(&parent);
  control.setGeometry(8 + kButtonStep * column, 8 + 36 * row, kButtonWidth, kButtonHeight);
  if (auto* button = qobject_cast<QAbstractButton*>(&control))
    button->setText(QString::fromUtf8(caption));
}

void pictureButton(QToolButton& button, QWidget& parent, int x, QStyle::StandardPixmap picture,
                   const char* name) {
  button.setParent(&parent);
  button.setGeometry(x, 86, 28, 28);
  button.setIcon(parent.style()->standardIcon(picture));
  button.setIconSize(QSize(20, 20));
  button.setToolTip(QString::fromUtf8(name));
  button.setAccessibleName(QString::fromUtf8(name));
  button.setFocusPolicy(Qt::StrongFocus);
}

void item(QAction& action, desktop::TPopupMenu& menu, const char* caption) {
  action.setText(QString::fromUtf8(caption));
  menu.addAction(&action);
}

}  // namespace

void TForm1::BuildPanel() {
  Panel1.setGeometry(0, 0, 793, 80);
  Panel1.setFrameStyle(QFrame::Panel | QFrame::Raised);
  place(BitBtn2, Panel1, 0, 0, "Перезагрузить");
  place(Button7, Panel1, 1, 0, "Выключить");
  place(Button5, Panel1, 2, 0, "Спящий режим");
  place(Button8, Panel1, 3, 0, "Flash-режим");
  place(Button9, Panel1, 4, 0, "Тест-режим");
  place(Button10, Panel1, 5, 0, "Режим AT");
  place(BitBtn1, Panel1, 6, 0, "MyToneDB.db");
  place(BitBtn3, Panel1, 0, 1, "Информация");
  place(Button1, Panel1, 1, 1, "p2k режим");
  place(Button2, Panel1, 2, 1, "Full Backup");
  place(BitBtn6, Panel1, 3, 1, "О программе");
  place(BitBtn5, Panel1, 4, 1, "Свернуть");
  place(BitBtn4, Panel1, 5, 1, "Выход");
  place(CheckBox1, Panel1, 6, 1, "Автозагрузка");
  Button1.setEnabled(false);
  Button2.setAccessibleName(QStringLiteral("Полная резервная копия (Full Backup)"));
  BitBtn1.setToolTip(QStringLiteral("Удалить MyToneDB.db"));
  BitBtn1.setAccessibleName(QStringLiteral("Удалить MyToneDB.db"));
}

void TForm1::BuildBrowser() {
  Button3.setParent(this);
  Button3.setGeometry(8, 86, 90, 28);
  Button3.setText(QStringLiteral("Обновить"));
  pictureButton(SpeedButton1, *this, 106, QStyle::SP_DialogSaveButton, "Сохранить на компьютер");
  pictureButton(SpeedButton2, *this, 138, QStyle::SP_ArrowUp, "Копировать в телефон");
  pictureButton(SpeedButton3, *this, 170, QStyle::SP_TrashIcon, "Удалить");
  struct Attribute {
    QCheckBox* box;
    const char* caption;
    const char* name;
  };
  const std::array<Attribute, 3> attributes{{{&CheckBox2, "ReadOnly", "Только чтение (ReadOnly)"},
                                             {&CheckBox3, "Hidden", "Скрытый (Hidden)"},
                                             {&CheckBox4, "System", "Системный (System)"}}};
  int x = 214;
  for (const Attribute& attribute : attributes) {
    attribute.box->setParent(this);
    attribute.box->setGeometry(x, 86, 88, 28);
    attribute.box->setText(QString::fromUtf8(attribute.caption));
    attribute.box->setAccessibleName(QString::fromUtf8(attribute.name));
    x += 92;
  }
  ProgressBar1.setParent(this);
  ProgressBar1.setGeometry(494, 90, 291, 20);
  ProgressBar1.setTextVisible(false);
  ProgressBar1.setAccessibleName(QStringLiteral("Ход копирования"));
  ProgressBar1.setValue(0);

  ListView1.setParent(this);
  ListView1.setGeometry(3, 120, 787, 396);
  ListView1.setModel(&fileList_);
  // The attribute column holds its longest text whole; the file column gives up that room.
  const int longest =
      ListView1.fontMetrics().horizontalAdvance(QStringLiteral("ReadOnly+Hidden+System"));
  const int margins = 2 * (ListView1.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
  const int attributeWidth = std::max(120, longest + margins + 8);
  const std::array<int, 4> widths{80, 500 + 120 - attributeWidth, attributeWidth, 70};
  for (int column = 0; column < 4; ++column) ListView1.setColumnWidth(column, widths.at(column));
  ListView1.horizontalHeader()->setSectionsClickable(false);
  ListView1.verticalHeader()->hide();
  ListView1.verticalHeader()->setDefaultSectionSize(20);
  ListView1.setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1.setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1.setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1.setShowGrid(true);
  ListView1.setWordWrap(false);
  ListView1.setContextMenuPolicy(Qt::CustomContextMenu);
  ListView1.setAccessibleName(QStringLiteral("Файлы телефона"));

  StatusBar1.setGeometry(0, 520, 793, 20);
  StatusBar1.setAccessibleName(QStringLiteral("Строка состояния"));

  // Never shown: the phones found in each mode, the current phone's volumes, and whether
  // closing hides the window. They stay out of the window, so a screen reader never meets them.
  for (QWidget* hidden :
       std::initializer_list<QWidget*>{&ListBox1, &ListBox2, &ListBox3, &ComboBox1, &CheckBox5})
    hidden->hide();
  ListBox1.setAccessibleName(QStringLiteral("Телефоны в режиме P2K"));
  ListBox2.setAccessibleName(QStringLiteral("Телефоны в режиме Flash"));
  ListBox3.setAccessibleName(QStringLiteral("Телефоны в режиме AT"));
  ComboBox1.setAccessibleName(QStringLiteral("Диски телефона"));
  CheckBox5.setText(QStringLiteral("Close to tray"));
  CheckBox5.setChecked(true);
}

void TForm1::BuildMenus() {
  item(N2, pm, "Перезагрузить");
  item(N7, pm, "Выключить");
  item(Flash1, pm, "Flash-режим");
  item(N8, pm, "Спящиц режим");
  item(N9, pm, "Тест-режим");
  item(AT1, pm, "Режим AT");
  item(N6, pm, "Удалить MyToneDB.db");
  item(N4, pm, "Информация о телефоне");
  item(p2k1, pm, "p2k режим");
  N3.setSeparator(true);
  pm.addAction(&N3);
  item(N5, pm, "О программе");
  item(N1, pm, "Выход");
  p2k1.setEnabled(false);
  pm.setAccessibleName(QStringLiteral("Меню значка"));

  item(MenuItem1, PopupMenu2, "Удалить");
  item(N10, PopupMenu2, "Сохранить");
  MenuItem2.setSeparator(true);
  PopupMenu2.addAction(&MenuItem2);
  item(MenuItem3, PopupMenu2, "Обновить");
  PopupMenu2.setAccessibleName(QStringLiteral("Меню списка файлов"));

  phoneControlGroup_ = {&N2,        &N6,        &N4,           &N7,           &Flash1,
                        &N8,        &N9,        &AT1,          &BitBtn2,      &BitBtn1,
                        &BitBtn3,   &Button5,   &Button7,      &Button8,      &Button9,
                        &Button10,  &Button3,   &SpeedButton1, &SpeedButton2, &SpeedButton3,
                        &MenuItem3, &CheckBox2, &CheckBox3,    &CheckBox4};
}

}  // namespace vestrel::mainwindow
