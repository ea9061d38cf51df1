#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QDir>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

#include "tests/backup/window/DialogRig.h"

namespace vestrel::testing {
namespace {

using backup::TForm4;
using ::testing::ElementsAre;

class DialogControls : public DialogRig {};

TEST_F(DialogControls, StartsWithTheDesignedControlsAndStates) {
  OpenWithPhone();
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Создание резервной копии"));
  EXPECT_EQ(form->size(), TForm4::kClientSize);
  EXPECT_TRUE(form->windowFlags() & Qt::Tool);
  EXPECT_EQ(form->Label1.text(), QStringLiteral("Выберите модель:"));
  EXPECT_EQ(form->GroupBox1.title(), QStringLiteral("Выберите элементы:"));
  EXPECT_EQ(form->Button13.text(), QStringLiteral("Страрт"));
  EXPECT_EQ(form->CheckBox1.text(), QStringLiteral("Запаковать"));
  EXPECT_EQ(form->CheckBox2.text(), QStringLiteral("PDS"));
  EXPECT_EQ(form->CheckBox2.parentWidget(), &form->GroupBox1);
  EXPECT_TRUE(form->CheckBox1.isChecked());
  EXPECT_FALSE(form->CheckBox2.isChecked());
  for (std::size_t slot = 0; slot < backup::kSlotCount; ++slot) {
    EXPECT_TRUE(form->ElementBox(slot).isChecked()) << slot;
  }

  ASSERT_EQ(form->cob.count(), 34);
  EXPECT_FALSE(form->cob.isEditable());
  EXPECT_EQ(form->cob.currentIndex(), 0);
  EXPECT_EQ(form->cob.itemText(0), QStringLiteral("C380"));
  EXPECT_EQ(form->cob.itemText(4), QStringLiteral("E1 ROKR (Оригинал)"));
  EXPECT_EQ(form->cob.itemText(33), QStringLiteral("V980 (64 Mb)"));

  EXPECT_TRUE(form->ListBox2.isHidden());
  EXPECT_THAT(form->ListBox2.count(), 1);
  EXPECT_EQ(form->ListBox2.currentRow(), 0);
  EXPECT_EQ(form->Timer1.interval(), 1);
  EXPECT_TRUE(form->SelectedPhone()->IsOpen());
}

// Hidden, with its phone open and nothing changing, the dialog runs no timer; a flash-mode
// notice, a "PDS" choice or a close makes the next tick due.
TEST_F(DialogControls, TicksOnlyWhenSomethingCanHaveChanged) {
  OpenWithPhone();
  EXPECT_FALSE(form->Timer1.isActive());
  EXPECT_FALSE(form->Schedule().RetryWaiting());

  rig.plug("G", virtualphone::PhoneMode::Flash);
  rig.bus.deliverNotices();
  EXPECT_TRUE(form->Timer1.isActive()) << "a notice wakes the dialog while it is hidden";
  form->Timer1Timer();
  EXPECT_FALSE(form->Timer1.isActive());

  form->CheckBox2.setChecked(true);
  ASSERT_TRUE(form->Timer1.isActive());
  form->Timer1Timer();
  EXPECT_FALSE(form->cb1.isEnabled()) << "the tick that followed the choice disabled the boxes";

  form->close();
  EXPECT_FALSE(form->SelectedPhone()->IsOpen());
  ASSERT_TRUE(form->Timer1.isActive());
  form->Timer1Timer();
  EXPECT_TRUE(form->SelectedPhone()->IsOpen()) << "the tick after a close opens the phone again";
  EXPECT_FALSE(form->Timer1.isActive());
  EXPECT_FALSE(form->Schedule().RetryWaiting());
}

// Where each visible box stands, by code group.
std::vector<std::pair<std::string, int>> Stack(TForm4& form) {
  std::vector<std::pair<std::string, int>> stack;
  for (std::size_t slot = 0; slot < backup::kSlotCount; ++slot) {
    const QCheckBox& box = form.ElementBox(slot);
    if (box.isHidden()) continue;
    stack.emplace_back(box.text().section(QLatin1Char(' '), 0, 0).toStdString(), box.y());
  }
  std::sort(stack.begin(), stack.end(), [](auto& a, auto& b) { return a.second < b.second; });
  return stack;
}

TEST_F(DialogControls, AModelChoiceStacksItsBoxesWithoutGaps) {
  Open();
  using P = std::pair<std::string, int>;
  EXPECT_THAT(Stack(*form), ElementsAre(P{"CG1", 24}, P{"CG2", 48}, P{"CG3", 72}, P{"CG4", 96},
                                        P{"CG15", 120}, P{"CG18", 144}));
  EXPECT_EQ(form->cb1.text(), QStringLiteral("CG1 (Программное обеспечение)"));
  form->cb3.setChecked(false);

  ChooseModel("V3x");
  EXPECT_THAT(Stack(*form), ElementsAre(P{"CG2", 24}, P{"CG4", 48}, P{"CG5", 72}, P{"CG8", 96},
                                        P{"CG15", 120}, P{"CG17", 144}, P{"CG18", 168}));
  EXPECT_EQ(form->Model().LoaderJumpAddress, "08000010");
  EXPECT_EQ(form->Model().LoaderFile, home / "Profiles" / "V3x.ldr");

  ChooseModel("C380");
  EXPECT_FALSE(form->cb3.isChecked()) << "a model never changes a tick";
  EXPECT_EQ(form->cb6.text(), QStringLiteral("CG8"));
}

// The width the style leaves a check box's caption beside its indicator.
int CaptionRoom(const QCheckBox& box) {
  QStyleOptionButton option;
  option.initFrom(&box);
  option.text = box.text();
  return box.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &box).width();
}

TEST_F(DialogControls, EveryModelsBoxesFitTheirPlaceAndTheGroup) {
  Open();
  for (int row = 0; row < form->cob.count(); ++row) {
    form->cob.setCurrentIndex(row);
    for (std::size_t slot = 0; slot < backup::kSlotCount; ++slot) {
      const QCheckBox& box = form->ElementBox(slot);
      EXPECT_EQ(box.height(), 17);
      EXPECT_EQ(box.width(), TForm4::ElementWidth(slot));
      EXPECT_EQ(box.x(), 8);
      if (box.isHidden()) continue;
      EXPECT_LE(box.fontMetrics().horizontalAdvance(box.text()), CaptionRoom(box))
          << form->cob.itemText(row).toStdString() << ": " << box.text().toStdString();
      EXPECT_LE(box.geometry().bottom(), form->CheckBox2.y()) << "clear of the PDS box";
    }
  }
  EXPECT_EQ(TForm4::ElementWidth(5), 193);
  EXPECT_EQ(TForm4::ElementWidth(6), 209);
  EXPECT_EQ(TForm4::ElementWidth(9), 217);
  EXPECT_LE(form->Label1.sizeHint().width(), form->Label1.width());
  EXPECT_LE(form->CheckBox1.fontMetrics().horizontalAdvance(form->CheckBox1.text()),
            CaptionRoom(form->CheckBox1));
  EXPECT_LE(form->CheckBox2.fontMetrics().horizontalAdvance(form->CheckBox2.text()),
            CaptionRoom(form->CheckBox2));
  EXPECT_LE(form->Button13.fontMetrics().horizontalAdvance(form->Button13.text()) + 12,
            form->Button13.width());
  EXPECT_LE(form->GroupBox1.geometry().bottom(), form->CheckBox1.y());
}

TEST_F(DialogControls, EveryControlIsNamedForScreenReaders) {
  OpenWithPhone();
  form->show();
  auto name = [](QWidget& widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&widget);
    return accessible ? accessible->text(QAccessible::Name) : QString();
  };
  // The model list reads as the chosen model, labelled by the text above it.
  QAccessibleInterface* models = QAccessible::queryAccessibleInterface(&form->cob);
  bool labelled = false;
  for (const auto& [label, relation] : models->relations(QAccessible::Label)) {
    labelled = labelled || label->object() == &form->Label1;
  }
  EXPECT_TRUE(labelled || models->text(QAccessible::Name) == form->Label1.text());
  EXPECT_EQ(models->text(QAccessible::Value), QStringLiteral("C380"));
  EXPECT_EQ(name(form->cb1), QStringLiteral("CG1 (Программное обеспечение)"));
  EXPECT_EQ(name(form->Button13), QStringLiteral("Страрт"));
  EXPECT_EQ(name(form->Memo1), QStringLiteral("Журнал"));
  EXPECT_EQ(name(form->ProgressBar1), QStringLiteral("Ход операции"));
  EXPECT_EQ(name(form->StatusBar1), QStringLiteral("Состояние"));
  for (QWidget* control : std::initializer_list<QWidget*>{&form->GroupBox1, &form->CheckBox1,
                                                          &form->CheckBox2, &form->ListBox2}) {
    EXPECT_FALSE(name(*control).isEmpty()) << control->metaObject()->className();
  }
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&form->ProgressBar1)->role(),
            QAccessible::ProgressBar);

  // The status panel is read as the status it shows.
  dialogs.AnswerFolder(std::nullopt);
  form->Button13.click();
  form->StatusPanel0.setText(QStringLiteral("Сохранение CG1..."));
  EXPECT_EQ(name(form->StatusPanel0), QStringLiteral("Сохранение CG1..."));
}

TEST_F(DialogControls, TheKeyboardReachesEveryControlInOrder) {
  OpenWithPhone();
  form->show();
  std::vector<QWidget*> chain;
  QWidget* widget = &form->cob;
  do {
    chain.push_back(widget);
    widget = widget->nextInFocusChain();
  } while (widget != &form->cob && chain.size() < 100);
  auto place = [&](QWidget* w) { return std::find(chain.begin(), chain.end(), w) - chain.begin(); };
  EXPECT_LT(place(&form->cob), place(&form->cb1));
  EXPECT_LT(place(&form->cb1), place(&form->cb10));
  EXPECT_LT(place(&form->cb10), place(&form->CheckBox2));
  EXPECT_LT(place(&form->CheckBox2), place(&form->CheckBox1));
  EXPECT_LT(place(&form->CheckBox1), place(&form->Memo1));
  EXPECT_LT(place(&form->Memo1), place(&form->Button13));
  EXPECT_LT(place(&form->Button13), static_cast<std::ptrdiff_t>(chain.size()));
  for (QWidget* control : std::initializer_list<QWidget*>{&form->cob, &form->cb1, &form->CheckBox1,
                                                          &form->Memo1, &form->Button13}) {
    EXPECT_TRUE(control->focusPolicy() & Qt::TabFocus);
  }
  EXPECT_EQ(form->Label1.buddy(), &form->cob);
  EXPECT_TRUE(form->Button13.isDefault());
}

TEST_F(DialogControls, TheControlsFollowThePhoneAsItComesAndGoes) {
  Open();
  EXPECT_FALSE(form->Button13.isEnabled()) << "no phone: locked";
  EXPECT_FALSE(form->HasPhone());

  // A phone arriving while the dialog is shown unlocks it at the next tick.
  form->show();
  phone = rig.plug("F", virtualphone::PhoneMode::Flash);
  form->Timer1Timer();
  EXPECT_TRUE(form->HasPhone());
  EXPECT_TRUE(form->Button13.isEnabled());
  EXPECT_TRUE(form->cb1.isEnabled());
  EXPECT_TRUE(form->SelectedPhone()->IsOpen());

  rig.bus.unplug(*phone);
  form->Timer1Timer();
  EXPECT_FALSE(form->HasPhone());
  EXPECT_FALSE(form->Button13.isEnabled());
  EXPECT_FALSE(form->GroupBox1.isEnabled());
  EXPECT_EQ(form->ListBox2.count(), 0);
}

TEST_F(DialogControls, AQuietTickTouchesNoDeviceAndRebuildsNothing) {
  OpenWithPhone();
  form->Timer1Timer();
  QListWidgetItem* listed = form->ListBox2.item(0);
  counting.calls = 0;
  for (int i = 0; i < 50; ++i) form->Timer1Timer();
  EXPECT_EQ(counting.calls, 0);
  EXPECT_EQ(form->ListBox2.item(0), listed);

  // A second phone is one enumeration; the first stays the selected one.
  rig.plug("G", virtualphone::PhoneMode::Flash);
  form->Timer1Timer();
  EXPECT_EQ(counting.calls, 1);
  EXPECT_EQ(form->ListBox2.count(), 2);
  EXPECT_EQ(form->ListBox2.currentRow(), 0);
  EXPECT_EQ(form->SelectedPhone()->ModemInfo().LocationInformation, "Port_F");
}

TEST_F(DialogControls, PdsDisablesTheVisibleBoxesAtTheNextTick) {
  OpenWithPhone();
  form->CheckBox2.setChecked(true);
  EXPECT_TRUE(form->cb1.isEnabled()) << "only the tick applies it";
  form->Timer1Timer();
  for (std::size_t slot = 0; slot < backup::kSlotCount; ++slot) {
    const QCheckBox& box = form->ElementBox(slot);
    EXPECT_EQ(box.isEnabled(), box.isHidden()) << "hidden boxes are left alone: " << slot;
  }
  EXPECT_TRUE(form->cb1.isChecked()) << "ticks are left alone";
  form->CheckBox2.setChecked(false);
  form->Timer1Timer();
  EXPECT_TRUE(form->cb1.isEnabled());
}

TEST(SaveDialogFilter, TurnsTheBarFormIntoQtsFilter) {
  using backup::TSaveDialog;
  EXPECT_EQ(TSaveDialog::QtFilter(QStringLiteral("BIN|*.bin")), QStringLiteral("BIN (*.bin)"));
  EXPECT_EQ(TSaveDialog::QtFilter(QStringLiteral("Data|*.bin;*.dat|All|*")),
            QStringLiteral("Data (*.bin *.dat);;All (*)"));
}

TEST(ChosenFolder, ABareDriveGetsItsRoot) {
  using backup::QtBackupUser;
  EXPECT_EQ(QtBackupUser::FolderPath(QStringLiteral("C:")), QStringLiteral("C:\\"));
  EXPECT_EQ(QtBackupUser::FolderPath(QStringLiteral("/home/user")),
            QDir::toNativeSeparators(QStringLiteral("/home/user")));
  EXPECT_EQ(QtBackupUser::FolderPath(QStringLiteral("/a")), QStringLiteral("/a"));
}

}  // namespace
}  // namespace vestrel::testing
