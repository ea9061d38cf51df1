// The main window's polling, closing and control actions on the virtual phone.
#include <gmock/gmock.h>

#include <QAccessible>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cerrno>

#include "tests/mainwindow/MainWindowRig.h"
#include "tests/support/ForwardingBus.h"

namespace vestrel::testing {
namespace {

using mainwindow::kImageATOpen;
using mainwindow::kImageNoPhone;
using mainwindow::kImageP2KOpen;
using virtualphone::PhoneMode;

class MainWindow : public ::testing::Test {
 protected:
  mainwindow::TForm1& form() { return *rig.form1; }
  void Pass() { form().Timer1Timer(); }

  // Every control that needs a P2K phone, save and delete aside: they need a selected row too.
  std::vector<bool> PhoneControlStates() {
    auto& f = form();
    return {f.N2.isEnabled(),        f.N6.isEnabled(),        f.N4.isEnabled(),
            f.N7.isEnabled(),        f.Flash1.isEnabled(),    f.N8.isEnabled(),
            f.N9.isEnabled(),        f.AT1.isEnabled(),       f.BitBtn2.isEnabled(),
            f.BitBtn1.isEnabled(),   f.BitBtn3.isEnabled(),   f.Button5.isEnabled(),
            f.Button7.isEnabled(),   f.Button8.isEnabled(),   f.Button9.isEnabled(),
            f.Button10.isEnabled(),  f.Button3.isEnabled(),   f.SpeedButton2.isEnabled(),
            f.MenuItem3.isEnabled(), f.CheckBox2.isEnabled(), f.CheckBox3.isEnabled(),
            f.CheckBox4.isEnabled()};
  }

  MainWindowRig rig;
};

TEST_F(MainWindow, WithoutAPhoneEveryPhoneControlIsOffAndTheIconShowsNoPhone) {
  rig.Start();
  Pass();
  EXPECT_THAT(PhoneControlStates(), ::testing::Each(false));
  EXPECT_FALSE(form().SpeedButton1.isEnabled());
  EXPECT_FALSE(form().SpeedButton3.isEnabled());
  EXPECT_FALSE(form().MenuItem1.isEnabled());
  EXPECT_FALSE(form().N10.isEnabled());
  EXPECT_FALSE(form().Button1.isEnabled());
  EXPECT_FALSE(form().p2k1.isEnabled());
  EXPECT_FALSE(form().Button2.isEnabled());
  EXPECT_EQ(form().TrayImageIndex(), kImageNoPhone);
  ASSERT_FALSE(rig.trayArea.icons.empty());
  EXPECT_EQ(rig.trayArea.icons.begin()->second.hIcon.cacheKey(),
            form().ImageList1[kImageNoPhone].cacheKey());
}

TEST_F(MainWindow, TheIconIsAddedWithTheNoPhoneImageAlreadySet) {
  rig.Start();
  ASSERT_FALSE(rig.trayArea.calls.empty());
  const auto& first = rig.trayArea.calls.front();
  EXPECT_EQ(first.code, desktop::NotifyCode::Add);
  EXPECT_FALSE(first.record.hIcon.isNull());
  EXPECT_EQ(first.record.hIcon.cacheKey(), form().ImageList1[kImageNoPhone].cacheKey());
}

TEST_F(MainWindow, StartedBeforeTheNotificationAreaItBecomesAToolWindowThatSvernutHides) {
  rig.trayArea.available = false;
  rig.Start();
  form().FWTDblClick();
  EXPECT_EQ(form().windowType(), Qt::Window) << "without an area the task bar must reach it";
  EXPECT_TRUE(rig.trayArea.calls.empty());

  rig.trayArea.ChangeAvailability(true);
  EXPECT_EQ(form().windowType(), Qt::Tool);
  ASSERT_EQ(rig.trayArea.icons.size(), 1u);
  EXPECT_EQ(rig.trayArea.icons.begin()->second.hIcon.cacheKey(),
            form().ImageList1[kImageNoPhone].cacheKey());
  EXPECT_TRUE(form().isVisible()) << "a shown window stays shown";
  form().BitBtn5.click();
  EXPECT_FALSE(form().isVisible());
  EXPECT_FALSE(form().isMinimized());
}

TEST_F(MainWindow, OnlyTheFirstOfTwoP2KPhonesIsOpenedAndRebooted) {
  auto first = rig.PlugSample("A1");
  auto second = rig.PlugSample("B2");
  rig.Start();
  Pass();
  EXPECT_THAT(PhoneControlStates(), ::testing::Each(true));
  EXPECT_FALSE(form().SpeedButton1.isEnabled());  // no row is selected
  EXPECT_FALSE(form().SpeedButton3.isEnabled());
  ASSERT_EQ(form().ListBox1.count(), 2);
  EXPECT_EQ(form().ListBox1.currentRow(), 0);
  EXPECT_NE(form().MotoP2KMode1.DeviceList().Items(0)->Handle(), nullptr);
  EXPECT_EQ(form().MotoP2KMode1.DeviceList().Items(1)->Handle(), nullptr);
  EXPECT_EQ(form().TrayImageIndex(), kImageP2KOpen);

  form().BitBtn2.click();
  rig.phones.bus.deliverNotices();
  EXPECT_EQ(first->mode(), PhoneMode::Off);
  EXPECT_EQ(second->mode(), PhoneMode::P2K);
}

TEST_F(MainWindow, AP2KPhoneOutranksAFlashPhoneAndTheBackupDialogEnablesFullBackup) {
  rig.PlugSample("A1");
  rig.phones.plug("F1", PhoneMode::Flash);
  rig.Start();
  rig.form4->Timer1Timer();
  Pass();
  EXPECT_EQ(form().TrayImageIndex(), kImageP2KOpen);
  EXPECT_TRUE(form().Button2.isEnabled());
  EXPECT_EQ(form().ListBox2.count(), 1);
}

TEST_F(MainWindow, AnATPhoneWithItsPortOpenShowsImage3AndGoesBackToP2KWithOneCommand) {
  auto phone = rig.phones.plug("M1", PhoneMode::AT);
  rig.Start();
  Pass();
  EXPECT_EQ(form().TrayImageIndex(), kImageATOpen);
  EXPECT_TRUE(form().Button1.isEnabled());
  EXPECT_TRUE(form().p2k1.isEnabled());
  EXPECT_FALSE(form().BitBtn2.isEnabled());

  form().Button1.click();
  const auto& written = phone->modemInput();
  EXPECT_EQ(std::string(written.begin(), written.end()), "AT+Mode=8\r\n");
  EXPECT_EQ(phone->mode(), PhoneMode::P2K);
  Pass();
  EXPECT_EQ(form().TrayImageIndex(), kImageP2KOpen);
  EXPECT_FALSE(form().Button1.isEnabled() && form().ListBox3.count() > 0);
}

TEST_F(MainWindow, ClosingHidesTheWindowAndTheProgramGoesOnPolling) {
  rig.Start();
  form().FWTDblClick();
  ASSERT_TRUE(form().isVisible());
  EXPECT_FALSE(form().close());
  EXPECT_FALSE(form().isVisible());
  EXPECT_FALSE(form().FWT.FormVisible());
  EXPECT_EQ(rig.terminated, 0);
  rig.PlugSample("A1");
  rig.phones.bus.deliverNotices();
  Pass();
  EXPECT_EQ(form().TrayImageIndex(), kImageP2KOpen);
}

TEST_F(MainWindow, ExitEndsTheProgramAlthoughCloseToTrayIsTicked) {
  rig.Start();
  ASSERT_TRUE(form().CheckBox5.isChecked());
  form().N1.trigger();
  EXPECT_EQ(rig.terminated, 1);
  EXPECT_FALSE(form().CheckBox5.isChecked());
  EXPECT_TRUE(form().FormCloseQuery());
}

TEST_F(MainWindow, AfterTheSessionEndsClosingEndsTheProgram) {
  rig.Start();
  form().FWTDblClick();
  EXPECT_TRUE(form().QueryEndSession());
  EXPECT_TRUE(form().close());
  EXPECT_EQ(rig.terminated, 1);
}

TEST_F(MainWindow, ShowingTheWindowFillsTheVolumesOnlyWithAPhone) {
  rig.Start();
  form().ComboBox1.addItem(QStringLiteral("/z"), QByteArray("/z"));
  form().FWTDblClick();
  EXPECT_EQ(form().ComboBox1.count(), 1);
  form().FWTDblClick();
  EXPECT_FALSE(form().isVisible());

  rig.PlugSample("A1");
  rig.phones.bus.deliverNotices();
  Pass();
  form().FWTDblClick();
  ASSERT_EQ(form().ComboBox1.count(), 2);
  EXPECT_EQ(form().ComboBox1.currentText(), QStringLiteral("/a"));
}

TEST_F(MainWindow, StatusPanelsStandAtTheirWidthsAndTheLastTakesTheRest) {
  rig.Start();
  form().FWTDblClick();
  std::vector<int> lefts, widths;
  for (int i = 0; i < mainwindow::TStatusBar::kPanels; ++i) {
    lefts.push_back(form().StatusBar1.PanelLabel(i).x());
    widths.push_back(form().StatusBar1.PanelLabel(i).width());
  }
  EXPECT_THAT(lefts, ::testing::ElementsAre(0, 485, 585, 715));
  EXPECT_THAT(widths, ::testing::ElementsAre(485, 100, 130, 793 - 715));
  QLabel& count = form().StatusBar1.PanelLabel(3);
  form().StatusBar1.SetPanel(3, QStringLiteral("Всего: 999"));
  EXPECT_LE(count.fontMetrics().horizontalAdvance(count.text()) + 2 * count.frameWidth(),
            count.width());
  // A screen reader hears the shown text, the panel's purpose as its description.
  QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(&count);
  EXPECT_EQ(spoken->text(QAccessible::Name), QStringLiteral("Всего: 999"));
  EXPECT_EQ(spoken->text(QAccessible::Description), QStringLiteral("Число файлов"));
}

TEST_F(MainWindow, APassWithNothingChangedNeitherEnumeratesNorTalksToThePhone) {
  struct CountingBus : ForwardingBus {
    using ForwardingBus::ForwardingBus;
    std::optional<std::vector<platform::DeviceInterfaceRecord>> presentInterfaces(
        std::string_view cls) override {
      ++enumerations;
      return ForwardingBus::presentInterfaces(cls);
    }
    int enumerations = 0;
  };
  rig.PlugSample("A1");
  MemoryTrace trace(rig.phones.bus);
  CountingBus counting(trace.bus());
  rig.bus = &counting;
  rig.Start();
  Pass();
  EXPECT_EQ(form().TrayImageIndex(), kImageP2KOpen);
  trace.Clear();
  counting.enumerations = 0;
  for (int i = 0; i < 100; ++i) Pass();
  EXPECT_EQ(counting.enumerations, 0);
  EXPECT_EQ(trace.Text(), "");

  // A notice makes the next pass look again.
  rig.phones.plug("B2", PhoneMode::Flash);
  Pass();
  EXPECT_GT(counting.enumerations, 0);
  EXPECT_EQ(form().ListBox2.count(), 1);
}

// With every listed phone open and nothing changing no timer runs; a notice, a button or a
// menu entry makes the next pass due, and a listed phone that would not open is tried again
// about once a second until it opens.
TEST_F(MainWindow, PassesRunOnlyWhenSomethingCanHaveChanged) {
  struct RefusingBus : ForwardingBus {
    using ForwardingBus::ForwardingBus;
    platform::Opened<platform::DriverHandle> openDriver(const std::string& path) override {
      if (refuse) return {nullptr, platform::OsError::FromErrno(EBUSY)};
      return ForwardingBus::openDriver(path);
    }
    bool refuse = true;
  };
  RefusingBus refusing(rig.phones.bus);
  rig.bus = &refusing;
  rig.PlugSample("A1");
  rig.Start();
  EXPECT_EQ(form().Timer1.interval(), 1);
  Pass();
  EXPECT_EQ(form().TrayImageIndex(), kImageNoPhone);
  EXPECT_FALSE(form().Timer1.isActive());
  EXPECT_TRUE(form().Schedule().RetryWaiting()) << "the phone that would not open waits a retry";
  EXPECT_EQ(form().Schedule().RetryInterval(), 1000);

  refusing.refuse = false;
  form().Schedule().RetryTimerTimer();
  ASSERT_TRUE(form().Timer1.isActive());
  Pass();
  EXPECT_EQ(form().TrayImageIndex(), kImageP2KOpen);
  EXPECT_FALSE(form().Timer1.isActive());
  EXPECT_FALSE(form().Schedule().RetryWaiting()) << "nothing is due once the phone is open";

  rig.phones.plug("F1", PhoneMode::Flash);
  rig.phones.bus.deliverNotices();
  EXPECT_TRUE(form().Timer1.isActive()) << "a notice wakes the hidden window";
  Pass();
  EXPECT_FALSE(form().Timer1.isActive());

  form().Button5.click();
  EXPECT_TRUE(form().Timer1.isActive()) << "a pass follows the window's own action";
  Pass();
  form().N8.trigger();
  EXPECT_TRUE(form().Timer1.isActive()) << "and one of the icon's menu";
}

// The real event loop: a notice brings the new state within the loop's next turns, and then
// the window falls quiet again.
TEST_F(MainWindow, InTheEventLoopANoticeIsFollowedByOnePassAndThenQuiet) {
  rig.Start();
  form().Timer1.start();
  QElapsedTimer waited;
  waited.start();
  while (form().Timer1.isActive() && waited.elapsed() < 2000) QCoreApplication::processEvents();
  ASSERT_FALSE(form().Timer1.isActive()) << "the first pass ran and nothing more was due";

  rig.PlugSample("A1");
  rig.phones.bus.deliverNotices();
  waited.restart();
  while (form().TrayImageIndex() != kImageP2KOpen && waited.elapsed() < 2000)
    QCoreApplication::processEvents();
  EXPECT_EQ(form().TrayImageIndex(), kImageP2KOpen);
  EXPECT_TRUE(form().BitBtn2.isEnabled());
  EXPECT_FALSE(form().Timer1.isActive());
  EXPECT_FALSE(form().Schedule().RetryWaiting());
}

TEST_F(MainWindow, SuspendTogglesAndInformationWithoutAPhoneWarns) {
  auto phone = rig.PlugSample("A1");
  rig.Start();
  Pass();
  auto personality = [&] { return form().MotoP2KMode1.DeviceList().Items(0); };
  ASSERT_TRUE(personality());
  form().Button5.click();
  EXPECT_TRUE(personality()->IsSuspend());
  form().N8.trigger();
  EXPECT_FALSE(personality()->IsSuspend());

  form().BitBtn3.click();
  ASSERT_EQ(rig.shownModally.size(), 1u);
  EXPECT_EQ(rig.shownModally[0], rig.form2.get());

  rig.phones.bus.unplug(*phone);
  rig.phones.bus.deliverNotices();
  Pass();
  rig.dialogs.AnswerMessage(desktop::MessageAnswer::Ok);
  form().N4Click();
  ASSERT_EQ(rig.dialogs.Questions().size(), 1u);
  EXPECT_EQ(rig.dialogs.Questions()[0].text, QStringLiteral("Ошибка при получении информации!"));
  EXPECT_EQ(rig.dialogs.Questions()[0].icon, desktop::MessageIcon::Warning);
  EXPECT_EQ(rig.shownModally.size(), 1u);
}

TEST_F(MainWindow, AutostartWritesAndRemovesTheValueAndFallsBackToTheUsersOwn) {
  using platform::RegistryRoot;
  rig.Start();
  form().FormActivate();
  EXPECT_FALSE(form().CheckBox1.isChecked());
  form().CheckBox1.click();
  EXPECT_EQ(rig.registry.value(RegistryRoot::LocalMachine, MainWindowRig::kRunKey, "Vestrel"),
            "/opt/vestrel/vestrel");
  form().CheckBox1.click();
  EXPECT_EQ(rig.registry.value(RegistryRoot::LocalMachine, MainWindowRig::kRunKey, "Vestrel"),
            std::nullopt);

  // A user without rights for the machine-wide entry gets his own.
  rig.registry.denyWrites(RegistryRoot::LocalMachine);
  form().CheckBox1.click();
  EXPECT_TRUE(form().CheckBox1.isChecked());
  EXPECT_EQ(rig.registry.value(RegistryRoot::CurrentUser, MainWindowRig::kRunKey, "Vestrel"),
            "/opt/vestrel/vestrel");
  form().CheckBox1.click();

  // Where nothing can be written the box does not stay ticked.
  rig.registry.denyWrites(RegistryRoot::CurrentUser);
  rig.dialogs.AnswerMessage(desktop::MessageAnswer::Ok);
  form().CheckBox1.click();
  EXPECT_FALSE(form().CheckBox1.isChecked());
  EXPECT_FALSE(form().AutoRunner.AutoRun());
  EXPECT_EQ(rig.dialogs.Questions().size(), 1u);
}

TEST_F(MainWindow, EveryVisibleControlHasANameAndTakesTheKeyboardFocus) {
  rig.Start();
  form().FWTDblClick();
  const auto widgets = form().findChildren<QWidget*>();
  int checked = 0;
  for (QWidget* widget : widgets) {
    if (!widget->isVisibleTo(&form())) continue;
    const bool control =
        qobject_cast<QAbstractButton*>(widget) || qobject_cast<QTableView*>(widget);
    if (!control) continue;
    ++checked;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(accessible, nullptr);
    EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
        << widget->metaObject()->className();
    EXPECT_TRUE(widget->focusPolicy() & Qt::TabFocus)
        << accessible->text(QAccessible::Name).toStdString();
  }
  EXPECT_GE(checked, 22);
  EXPECT_EQ(form().SpeedButton2.toolTip(), QStringLiteral("Копировать в телефон"));
  EXPECT_EQ(form().N8.text(), QStringLiteral("Спящиц режим"));
}

}  // namespace
}  // namespace vestrel::testing
