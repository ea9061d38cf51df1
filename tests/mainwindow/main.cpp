// The widget tests need one QApplication for the whole run. Listing the tests (as CTest's
// discovery does, without the test environment) must not need a display.
#include <gmock/gmock.h>

#include <QApplication>

int main(int argc, char** argv) {
  ::testing::InitGoogleMock(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
