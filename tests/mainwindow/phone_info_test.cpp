// The phone information dialog through the phone-information library.
#include <gmock/gmock.h>

#include <QAccessible>

#include "tests/mainwindow/MainWindowRig.h"

namespace vestrel::testing {
namespace {

std::vector<std::uint8_t> Element(std::string_view bytes, std::size_t size = 64) {
  std::vector<std::uint8_t> element(bytes.begin(), bytes.end());
  element.resize(size, 0);
  return element;
}

class PhoneInfoDialog : public ::testing::Test {
 protected:
  void Start(virtualphone::P2KPhoneState state) {
    rig.PlugP2K("A1", std::move(state));
    rig.Start();
    rig.form1->Timer1Timer();
  }
  void Show() {
    rig.form2->show();
    rig.form2->close();
  }
  // Whether every line's text lies whole inside its label and the label inside the dialog.
  bool EveryLineWhole() {
    for (QLabel* label : {&rig.form2->Label1, &rig.form2->Label2, &rig.form2->Label3}) {
      const int textWidth = QFontMetrics(label->font()).horizontalAdvance(label->text());
      if (textWidth > label->width() || label->geometry().right() >= rig.form2->width())
        return false;
    }
    return true;
  }
  MainWindowRig rig;
};

TEST_F(PhoneInfoDialog, ShowsTheModelUpToAZeroAndFirmwareAndFlexWithoutTheirZeros) {
  auto state = virtualphone::SamplePhoneState();
  // The model: 16-bit characters, low byte first; a zero at byte 4 ends it.
  state.elements[{0x117, 1}] =
      Element(std::string("V\0"
                          "3\0"
                          "\0\0"
                          "x\0",
                          8));
  // Read from the fourth byte on: "R373" then a gap of zeros, then "_G".
  state.elements[{0x2D2, 1}] = Element(std::string("...R373\0\0\0_G", 12));
  state.elements[{0x2D3, 1}] = Element(std::string("...FLEX_04", 10));
  Start(std::move(state));
  Show();
  EXPECT_EQ(rig.form2->Label1.text(), QStringLiteral("Модель: V3"));
  EXPECT_EQ(rig.form2->Label2.text(), QStringLiteral("Прошивка: R373_G"));
  EXPECT_EQ(rig.form2->Label3.text(), QStringLiteral("Флекс: FLEX_04"));
  EXPECT_EQ(rig.form2->windowTitle(), QStringLiteral("Информация о телефоне"));
}

TEST_F(PhoneInfoDialog, ASecondShowingReplacesTheValuesAndNoPhoneKeepsThem) {
  Start(virtualphone::SamplePhoneState());
  Show();
  EXPECT_EQ(rig.form2->Label1.text(), QStringLiteral("Модель: E398"));
  rig.personality->MutableState().elements[{0x117, 1}] =
      Element(std::string("L\0"
                          "7\0",
                          4));
  Show();
  EXPECT_EQ(rig.form2->Label1.text(), QStringLiteral("Модель: L7"));
  EXPECT_EQ(rig.form2->Label2.text(), QStringLiteral("Прошивка: R373_G_0E.30.49R"));

  rig.phones.bus.unplug(*rig.phones.bus.phones().front());
  rig.form1->Timer1Timer();
  Show();
  EXPECT_EQ(rig.form2->Label1.text(), QStringLiteral("Модель: L7"));
}

TEST_F(PhoneInfoDialog, WidensForAValueLongerThanItsRoomAndNarrowsBackAfterwards) {
  Start(virtualphone::SamplePhoneState());
  Show();
  EXPECT_EQ(rig.form2->Label3.text(), QStringLiteral("Флекс: E398_G_0E.30.49R_FLEX_04"));
  EXPECT_TRUE(EveryLineWhole());
  EXPECT_NEAR(rig.form2->Button1.geometry().center().x(), rig.form2->width() / 2, 1);

  // All 30 bytes of the element are shown, so a flex may be 30 characters long.
  rig.personality->MutableState().elements[{0x2D3, 1}] =
      Element("...WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 33);
  Show();
  EXPECT_GT(rig.form2->width(), 271);
  EXPECT_TRUE(EveryLineWhole());

  auto& elements = rig.personality->MutableState().elements;
  elements[{0x2D2, 1}] = Element("...R373");
  elements[{0x2D3, 1}] = Element("...FL");
  Show();
  EXPECT_EQ(rig.form2->size(), QSize(271, 111));
  EXPECT_TRUE(EveryLineWhole());
}

TEST_F(PhoneInfoDialog, ScreenReadersReadTheLinesAndOKTakesTheFocus) {
  Start(virtualphone::SamplePhoneState());
  Show();
  for (QWidget* widget : std::initializer_list<QWidget*>{&rig.form2->Label1, &rig.form2->Label2,
                                                         &rig.form2->Label3, &rig.form2->Button1}) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(accessible, nullptr);
    EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty());
  }
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&rig.form2->Label3)->text(QAccessible::Name),
            QStringLiteral("Флекс: E398_G_0E.30.49R_FLEX_04"));
  EXPECT_TRUE(rig.form2->Button1.focusPolicy() & Qt::TabFocus);
  EXPECT_TRUE(rig.form2->Button1.isDefault()) << "Enter closes the dialog";
}

}  // namespace
}  // namespace vestrel::testing
