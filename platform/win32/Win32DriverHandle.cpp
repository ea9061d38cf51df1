#include "platform/win32/Win32DriverHandle.h"

#include "platform/win32/Win32Error.h"

namespace vestrel::platform {

namespace {

IoOutcome Failed(Wait wait, OsError error) {
  IoOutcome outcome;
  outcome.wait = wait;
  outcome.error = std::move(error);
  return outcome;
}

}  // namespace

Opened<DriverHandle> Win32DriverHandle::Open(const std::string& devicePath) {
  OsError error;
  // Overlapped, so a request the phone never ends returns at its wait: on a plain handle the
  // call itself blocks until the driver gives up, whatever the wait.
  const HANDLE handle = OpenDevice(devicePath, FILE_FLAG_OVERLAPPED, error);
  if (handle == INVALID_HANDLE_VALUE) return {nullptr, std::move(error)};
  return {std::make_unique<Win32DriverHandle>(handle), {}};
}

IoOutcome Win32DriverHandle::ioControl(std::uint32_t code, std::span<const std::uint8_t> input,
                                       std::span<std::uint8_t> output, std::uint32_t waitMs) {
  if (!handle_.isOpen()) return Failed(Wait::Failed, Win32Error(ERROR_INVALID_HANDLE));
  RequestEvent event;
  if (!event.get() || !ResetEvent(event.get())) return Failed(Wait::Failed, LastWin32Error());
  OVERLAPPED request{};
  request.hEvent = event.get();
  DWORD returned = 0;
  const BOOL done =
      DeviceIoControl(handle_.get(), code, const_cast<std::uint8_t*>(input.data()),
                      static_cast<DWORD>(input.size()), output.empty() ? nullptr : output.data(),
                      static_cast<DWORD>(output.size()), &returned, &request);
  if (!done) {
    const DWORD reason = GetLastError();
    // Refused or failed at once: the request has ended and there is nothing to wait for.
    if (reason != ERROR_IO_PENDING) {
      return Failed(MeansDeviceGone(reason) ? Wait::Failed : Wait::Signalled, Win32Error(reason));
    }
  }
  switch (WaitForSingleObject(event.get(), waitMs)) {
    case WAIT_OBJECT_0:
      break;
    case WAIT_TIMEOUT: {
      CancelIoEx(handle_.get(), &request);
      DWORD ignored = 0;
      GetOverlappedResult(handle_.get(), &request, &ignored, TRUE);
      return Failed(Wait::Timeout, Win32Error(WAIT_TIMEOUT));
    }
    default: {
      const OsError reason = LastWin32Error();
      CancelIoEx(handle_.get(), &request);
      DWORD ignored = 0;
      GetOverlappedResult(handle_.get(), &request, &ignored, TRUE);
      return Failed(Wait::Failed, reason);
    }
  }
  IoOutcome outcome;
  outcome.wait = Wait::Signalled;
  outcome.resultOk = GetOverlappedResult(handle_.get(), &request, &returned, FALSE) != 0;
  if (!outcome.resultOk) {
    const DWORD reason = GetLastError();
    return Failed(MeansDeviceGone(reason) ? Wait::Failed : Wait::Signalled, Win32Error(reason));
  }
  outcome.callOk = true;
  outcome.bytesReturned = returned;
  return outcome;
}

void Win32DriverHandle::cancelIo() {
  if (handle_.isOpen()) CancelIo(handle_.get());
}

OsError Win32DriverHandle::close() { return handle_.close(); }

}  // namespace vestrel::platform
