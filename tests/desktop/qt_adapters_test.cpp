#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <stdexcept>

#include "desktop/QtDialogs.h"
#include "desktop/QtTrayApplication.h"
#include "desktop/QtTrayArea.h"
#include "tests/support/ScriptedDialogs.h"

namespace vestrel::desktop {
namespace {

class SilentWindow : public TrayMessageWindow {
 public:
  void TrayMessage(std::uint32_t, std::uintptr_t, std::uintptr_t) override {}
};

TEST(QtDialogsTest, AMessageBoxIsWideEnoughForItsCaption) {
  QtDialogs dialogs;
  const QString caption = QStringLiteral("Обновление базы мелодий");
  int width = 0, captionWidth = 0;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    width = box->width();
    captionWidth = box->fontMetrics().horizontalAdvance(caption);
    box->close();
  });
  dialogs.Message(nullptr, caption, QStringLiteral("Выполнено успешно!"), MessageIcon::Information,
                  MessageButtons::Ok);
  EXPECT_GT(captionWidth, 0);
  EXPECT_GE(width, captionWidth + 100);
}

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
