#include <gtest/gtest.h>

#include <QAction>
#include <QPixmap>
#include <QWidget>
#include <stdexcept>

#include "desktop/TrayIcon.h"
#include "tests/support/TrayFakes.h"

namespace vestrel::desktop {
namespace {

using testing::FakeTrayApplication;
using testing::RecordingTrayArea;

// Records where it was popped up instead of running a modal menu loop.
class RecordingMenu : public TPopupMenu {
 public:
  void Popup(QPoint at) override { popups.push_back(at); }
  std::vector<QPoint> popups;
};

QIcon solidIcon(Qt::GlobalColor colour) {
  QPixmap pixmap(16, 16);
  pixmap.fill(colour);
  return QIcon(pixmap);
}

struct Clicks {
  std::vector<Qt::MouseButton> buttons;
  std::vector<QPoint> at;
  int doubleClicks = 0;
};

class TrayIconTest : public ::testing::Test {
 protected:
  TrayIconTest() { app.icon = solidIcon(Qt::green); }

  // Created as the main window's resource sets it up: owned by a panel inside the form.
  std::unique_ptr<TTrayIcon> Load(bool iconVisible, bool formVisible, bool appVisible) {
    auto icon = std::make_unique<TTrayIcon>(&panel, area, app);
    icon->BeginLoading();
    icon->SetIconVisible(iconVisible);
    icon->SetFormVisible(formVisible);
    icon->SetAppVisible(appVisible);
    icon->SetOnClick(
        [this](TTrayIcon&, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
          clicks.buttons.push_back(button);
          clicks.at.emplace_back(x, y);
        });
    icon->SetOnDblClick([this](TTrayIcon&) { ++clicks.doubleClicks; });
    icon->EndLoading();
    return icon;
  }

  RecordingTrayArea area;
  FakeTrayApplication app;
  QWidget form;
  QWidget panel{&form};
  Clicks clicks;
};

TEST_F(TrayIconTest, TheRecordStartsWithItsFixedFieldsAndAllThreeFlags) {
  TTrayIcon first(&panel, area, app);
  TTrayIcon second(&panel, area, app);
  EXPECT_EQ(first.Record().cbSize, 88u);
  EXPECT_EQ(first.Record().uFlags, 7u);
  EXPECT_EQ(first.Record().uCallbackMessage, 0x401u);
  EXPECT_NE(first.Record().uID, second.Record().uID);
  EXPECT_TRUE(first.NIF_MESSAGE() && first.NIF_ICON() && first.NIF_TIP());
  EXPECT_EQ(first.PForm(), &form) << "found up the owner chain";
  EXPECT_TRUE(area.calls.empty());
}

TEST_F(TrayIconTest, LoadingAddsTheIconOnceWithTheApplicationsImage) {
  auto icon = std::make_unique<TTrayIcon>(&panel, area, app);
  icon->BeginLoading();
  icon->SetIconVisible(true);
  icon->SetTip("Vestrel");
  EXPECT_TRUE(area.calls.empty()) << "nothing reaches the area while loading";
  icon->EndLoading();
  ASSERT_EQ(area.Codes(), std::vector{NotifyCode::Add});
  EXPECT_EQ(area.calls[0].record.hIcon.cacheKey(), app.icon.cacheKey());
  EXPECT_EQ(area.calls[0].record.szTip, "Vestrel");

  icon.reset();
  EXPECT_EQ(area.Codes().back(), NotifyCode::Delete);
  EXPECT_TRUE(area.icons.empty());
}

TEST_F(TrayIconTest, ASecondAddWhileVisibleLeavesOneIcon) {
  auto icon = Load(true, false, false);
  icon->SetIconVisible(true);
  EXPECT_EQ(area.Codes(), (std::vector{NotifyCode::Add, NotifyCode::Add}));
  EXPECT_FALSE(area.calls[1].accepted);
  EXPECT_EQ(area.icons.size(), 1u);
  icon->SetIconVisible(false);
  EXPECT_TRUE(area.icons.empty());
}

TEST_F(TrayIconTest, TheTipIsCutAtTheBarAndAt63Characters) {
  auto icon = Load(true, false, false);
  icon->SetTip("Нет телефона|подключите телефон по USB");
  EXPECT_EQ(area.Codes().back(), NotifyCode::Modify);
  EXPECT_EQ(area.icons.begin()->second.szTip, QStringLiteral("Нет телефона"));
  EXPECT_EQ(icon->Tip(), QStringLiteral("Нет телефона|подключите телефон по USB"));

  QString hundred(100, QLatin1Char('x'));
  icon->SetTip(hundred);
  EXPECT_EQ(icon->Record().szTip, hundred.left(63));
  icon->SetTip("|after the bar");
  EXPECT_EQ(icon->Record().szTip, QString());
}

TEST_F(TrayIconTest, ChangingAFlagWhileShownRemovesAndAddsTheIcon) {
  auto icon = Load(true, false, false);
  icon->SetNIF_TIP(false);
  EXPECT_EQ(area.Codes(), (std::vector{NotifyCode::Add, NotifyCode::Delete, NotifyCode::Add}));
  EXPECT_EQ(area.icons.begin()->second.uFlags, kNifMessage | kNifIcon);

  icon->SetIconVisible(false);
  std::size_t calls = area.calls.size();
  icon->SetNIF_ICON(false);
  EXPECT_EQ(area.calls.size(), calls) << "a hidden icon is not re-added";
  EXPECT_EQ(icon->Record().uFlags, kNifMessage);
}

TEST_F(TrayIconTest, ANewImageIsSentWhileShown) {
  auto icon = Load(true, false, false);
  QIcon red = solidIcon(Qt::red);
  icon->SetIcon(red);
  EXPECT_EQ(area.Codes().back(), NotifyCode::Modify);
  EXPECT_EQ(area.icons.begin()->second.hIcon.cacheKey(), red.cacheKey());
}

TEST_F(TrayIconTest, ARightClickShowsTheMenuInsteadOfOnClick) {
  auto icon = Load(true, false, false);
  RecordingMenu menu;
  icon->SetPopupMenu(&menu);
  app.cursor = {300, 20};
  area.Mouse(kRightButtonUp);
  EXPECT_EQ(menu.popups, std::vector{QPoint(300, 20)});
  EXPECT_EQ(menu.PopupComponent(), icon.get());
  EXPECT_EQ(app.cancelModes, 1);
  EXPECT_TRUE(clicks.buttons.empty());

  menu.SetAutoPopup(false);
  area.Mouse(kRightButtonUp);
  EXPECT_EQ(menu.popups.size(), 1u);
  EXPECT_EQ(clicks.buttons, std::vector{Qt::RightButton});
  EXPECT_EQ(clicks.at, std::vector{QPoint(300, 20)});
}

TEST_F(TrayIconTest, ADestroyedMenuIsForgottenAndARightClickReachesOnClick) {
  auto icon = Load(true, false, false);
  auto menu = std::make_unique<RecordingMenu>();
  icon->SetPopupMenu(menu.get());
  menu.reset();
  EXPECT_EQ(icon->PopupMenu(), nullptr);
  area.Mouse(kRightButtonUp);
  EXPECT_EQ(clicks.buttons, std::vector{Qt::RightButton});
}

TEST_F(TrayIconTest, ADoubleClickTakesTheDefaultItemElseOnDblClick) {
  auto icon = Load(true, false, false);
  RecordingMenu menu;
  menu.addAction("Показать");
  QAction* second = menu.addAction("Выход");
  int triggered = 0;
  QObject::connect(second, &QAction::triggered, [&] { ++triggered; });
  icon->SetPopupMenu(&menu);

  area.Mouse(kLeftButtonUp);
  area.Mouse(kLeftButtonDoubleClick);
  area.Mouse(kLeftButtonUp);
  EXPECT_EQ(clicks.buttons, (std::vector{Qt::LeftButton, Qt::LeftButton}))
      << "left clicks reach OnClick also as part of a double click";
  EXPECT_EQ(clicks.doubleClicks, 1);

  menu.setDefaultAction(second);
  area.Mouse(kLeftButtonDoubleClick);
  EXPECT_EQ(triggered, 1);
  EXPECT_EQ(clicks.doubleClicks, 1);
}

TEST_F(TrayIconTest, BothVisibilitiesFalseAtLoadKeepFormAndTaskBarEntryHidden) {
  auto icon = Load(true, false, false);
  EXPECT_FALSE(form.isVisible());
  ASSERT_FALSE(app.applicationShown.empty());
  EXPECT_FALSE(app.applicationShown.back());
  EXPECT_FALSE(app.showMainFormOnRun);
  EXPECT_EQ(area.icons.size(), 1u);

  // As the main window's double-click handler shows both.
  icon->SetAppVisible(true);
  icon->SetFormVisible(true);
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(app.applicationShown.back());
  EXPECT_FALSE(app.showMainFormOnRun) << "every visibility change clears the switch";
}

TEST_F(TrayIconTest, AFormVisibleAtLoadIsShownWhenTheRunStarts) {
  auto icon = Load(true, true, true);
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(app.showMainFormOnRun);
}

TEST_F(TrayIconTest, WithoutANotificationAreaNothingIsSentAndTheFormStaysReachable) {
  area.available = false;
  auto icon = Load(true, false, false);
  EXPECT_TRUE(icon->NoTray());
  icon->SetTip("x");
  icon->SetIcon(solidIcon(Qt::red));
  icon->SetNIF_TIP(false);
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(form.isMinimized());
  EXPECT_TRUE(app.applicationShown.back()) << "the task-bar entry is the way back";

  icon->SetFormVisible(true);
  EXPECT_FALSE(form.isMinimized());
  icon.reset();
  EXPECT_TRUE(area.calls.empty());
}

TEST_F(TrayIconTest, AnAreaThatComesLaterGetsTheIconAndTheHiddenFormFollowsTheArea) {
  area.available = false;
  auto icon = Load(true, false, false);
  ASSERT_TRUE(form.isMinimized());
  int told = 0;
  icon->SetOnAreaChange([&](TTrayIcon& sender) {
    ++told;
    EXPECT_FALSE(sender.NoTray());
  });

  area.ChangeAvailability(true);
  EXPECT_EQ(told, 1);
  EXPECT_FALSE(icon->NoTray());
  ASSERT_EQ(area.icons.size(), 1u);
  EXPECT_EQ(area.icons.begin()->second.hIcon.cacheKey(), icon->Icon().cacheKey());
  EXPECT_FALSE(form.isVisible()) << "the hidden form went to the area";
  icon->SetFormVisible(true);
  icon->SetFormVisible(false);
  EXPECT_FALSE(form.isVisible());

  icon->SetOnAreaChange(nullptr);
  area.ChangeAvailability(false);
  EXPECT_TRUE(icon->NoTray());
  EXPECT_TRUE(form.isVisible() && form.isMinimized()) << "back on the task bar";
  EXPECT_TRUE(app.applicationShown.back());
  const auto calls = area.calls.size();
  icon->SetTip("y");
  EXPECT_EQ(area.calls.size(), calls) << "a gone area is not called";
}

TEST_F(TrayIconTest, WithoutAFormTheVisibilitiesOnlyStore) {
  QObject owner;
  TTrayIcon icon(&owner, area, app);
  icon.SetFormVisible(true);
  icon.SetAppVisible(true);
  EXPECT_EQ(icon.PForm(), nullptr);
  EXPECT_TRUE(icon.FormVisible() && icon.AppVisible());
  EXPECT_TRUE(app.applicationShown.empty());
}

TEST_F(TrayIconTest, AnErrorInAHandlerIsReportedAndTheIconGoesOnWorking) {
  auto icon = Load(true, false, false);
  int calls = 0;
  icon->SetOnClick([&](TTrayIcon&, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    if (++calls == 1) throw std::runtime_error("handler failed");
  });
  area.Mouse(kLeftButtonUp);
  area.Mouse(kLeftButtonUp);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(app.errors, std::vector<std::string>{"handler failed"});
}

TEST_F(TrayIconTest, OtherMessagesAreIgnored) {
  auto icon = Load(true, false, false);
  area.Mouse(0x201);  // left button down
  area.Mouse(0x204);
  EXPECT_TRUE(clicks.buttons.empty());
  EXPECT_EQ(clicks.doubleClicks, 0);
}

}  // namespace
}  // namespace vestrel::desktop
