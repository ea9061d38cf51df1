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
class PipeBus final : public platform::DeviceBus {
 public:
  PipeBus() { EXPECT_EQ(::pipe2(ends_, O_NONBLOCK), 0); }
  ~PipeBus() override {
    ::close(ends_[0]);
    ::close(ends_[1]);
  }
  void Change() { ASSERT_EQ(::write(ends_[1], "x", 1), 1); }

  std::unique_ptr<platform::NoticeWatch> watchNotices() override {
    return std::make_unique<Watch>(*this);
  }
  void deliverNotices() override {
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

 private:
  class Watch final : public platform::NoticeWatch {
   public:
    explicit Watch(PipeBus& bus) : bus_(bus) { ++bus_.watches; }
    ~Watch() override { --bus_.watches; }
    int descriptor() const override { return bus_.ends_[0]; }
    void readable() override {
      char byte;
      while (::read(bus_.ends_[0], &byte, 1) == 1) ++bus_.pending;
      ++bus_.readables;
    }
    bool wait(std::uint32_t) override { return false; }

   private:
    PipeBus& bus_;
  };

  int ends_[2] = {-1, -1};
};

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

    bus.Change();
    bus.Change();
    QElapsedTimer timer;
    timer.start();
    while (bus.delivered < 2 && timer.elapsed() < 2000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_EQ(bus.delivered, 2);
    EXPECT_GE(bus.readables, 1);
    const int readables = bus.readables;
    RunLoopFor(30);  // drained: the notifier stays quiet
    EXPECT_EQ(bus.readables, readables);
  }
  EXPECT_EQ(bus.watches, 0);  // the watch went with the watcher
}

TEST(DeviceNoticeWatcher, ABusWithoutADescriptorIsLeftToThePolling) {
  platform::NullBus bus;
  DeviceNoticeWatcher watcher(bus);
  EXPECT_FALSE(watcher.Watching());
}

}  // namespace
}  // namespace vestrel::desktop
