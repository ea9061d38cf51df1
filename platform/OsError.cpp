#include "platform/OsError.h"

#include <cerrno>
#include <cstring>
#include <string_view>

namespace vestrel::platform {

namespace {

struct ErrnoName {
  int value;
  std::string_view name;
  // The text where the Windows C runtime has none of its own ("Unknown error"); the same
  // wording as Linux gives, so a message reads the same on both.
  std::string_view text = {};
};

// The errno values a device open, a USB request or a tty can end with.
constexpr ErrnoName kErrnoNames[] = {
    {EPERM, "EPERM"},
    {ENOENT, "ENOENT"},
    {EINTR, "EINTR"},
    {EIO, "EIO"},
    {ENXIO, "ENXIO"},
    {EBADF, "EBADF"},
    {EAGAIN, "EAGAIN"},
    {ENOMEM, "ENOMEM"},
    {EACCES, "EACCES"},
    {EBUSY, "EBUSY"},
    {EEXIST, "EEXIST"},
    {ENODEV, "ENODEV"},
    {ENOTDIR, "ENOTDIR"},
    {EISDIR, "EISDIR"},
    {EINVAL, "EINVAL"},
    {ENFILE, "ENFILE"},
    {EMFILE, "EMFILE"},
    {ENOTTY, "ENOTTY"},
    {ENOSPC, "ENOSPC"},
    {EROFS, "EROFS"},
    {EPIPE, "EPIPE"},
    {ERANGE, "ERANGE"},
    {ENOSYS, "ENOSYS"},
    {EOVERFLOW, "EOVERFLOW", "Value too large for defined data type"},
    {ETIMEDOUT, "ETIMEDOUT", "Connection timed out"},
    {EPROTO, "EPROTO", "Protocol error"},
    {ECANCELED, "ECANCELED", "Operation canceled"},
    {ENOTSUP, "ENOTSUP", "Operation not supported"},
    {ECONNRESET, "ECONNRESET", "Connection reset by peer"},
    {ELOOP, "ELOOP", "Too many levels of symbolic links"},
};

}  // namespace

OsError OsError::FromErrno(int errnoValue) {
  if (errnoValue == 0) return {};
  for (const auto& known : kErrnoNames) {
    if (known.value != errnoValue) continue;
    return {errnoValue, std::string(known.name),
            known.text.empty() ? std::strerror(errnoValue) : std::string(known.text)};
  }
  return {errnoValue, "errno " + std::to_string(errnoValue), std::strerror(errnoValue)};
}

std::string OsError::describe() const {
  if (!failed()) return {};
  if (text_.empty()) return name_;
  return name_ + " (" + text_ + ")";
}

}  // namespace vestrel::platform
