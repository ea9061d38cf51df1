#include <gtest/gtest.h>

#include <QApplication>
#include <stdexcept>

#include "desktop/QtTrayApplication.h"
#include "desktop/QtTrayArea.h"
#include "tests/support/ScriptedDialogs.h"

namespace vestrel::desktop {
namespace {

class SilentWindow : public TrayMessageWindow {
 public:
  void TrayMessage(std::uint32_t, std::uintptr_t, std::uintptr_t) override {}
};

TEST(QtTrayAreaTest, KeepsOneIconPerRecordAsTheShellDoes) {
  QtTrayArea area;
  SilentWindow window;
  NotifyIconRecord record;
  record.hWnd = &window;
  record.uID = 7;
  record.uFlags = kNifMessage | kNifIcon | kNifTip;
  record.szTip = QStringLiteral("Vestrel");

  EXPECT_FALSE(area.Notify(NotifyCode::Modify, record));
  EXPECT_FALSE(area.Notify(NotifyCode::Delete, record));
  EXPECT_TRUE(area.Notify(NotifyCode::Add, record));
  EXPECT_FALSE(area.Notify(NotifyCode::Add, record));
  NotifyIconRecord other = record;
  other.uID = 8;
  EXPECT_TRUE(area.Notify(NotifyCode::Add, other)) << "another identifier is another icon";
  EXPECT_TRUE(area.Notify(NotifyCode::Modify, record));
  EXPECT_TRUE(area.Notify(NotifyCode::Delete, record));
  EXPECT_FALSE(area.Notify(NotifyCode::Delete, record));
}

TEST(QtTrayApplicationTest, AnEscapedErrorIsShownInAnErrorBox) {
  testing::ScriptedDialogs dialogs;
  dialogs.AnswerMessage(MessageAnswer::Ok);
  QtTrayApplication application(dialogs);
  application.HandleException(std::make_exception_ptr(std::runtime_error("Нет доступа")));
  ASSERT_EQ(dialogs.Questions().size(), 1u);
  EXPECT_EQ(dialogs.Questions()[0].text, QStringLiteral("Нет доступа"));
  EXPECT_EQ(dialogs.Questions()[0].caption, QApplication::applicationName());
  EXPECT_EQ(dialogs.Questions()[0].icon, MessageIcon::Error);

  application.SetShowMainFormOnRun(false);
  EXPECT_FALSE(application.ShowMainFormOnRun());
}

}  // namespace
}  // namespace vestrel::desktop
