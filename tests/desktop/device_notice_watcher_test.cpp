// The Qt loop lets device changes in through the bus's notice descriptor, and only when it is
// readable.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cerrno>

#include "desktop/DeviceNoticeWatcher.h"
#include "platform/NullBus.h"

namespace vestrel::desktop {
namespace {

// A bus whose notice descriptor is the reading end of a pipe; a byte in the pipe is a change.
// Made without a descriptor, its watch gives -1, as the Windows bus's does, and a change is
// only marked, as a device-change message marks the subscription there.
class PipeBus final : public platform::DeviceBus {
 public:
  explicit PipeBus(bool withDescriptor = true) : withDescriptor_(withDescriptor) {
    EXPECT_EQ(::pipe2(ends_, O_NONBLOCK), 0);
  }
  ~PipeBus() override {
    ::close(ends_[0]);
    ::close(ends_[1]);
  }
  void Change() {
    if (withDescriptor_) {
      ASSERT_EQ(::write(ends_[1], "x", 1), 1);
    } else {
      ++pending;
    }
  }

  std::unique_ptr<platform::NoticeWatch> watchNotices() override {
    return std::make_unique<Watch>(*this);
  }
  void deliverNotices() override {
    ++deliveries;
    delivered += pending;
    pending = 0;
  }
  std::optional<std::vector<platform::DeviceInterfaceRecord>> presentInterfaces(
      std::string_view) override {
    return std::vector<platform::DeviceInterfaceRecord>{};
  }
  std::unique_ptr<platform::NoticeSubscription> subscribe(std::string_view,
                                                          std::function<void()>) override {
    return nullptr;
  }
  platform::Opened<platform::DriverHandle> openDriver(const std::string&) override {
    return {nullptr, platform::OsError::FromErrno(ENODEV)};
  }
  platform::Opened<platform::SerialPort> openSerial(const std::string&) override {
    return {nullptr, platform::OsError::FromErrno(ENODEV)};
  }

  int watches = 0;
  int readables = 0;
  int pending = 0;
  int delivered = 0;
  int deliveries = 0;

 private:
  class Watch final : public platform::NoticeWatch {
   public:
    explicit Watch(PipeBus& bus) : bus_(bus) { ++bus_.watches; }
    ~Watch() override { --bus_.watches; }
    int descriptor() const override { return bus_.withDescriptor_ ? bus_.ends_[0] : -1; }
    void readable() override {
      char byte;
      while (::read(bus_.ends_[0], &byte, 1) == 1) ++bus_.pending;
      ++bus_.readables;
    }
    bool wait(std::uint32_t) override { return false; }

   private:
    PipeBus& bus_;
  };

  bool withDescriptor_;
  int ends_[2] = {-1, -1};
};

// Runs the loop until `done` or two seconds have passed; true when `done`.
template <class Done>
bool RunLoopUntil(Done done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 2000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done();
}

void RunLoopFor(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(DeviceNoticeWatcher, AReadableDescriptorIsReadAndItsNoticesDelivered) {
  PipeBus bus;
  {
    DeviceNoticeWatcher watcher(bus);
    EXPECT_TRUE(watcher.Watching());
    EXPECT_EQ(bus.watches, 1);

    RunLoopFor(30);  // nothing changed: the bus is not asked
    EXPECT_EQ(bus.readables, 0);
    EXPECT_EQ(bus.delivered, 0);

    EXPECT_FALSE(watcher.Checking());
    bus.Change();
    bus.Change();
    EXPECT_TRUE(RunLoopUntil([&] { return bus.delivered == 2; }));
    EXPECT_GE(bus.readables, 1);
    const int readables = bus.readables;
    RunLoopFor(30);  // drained: the notifier stays quiet
    EXPECT_EQ(bus.readables, readables);
  }
  EXPECT_EQ(bus.watches, 0);  // the watch went with the watcher
}

// No pass may be running to deliver what the messages marked: the slow check does, and stops
// with the watch.
TEST(DeviceNoticeWatcher, AWatchWithoutADescriptorIsCheckedSlowlyWhileItLives) {
  PipeBus bus(false);
  {
    DeviceNoticeWatcher watcher(bus);
    EXPECT_FALSE(watcher.Watching());
    EXPECT_TRUE(watcher.Checking());
    bus.Change();
    EXPECT_TRUE(RunLoopUntil([&] { return bus.delivered == 1; }));
    EXPECT_EQ(bus.readables, 0);  // nothing to read without a descriptor
    bus.Change();
    EXPECT_TRUE(RunLoopUntil([&] { return bus.delivered == 2; }));
  }
  EXPECT_EQ(bus.watches, 0);
  const int deliveries = bus.deliveries;
  RunLoopFor(2 * DeviceNoticeWatcher::kSlowCheckMs);
  EXPECT_EQ(bus.deliveries, deliveries);
}

TEST(DeviceNoticeWatcher, ABusWithoutAWatchIsLeftToThePolling) {
  platform::NullBus bus;
  DeviceNoticeWatcher watcher(bus);
  EXPECT_FALSE(watcher.Watching());
  EXPECT_FALSE(watcher.Checking());
}

}  // namespace
}  // namespace vestrel::desktop
