#include "platform/linux/LinuxErrors.h"

#include <libusb.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace vestrel::platform {

namespace {

namespace fs = std::filesystem;

std::string permissionHint() {
  return std::string("; install ") + kUdevRulesName +
         " into /etc/udev/rules.d, run \"sudo udevadm control --reload-rules\" and "
         "\"sudo udevadm trigger\", then plug the phone in again (docs/linux-phones.md)";
}

std::string busyHint(const std::string& node) {
  const std::string holders = ProcessesHolding(node);
  return holders.empty() ? "; another program or driver holds it" : "; held by " + holders;
}

}  // namespace

OsError LibusbError(int libusbCode) {
  if (libusbCode == 0) return {};
  return {libusbCode, libusb_error_name(libusbCode), libusb_strerror(libusbCode)};
}

OsError OpenFailure(int errnoValue, const std::string& node) {
  OsError error = OsError::FromErrno(errnoValue);
  if (errnoValue == EACCES || errnoValue == EPERM) {
    return {error.code(), error.name(), error.text() + permissionHint()};
  }
  if (errnoValue == EBUSY) return {error.code(), error.name(), error.text() + busyHint(node)};
  return error;
}

OsError ClaimFailure(int libusbCode, const std::string& node) {
  OsError error = LibusbError(libusbCode);
  if (libusbCode == LIBUSB_ERROR_BUSY) {
    return {error.code(), error.name(), error.text() + busyHint(node)};
  }
  if (libusbCode == LIBUSB_ERROR_ACCESS) {
    return {error.code(), error.name(), error.text() + permissionHint()};
  }
  return error;
}

std::string ProcessesHolding(const std::string& node) {
  std::string holders;
  std::error_code ec;
  const fs::path target = fs::weakly_canonical(node, ec);
  for (const auto& process : fs::directory_iterator("/proc", ec)) {
    const std::string pid = process.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code fdError;
    for (const auto& fd : fs::directory_iterator(process.path() / "fd", fdError)) {
      std::error_code linkError;
      if (fs::read_symlink(fd.path(), linkError) != target || linkError) continue;
      std::string name;
      std::getline(std::ifstream(process.path() / "comm"), name);
      if (!holders.empty()) holders += ", ";
      holders += name + " (pid " + pid + ")";
      break;
    }
  }
  return holders;
}

}  // namespace vestrel::platform
