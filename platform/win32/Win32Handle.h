#pragma once

#include <windows.h>

#include <string>

#include "platform/OsError.h"

namespace vestrel::platform {

// An open device file; closed on destruction unless close() already did.
class Win32Handle {
 public:
  explicit Win32Handle(HANDLE handle) : handle_(handle) {}
  ~Win32Handle() {
    if (isOpen()) CloseHandle(handle_);
  }
  Win32Handle(const Win32Handle&) = delete;
  Win32Handle& operator=(const Win32Handle&) = delete;

  HANDLE get() const { return handle_; }
  bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  // Gives the handle up to the caller, who closes it from then on.
  HANDLE release() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }
  // The reason when the handle was not open or the system refused.
  OsError close();

 private:
  HANDLE handle_;
};

// CreateFileA on a device path for reading and writing, shared both ways, an existing device
// only; `flags` is FILE_ATTRIBUTE_NORMAL or FILE_FLAG_OVERLAPPED. Invalid handle and the reason
// on failure.
HANDLE OpenDevice(const std::string& devicePath, DWORD flags, OsError& error);

// A manual-reset event, created unsignalled, closed on destruction; one per request.
class RequestEvent {
 public:
  RequestEvent() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~RequestEvent() {
    if (event_) CloseHandle(event_);
  }
  RequestEvent(const RequestEvent&) = delete;
  RequestEvent& operator=(const RequestEvent&) = delete;
  HANDLE get() const { return event_; }

 private:
  HANDLE event_;
};

}  // namespace vestrel::platform
