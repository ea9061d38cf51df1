// The modem port on a pseudo-terminal pair standing for the phone's cdc_acm tty.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/linux/TermiosSerialPort.h"

namespace vestrel::platform {
namespace {

class OnAPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::openpty(&phone_, &tty_, name_, nullptr, nullptr), 0);
    termios settings{};
    ::tcgetattr(tty_, &settings);
    cfsetospeed(&settings, B115200);
    cfsetispeed(&settings, B115200);
    ::tcsetattr(tty_, TCSANOW, &settings);
    ::close(tty_);  // the port opens it by name, as a device node
  }
  void TearDown() override {
    if (phone_ >= 0) ::close(phone_);
  }
  // What the phone received, waiting briefly for it.
  std::string Received() {
    std::string bytes;
    pollfd watch{phone_, POLLIN, 0};
    char buffer[64];
    while (::poll(&watch, 1, 100) > 0) {
      const ssize_t n = ::read(phone_, buffer, sizeof buffer);
      if (n <= 0) break;
      bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
  }

  int phone_ = -1;
  int tty_ = -1;
  char name_[128] = {};
};

TEST_F(OnAPty, ACommandLineGoesOutByteForByteAndIsNotEchoed) {
  auto opened = TermiosSerialPort::Open(name_);
  ASSERT_TRUE(opened.handle) << opened.error.describe();
  const std::string line = "AT+Mode=8\r\n";
  const WriteOutcome outcome = opened.handle->write(
      std::span(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()));
  EXPECT_TRUE(outcome.accepted);
  EXPECT_EQ(outcome.written, 11u);
  EXPECT_EQ(Received(), line);  // no CR added before the LF

  // The phone's answer is not echoed back to it.
  ASSERT_EQ(::write(phone_, "OK\r\n", 4), 4);
  EXPECT_EQ(Received(), "");
  EXPECT_EQ(opened.handle->commStateBaudRate().value, 115200u);
}

TEST_F(OnAPty, TheTimeOutsReadBackAndAHangUpClosesThePort) {
  auto opened = TermiosSerialPort::Open(name_);
  ASSERT_TRUE(opened.handle);
  auto& port = *opened.handle;
  const CommTimeouts timeouts{0, 0, 100, 0, 100};
  EXPECT_FALSE(port.setTimeouts(timeouts).failed());
  EXPECT_EQ(port.getTimeouts().value, timeouts);

  ::close(phone_);  // the phone hangs up
  phone_ = -1;
  const auto baud = port.commStateBaudRate();
  EXPECT_FALSE(baud.value);
  EXPECT_TRUE(baud.error.failed());
  const std::uint8_t byte = 'A';
  EXPECT_FALSE(port.write(std::span(&byte, 1)).accepted);
}

TEST_F(OnAPty, TheModemIsOpenedExclusively) {
  auto first = TermiosSerialPort::Open(name_);
  ASSERT_TRUE(first.handle);
  // Root may still open an exclusive tty, so the mark itself is checked.
  const int other = ::open(name_, O_RDWR | O_NOCTTY);
  if (other < 0) {
    EXPECT_EQ(errno, EBUSY);
  } else {
    int exclusive = 0;
    ASSERT_EQ(::ioctl(other, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    ::close(other);
  }
  EXPECT_EQ(TermiosSerialPort::Open("/dev/no-such-modem").error.name(), "ENOENT");
}

}  // namespace
}  // namespace vestrel::platform
