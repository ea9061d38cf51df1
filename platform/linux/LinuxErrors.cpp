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

// ModemManager runs as root, so its open files are hidden from us, but its name is not; it
// probes every new modem unless the udev rules tell it to leave the phone alone.
std::string modemManagerHint() {
  const std::string pids = ProcessesNamed("ModemManager");
  if (pids.empty()) return {};
  return "; ModemManager (pid " + pids + ") probes phone modems: install " + kUdevRulesName +
         " (it sets ID_MM_DEVICE_IGNORE; docs/linux-phones.md) or stop it with "
         "\"sudo systemctl stop ModemManager\", then plug the phone in again";
}

std::string busyHint(const std::string& node) {
  const std::string holders = ProcessesHolding(node);
  return (holders.empty() ? "; another program or driver holds it" : "; held by " + holders) +
         modemManagerHint();
}

// Calls `visit(pid, directory)` for every process in /proc.
template <class Visit>
void forEachProcess(Visit visit) {
  std::error_code ec;
  for (const auto& process : fs::directory_iterator("/proc", ec)) {
    const std::string pid = process.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    visit(pid, process.path());
  }
}

std::string commOf(const fs::path& process) {
  std::string name;
  std::getline(std::ifstream(process / "comm"), name);
  return name;
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
  forEachProcess([&](const std::string& pid, const fs::path& process) {
    std::error_code fdError;
    for (const auto& fd : fs::directory_iterator(process / "fd", fdError)) {
      std::error_code linkError;
      if (fs::read_symlink(fd.path(), linkError) != target || linkError) continue;
      if (!holders.empty()) holders += ", ";
      holders += commOf(process) + " (pid " + pid + ")";
      break;
    }
  });
  return holders;
}

std::string ProcessesNamed(const std::string& name) {
  std::string pids;
  forEachProcess([&](const std::string& pid, const fs::path& process) {
    if (commOf(process) != name) return;
    if (!pids.empty()) pids += ", ";
    pids += pid;
  });
  return pids;
}

}  // namespace vestrel::platform
