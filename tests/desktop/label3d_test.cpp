#include "desktop/Label3D.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include "platform/fake/RecordingShell.h"

namespace vestrel::desktop {
namespace {

// The smallest rectangle holding every pixel of `colour` (compared at 8 bits a channel, as
// the image stores it); empty when there is none.
QRect boundsOf(const QImage& image, const QColor& colour) {
  QRect bounds;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == colour.rgb()) bounds |= QRect(x, y, 1, 1);
    }
  }
  return bounds;
}

class Label3DTest : public ::testing::Test {
 protected:
  Label3DTest() {
    QFont crisp = label.font();
    crisp.setPixelSize(20);
    crisp.setStyleStrategy(QFont::NoAntialias);
    label.setFont(crisp);
    label.SetFontColor(Qt::black);
    label.SetCaption("Wave");
  }

  QImage Rendered() {
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    label.render(&image);
    return image;
  }

  QSize CaptionSize() {
    QFontMetrics metrics(label.font());
    return {metrics.horizontalAdvance(label.Caption()), metrics.height()};
  }

  platform::RecordingShell shell;
  TLabel3D label{shell};
};

TEST_F(Label3DTest, StartsWithItsDesignedValues) {
  TLabel3D fresh(shell);
  EXPECT_EQ(fresh.BorderColor(), QColor(Qt::red));
  EXPECT_EQ(fresh.BorderPenStyle(), psSolid);
  EXPECT_EQ(fresh.BorderWidth(), 1);
  EXPECT_FALSE(fresh.Border());
  EXPECT_EQ(fresh.BorderType(), btDefault);
  EXPECT_EQ(fresh.Escapement(), 0);
  EXPECT_EQ(fresh.TextStyle(), tsRaised);
  EXPECT_EQ(fresh.LabelStyle(), lsDefault);
  EXPECT_TRUE(fresh.Address().isEmpty());
  EXPECT_EQ(fresh.EllipsesStyle(), esNone);
  EXPECT_EQ(fresh.Shift(), 1);
  EXPECT_EQ(fresh.font().family(), QStringLiteral("Arial"));
}

TEST_F(Label3DTest, EscapementIsKeptBetween0And360) {
  const std::vector<std::pair<int, int>> cases = {{-30, 330}, {-360, 0},     {-400, 320},
                                                  {361, 1},   {720, 360},    {360, 360},
                                                  {45, 45},   {-1000000, 80}};
  for (auto [given, kept] : cases) {
    label.SetEscapement(given);
    EXPECT_EQ(label.Escapement(), kept) << given;
  }
}

TEST_F(Label3DTest, TheShadowPassUsesShiftOnlyForTheShadowStyle) {
  EXPECT_EQ(textPasses(tsShadow, 3).front().offset, QPoint(3, 3));
  EXPECT_EQ(textPasses(tsRaised, 3).front().offset, QPoint(1, 1));
  auto heavy = textPasses(tsHeavyRecessed, 3);
  ASSERT_EQ(heavy.size(), 3u);
  EXPECT_EQ(heavy[0].colour, PassColour::Highlight);
  EXPECT_EQ(heavy[1].offset, QPoint(-1, -1));
  EXPECT_EQ(heavy[1].colour, PassColour::Shadow);
  EXPECT_EQ(heavy[2].colour, PassColour::Face);
  EXPECT_EQ(textPasses(tsNone, 3).size(), 1u);

  label.SetAutoSize(false);
  label.resize(100, 40);
  label.SetTextStyle(tsShadow);
  label.SetShift(3);
  QImage shadowed = Rendered();
  QRect face = boundsOf(shadowed, Qt::black);
  QRect shadow = boundsOf(shadowed, label.ShadowColor());
  ASSERT_FALSE(face.isEmpty());
  EXPECT_EQ(shadow.bottomRight(), face.bottomRight() + QPoint(3, 3));

  label.SetTextStyle(tsRaised);
  QImage raised = Rendered();
  EXPECT_EQ(boundsOf(raised, label.ShadowColor()).bottomRight(),
            boundsOf(raised, Qt::black).bottomRight() + QPoint(1, 1));
}

TEST_F(Label3DTest, ADisabledLabelDrawsItsFaceGrey) {
  ASSERT_NE(label.GrayTextColor(), label.ShadowColor());
  label.setEnabled(false);
  QImage image = Rendered();
  EXPECT_TRUE(boundsOf(image, Qt::black).isEmpty());
  EXPECT_FALSE(boundsOf(image, label.GrayTextColor()).isEmpty());
  EXPECT_FALSE(boundsOf(image, label.ShadowColor()).isEmpty()) << "the 3-D pass keeps its colour";
}

TEST_F(Label3DTest, TurnedTextFollowsTheOffsetAndSizeRules) {
  struct Case {
    int angle;
    QPoint origin;
    QSize turned;
  };
  // A caption 80 pixels wide and 20 high.
  const std::vector<Case> cases = {{30, {0, 40}, {69 + 10, 40 + 17}},
                                   {90, {0, 80}, {20, 80}},
                                   {180, {80, 20}, {80, 20}},
                                   {270, {20, 0}, {20, 80}},
                                   {360, {0, 0}, {80, 20}}};
  for (const Case& expected : cases) {
    auto layout = rotatedLayout(expected.angle, QSize(80, 20));
    EXPECT_EQ(layout.origin, expected.origin) << expected.angle;
    EXPECT_EQ(layout.turned, expected.turned) << expected.angle;
  }
}

TEST_F(Label3DTest, AtNinetyDegreesTheLabelTakesTheTurnedSizeAndTheTextRisesFromBelow) {
  label.SetTextStyle(tsNone);
  const QSize text = CaptionSize();
  label.SetEscapement(90);
  EXPECT_EQ(label.size(), QSize(text.height(), text.width()));

  label.SetAutoSize(false);
  label.resize(text.height() * 3, text.width() * 2);
  QRect face = boundsOf(Rendered(), Qt::black);
  ASSERT_FALSE(face.isEmpty());
  EXPECT_LE(face.right(), text.height());
  EXPECT_LE(face.bottom(), text.width()) << "counter-clockwise: the text starts w pixels down";
  EXPECT_GT(face.height(), face.width());

  label.SetEscapement(0);
  QRect flat = boundsOf(Rendered(), Qt::black);
  EXPECT_GT(flat.width(), flat.height());
}

TEST_F(Label3DTest, EllipsesSwitchAutoSizeOff) {
  label.SetEllipsesStyle(esNone);
  EXPECT_TRUE(label.AutoSize());
  label.SetEllipsesStyle(esEnd);
  EXPECT_FALSE(label.AutoSize());
  EXPECT_EQ(label.EllipsesStyle(), esEnd);

  label.SetCaption("A caption much too long for its label");
  label.resize(60, label.height());
  label.SetTextStyle(tsNone);
  EXPECT_LT(boundsOf(Rendered(), Qt::black).right(), 60);
}

TEST_F(Label3DTest, FramesAreDrawnAlongTheOuterEdge) {
  label.SetCaption(QString());
  label.SetAutoSize(false);
  label.resize(40, 20);
  label.SetBorder(true);
  label.SetBorderColor(Qt::blue);
  QImage plain = Rendered();
  EXPECT_EQ(plain.pixelColor(0, 0), QColor(Qt::blue));
  EXPECT_EQ(plain.pixelColor(39, 19), QColor(Qt::blue));

  label.SetBorderType(btRecessed);
  QImage recessed = Rendered();
  EXPECT_EQ(recessed.pixelColor(5, 0), QColor(0x80, 0x80, 0x80));
  EXPECT_EQ(recessed.pixelColor(39, 5), QColor(Qt::white));
  label.SetBorderType(btRaised);
  QImage raised = Rendered();
  EXPECT_EQ(raised.pixelColor(0, 5), QColor(Qt::white));
  EXPECT_EQ(raised.pixelColor(5, 19), QColor(0x80, 0x80, 0x80));

  label.SetBorderWidth(0);
  EXPECT_NE(Rendered().pixelColor(5, 19), QColor(0x80, 0x80, 0x80));
}

TEST_F(Label3DTest, ALinkLosesItsUnderlineAfterTheMouseHasBeenOverIt) {
  QFont designed = label.font();
  designed.setUnderline(true);
  label.setFont(designed);
  label.SetFontColor(Qt::blue);
  label.SetLabelStyle(lsWWWAddress);
  int entered = 0;
  int left = 0;
  label.SetOnMouseEnter([&](TLabel3D&) { ++entered; });
  label.SetOnMouseExit([&](TLabel3D&) { ++left; });

  label.MouseEnter();
  EXPECT_TRUE(label.font().underline());
  EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(label.FontColor(), label.HoverColor());
  label.MouseLeave();
  EXPECT_FALSE(label.font().underline());
  EXPECT_EQ(label.cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(label.FontColor(), QColor(Qt::blue));
  EXPECT_EQ(entered, 1);
  EXPECT_EQ(left, 1);
}

TEST_F(Label3DTest, APlainLabelIgnoresHoverButReportsIt) {
  int entered = 0;
  label.SetOnMouseEnter([&](TLabel3D&) { ++entered; });
  label.MouseEnter();
  EXPECT_FALSE(label.font().underline());
  EXPECT_EQ(label.FontColor(), QColor(Qt::black));
  EXPECT_EQ(entered, 1);
}

TEST_F(Label3DTest, ClicksOpenTheAddressByStyleAndAlwaysReachOnClick) {
  int clicked = 0;
  label.SetOnClick([&](TLabel3D&) { ++clicked; });
  label.SetLabelStyle(lsEMailAddress);
  label.Click();
  EXPECT_TRUE(shell.openedAddresses.empty()) << "an empty address opens nothing";
  EXPECT_EQ(clicked, 1);

  label.SetAddress("ann@mail.example");
  label.Click();
  label.SetLabelStyle(lsWWWAddress);
  label.SetAddress("http://vestrel.example/");
  shell.succeeds = false;
  label.Click();
  label.SetLabelStyle(lsDefault);
  label.Click();
  EXPECT_EQ(shell.openedAddresses,
            (std::vector<std::string>{"mailto:ann@mail.example", "http://vestrel.example/"}));
  EXPECT_EQ(clicked, 4);
  EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(Label3DTest, AMouseReleaseInsideTheLabelIsAClick) {
  int clicked = 0;
  label.SetOnClick([&](TLabel3D&) { ++clicked; });
  auto send = [&](QEvent::Type type, QPointF at) {
    QMouseEvent event(type, at, label.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&label, &event);
  };
  send(QEvent::MouseButtonPress, {2, 2});
  send(QEvent::MouseButtonRelease, {2, 2});
  send(QEvent::MouseButtonPress, {2, 2});
  send(QEvent::MouseButtonRelease, {-5, 2});
  EXPECT_EQ(clicked, 1);
}

}  // namespace
}  // namespace vestrel::desktop
