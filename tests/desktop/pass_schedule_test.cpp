// A window's pass runs when one is asked for, once, and again about once a second only while
// the last pass left something to try again.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "desktop/PassSchedule.h"

namespace vestrel::desktop {
namespace {

TEST(PassSchedule, ARequestDuringAPassIsLeftToItAndARetryWaitsUntilAPassEndsWithoutOne) {
  QTimer trigger;
  trigger.setInterval(1);
  PassSchedule schedule(trigger, nullptr);
  EXPECT_FALSE(schedule.Due());
  schedule.Request();
  EXPECT_TRUE(schedule.Due());

  schedule.Begin();
  EXPECT_FALSE(schedule.Due());
  schedule.Request();  // a notice the pass delivers itself
  EXPECT_FALSE(schedule.Due());
  schedule.End(true);
  EXPECT_TRUE(schedule.RetryWaiting());
  EXPECT_EQ(schedule.RetryInterval(), PassSchedule::kRetryMs);

  schedule.RetryTimerTimer();
  EXPECT_TRUE(schedule.Due());
  schedule.Begin();
  schedule.End(false);
  EXPECT_FALSE(schedule.Due());
  EXPECT_FALSE(schedule.RetryWaiting());
}

TEST(PassSchedule, InTheLoopOneRequestGivesOnePass) {
  QTimer trigger;
  trigger.setInterval(1);
  PassSchedule schedule(trigger, nullptr);
  int passes = 0;
  QObject::connect(&trigger, &QTimer::timeout, [&] {
    schedule.Begin();
    ++passes;
    schedule.End(false);
  });
  schedule.Request();
  schedule.Request();
  QElapsedTimer waited;
  waited.start();
  while (passes == 0 && waited.elapsed() < 2000) QCoreApplication::processEvents();
  // A few more turns of the loop: nothing else is due.
  for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(passes, 1);
  EXPECT_FALSE(schedule.Due());
}

}  // namespace
}  // namespace vestrel::desktop
