#include "platform/linux/TermiosSerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "platform/linux/LinuxErrors.h"

namespace vestrel::platform {

namespace {

std::uint32_t baudOf(speed_t speed) {
  switch (speed) {
    case B0:
      return 0;
    case B300:
      return 300;
    case B1200:
      return 1200;
    case B2400:
      return 2400;
    case B4800:
      return 4800;
    case B9600:
      return 9600;
    case B19200:
      return 19200;
    case B38400:
      return 38400;
    case B57600:
      return 57600;
    case B115200:
      return 115200;
    case B230400:
      return 230400;
    case B460800:
      return 460800;
    case B921600:
      return 921600;
    default:
      return 0;
  }
}

}  // namespace

Opened<SerialPort> TermiosSerialPort::Open(const std::string& node) {
  const int fd = ::open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {nullptr, OpenFailure(errno, node)};
  auto port = std::make_unique<TermiosSerialPort>(fd);
  termios settings{};
  if (::ioctl(fd, TIOCEXCL) != 0 || ::tcgetattr(fd, &settings) != 0) {
    return {nullptr, OpenFailure(errno, node)};
  }
  const speed_t in = cfgetispeed(&settings);
  const speed_t out = cfgetospeed(&settings);
  cfmakeraw(&settings);
  cfsetispeed(&settings, in);
  cfsetospeed(&settings, out);
  if (::tcsetattr(fd, TCSANOW, &settings) != 0) return {nullptr, OpenFailure(errno, node)};
  return {std::move(port), {}};
}

TermiosSerialPort::~TermiosSerialPort() { close(); }

OsError TermiosSerialPort::close() {
  if (fd_ < 0) return OsError::FromErrno(EBADF);
  const int result = ::close(fd_);
  fd_ = -1;
  return result == 0 ? OsError() : OsError::FromErrno(errno);
}

OsError TermiosSerialPort::unusable() const {
  if (fd_ < 0) return OsError::FromErrno(EBADF);
  pollfd watch{fd_, 0, 0};
  if (::poll(&watch, 1, 0) < 0) return OsError::FromErrno(errno);
  if (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) return OsError::FromErrno(EIO);
  return {};
}

OsResult<std::uint32_t> TermiosSerialPort::commStateBaudRate() {
  if (OsError error = unusable(); error.failed()) return {std::nullopt, error};
  termios settings{};
  if (::tcgetattr(fd_, &settings) != 0) return {std::nullopt, OsError::FromErrno(errno)};
  return {baudOf(cfgetospeed(&settings)), {}};
}

OsResult<CommTimeouts> TermiosSerialPort::getTimeouts() {
  if (OsError error = unusable(); error.failed()) return {std::nullopt, error};
  return {timeouts_, {}};
}

OsError TermiosSerialPort::setTimeouts(const CommTimeouts& timeouts) {
  if (OsError error = unusable(); error.failed()) return error;
  timeouts_ = timeouts;
  return {};
}

WriteOutcome TermiosSerialPort::write(std::span<const std::uint8_t> data) {
  if (OsError error = unusable(); error.failed()) return {false, 0, error};
  using Clock = std::chrono::steady_clock;
  // A write-total constant of 0 means no time-out, as for a serial driver.
  const auto limit = std::chrono::milliseconds(timeouts_.writeTotalConstant);
  const auto deadline = Clock::now() + limit;
  std::size_t written = 0;
  while (written < data.size()) {
    const ssize_t n = ::write(fd_, data.data() + written, data.size() - written);
    if (n > 0) {
      written += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return {written > 0, static_cast<std::uint32_t>(written), OsError::FromErrno(errno)};
    }
    int waitMs = -1;
    if (limit.count() > 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) break;
      waitMs = static_cast<int>(left.count());
    }
    pollfd watch{fd_, POLLOUT, 0};
    if (::poll(&watch, 1, waitMs) < 0 && errno != EINTR) {
      return {written > 0, static_cast<std::uint32_t>(written), OsError::FromErrno(errno)};
    }
  }
  // A write cut short by its time-out still counts what went out, as a serial driver's does.
  return {true, static_cast<std::uint32_t>(written), {}};
}

}  // namespace vestrel::platform
