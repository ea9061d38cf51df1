#include "platform/win32/Win32SerialPort.h"

#include "platform/win32/Win32Error.h"

namespace vestrel::platform {

Opened<SerialPort> Win32SerialPort::Open(const std::string& devicePath) {
  OsError error;
  const HANDLE handle = OpenDevice(devicePath, FILE_FLAG_OVERLAPPED, error);
  if (handle == INVALID_HANDLE_VALUE) return {nullptr, std::move(error)};
  // usbser.sys leaves DTR low, and a phone may ignore commands until it is raised (opening the
  // tty raises it on Linux). A port that has no such line still takes the write.
  EscapeCommFunction(handle, SETDTR);
  return {std::make_unique<Win32SerialPort>(handle), {}};
}

OsResult<std::uint32_t> Win32SerialPort::commStateBaudRate() {
  if (!handle_.isOpen()) return {std::nullopt, Win32Error(ERROR_INVALID_HANDLE)};
  DCB state{};
  state.DCBlength = sizeof(DCB);
  if (!GetCommState(handle_.get(), &state)) return {std::nullopt, LastWin32Error()};
  return {state.BaudRate, {}};
}

OsResult<CommTimeouts> Win32SerialPort::getTimeouts() {
  if (!handle_.isOpen()) return {std::nullopt, Win32Error(ERROR_INVALID_HANDLE)};
  COMMTIMEOUTS t{};
  if (!GetCommTimeouts(handle_.get(), &t)) return {std::nullopt, LastWin32Error()};
  return {
      CommTimeouts{t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
                   t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant},
      {}};
}

OsError Win32SerialPort::setTimeouts(const CommTimeouts& timeouts) {
  if (!handle_.isOpen()) return Win32Error(ERROR_INVALID_HANDLE);
  COMMTIMEOUTS t{timeouts.readInterval, timeouts.readTotalMultiplier, timeouts.readTotalConstant,
                 timeouts.writeTotalMultiplier, timeouts.writeTotalConstant};
  return SetCommTimeouts(handle_.get(), &t) ? OsError{} : LastWin32Error();
}

WriteOutcome Win32SerialPort::write(std::span<const std::uint8_t> data) {
  WriteOutcome outcome;
  if (!handle_.isOpen()) {
    outcome.error = Win32Error(ERROR_INVALID_HANDLE);
    return outcome;
  }
  RequestEvent event;
  if (!event.get()) {
    outcome.error = LastWin32Error();
    return outcome;
  }
  OVERLAPPED request{};
  request.hEvent = event.get();
  DWORD written = 0;
  if (!WriteFile(handle_.get(), data.data(), static_cast<DWORD>(data.size()), &written, &request) &&
      GetLastError() != ERROR_IO_PENDING) {
    outcome.error = LastWin32Error();
    return outcome;
  }
  outcome.accepted = true;
  // The request and its event belong to this call: wait for its end, the count it reports is
  // what reached the port.
  if (!GetOverlappedResult(handle_.get(), &request, &written, TRUE)) {
    outcome.error = LastWin32Error();
    written = 0;
  }
  outcome.written = written;
  return outcome;
}

OsError Win32SerialPort::close() { return handle_.close(); }

}  // namespace vestrel::platform
