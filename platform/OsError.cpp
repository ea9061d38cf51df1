#include "platform/OsError.h"

#include <cerrno>
#include <cstring>
#include <string_view>

namespace vestrel::platform {

namespace {

struct ErrnoName {
  int value;
  std::string_view name;
};

// The errno values a device open, a USB request or a tty can end with.
constexpr ErrnoName kErrnoNames[] = {
    {EPERM, "EPERM"},         {ENOENT, "ENOENT"},       {EINTR, "EINTR"},
    {EIO, "EIO"},             {ENXIO, "ENXIO"},         {EBADF, "EBADF"},
    {EAGAIN, "EAGAIN"},       {ENOMEM, "ENOMEM"},       {EACCES, "EACCES"},
    {EBUSY, "EBUSY"},         {EEXIST, "EEXIST"},       {ENODEV, "ENODEV"},
    {ENOTDIR, "ENOTDIR"},     {EISDIR, "EISDIR"},       {EINVAL, "EINVAL"},
    {ENFILE, "ENFILE"},       {EMFILE, "EMFILE"},       {ENOTTY, "ENOTTY"},
    {ENOSPC, "ENOSPC"},       {EROFS, "EROFS"},         {EPIPE, "EPIPE"},
    {ERANGE, "ERANGE"},       {ENOSYS, "ENOSYS"},       {EOVERFLOW, "EOVERFLOW"},
    {ETIMEDOUT, "ETIMEDOUT"}, {EPROTO, "EPROTO"},       {ECANCELED, "ECANCELED"},
    {ENOTSUP, "ENOTSUP"},     {ECONNRESET, "ECONNRESET"}, {ELOOP, "ELOOP"},
};

}  // namespace

OsError OsError::FromErrno(int errnoValue) {
  if (errnoValue == 0) return {};
  std::string name = "errno " + std::to_string(errnoValue);
  for (const auto& known : kErrnoNames) {
    if (known.value == errnoValue) name = std::string(known.name);
  }
  return {errnoValue, std::move(name), std::strerror(errnoValue)};
}

std::string OsError::describe() const {
  if (!failed()) return {};
  if (text_.empty()) return name_;
  return name_ + " (" + text_ + ")";
}

}  // namespace vestrel::platform
