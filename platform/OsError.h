#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vestrel::platform {

// The operating system's own reason for a failed call: an errno value, a Windows error code or a
// libusb error, with its symbolic name and its text. Empty when the call succeeded. Backends fill
// it from what the OS said; phonelink/ only passes it on (the wire trace, the front ends'
// messages).
class OsError {
 public:
  OsError() = default;
  OsError(std::int64_t code, std::string name, std::string text)
      : code_(code), name_(std::move(name)), text_(std::move(text)) {}

  // From an errno value: "EACCES", "Permission denied". Zero gives an empty error.
  static OsError FromErrno(int errnoValue);

  bool failed() const { return !name_.empty(); }
  std::int64_t code() const { return code_; }
  const std::string& name() const { return name_; }
  const std::string& text() const { return text_; }
  // "EACCES (Permission denied)"; "" when empty.
  std::string describe() const;

  bool operator==(const OsError&) const = default;

 private:
  std::int64_t code_ = 0;
  std::string name_;
  std::string text_;
};

// The result of opening a device: the handle, or null and the reason.
template <class Handle>
struct Opened {
  std::unique_ptr<Handle> handle;
  OsError error;
};

// A value read from a device, or nullopt and the reason.
template <class T>
struct OsResult {
  std::optional<T> value;
  OsError error;
};

}  // namespace vestrel::platform
