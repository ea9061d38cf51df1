#include "desktop/About.h"

#include <gtest/gtest.h>

#include "platform/fake/RecordingShell.h"

namespace vestrel::desktop {
namespace {

class AboutTest : public ::testing::Test {
 protected:
  platform::RecordingShell shell;
  TForm3 about{shell};
};

TEST_F(AboutTest, IsAFixedToolWindowWithItsControlsInPlace) {
  EXPECT_EQ(about.windowTitle(), QStringLiteral("О программе"));
  EXPECT_EQ(about.size(), QSize(269, 199));
  EXPECT_EQ(about.minimumSize(), about.maximumSize());
  EXPECT_TRUE(about.windowFlags() & Qt::Tool);

  EXPECT_EQ(about.Label1.geometry(), QRect(8, 32, 257, 81));
  EXPECT_TRUE(about.Label1.wordWrap());
  EXPECT_TRUE(
      about.Label1.text().startsWith(QStringLiteral("Изначально программа писАлась для себя")));
  EXPECT_EQ(about.Label1.font().pixelSize(), 13);
  EXPECT_EQ(about.Label2.pos(), QPoint(24, 120));
  EXPECT_TRUE(about.Label2.text().startsWith(QStringLiteral("Благодарности:")));
  EXPECT_EQ(about.Label3D2.pos(), QPoint(8, 151));
  EXPECT_EQ(about.Label3D3.pos(), QPoint(200, 152));
  EXPECT_LE(about.Label3D3.geometry().right(), 268) << "the site's name fits the box";
  EXPECT_LE(about.Label2.geometry().right(), 268) << "the thanks fit the box";
  EXPECT_EQ(about.Button1.geometry(), QRect(96, 176, 75, 17));
  EXPECT_EQ(about.Button1.text(), QStringLiteral("Закрыть"));
  EXPECT_EQ(about.Label3D1.TextStyle(), tsShadow);
}

TEST_F(AboutTest, TheLinksLookLikeLinksAndOpenOnlyThroughTheirHandlers) {
  for (TLabel3D* link : {&about.Label3D2, &about.Label3D3}) {
    EXPECT_EQ(link->TextStyle(), tsRaised);
    EXPECT_TRUE(link->Address().isEmpty());
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->font().pixelSize(), 12);
    EXPECT_EQ(link->FontColor(), QColor(Qt::red));
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  }
  EXPECT_EQ(about.Label3D2.LabelStyle(), lsEMailAddress);
  EXPECT_EQ(about.Label3D3.LabelStyle(), lsWWWAddress);

  about.Label3D2.Click();
  about.Label3D3.Click();
  EXPECT_EQ(
      shell.openedAddresses,
      (std::vector<std::string>{std::string("mailto:") + TForm3::kAuthorEMail, TForm3::kWebSite}));
}

TEST_F(AboutTest, CloseHidesTheBox) {
  about.show();
  ASSERT_TRUE(about.isVisible());
  about.Button1.click();
  EXPECT_FALSE(about.isVisible());
}

}  // namespace
}  // namespace vestrel::desktop
