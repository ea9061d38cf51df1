#include "tests/platform/linux/IoctlLogReplay.h"

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vestrel::testing {

namespace {

constexpr std::size_t kSetupSize = 8;

bool IsUrbRecord(const std::string& ioctl) {
  return ioctl == "USBDEVFS_REAPURB" || ioctl == "USBDEVFS_REAPURBNDELAY";
}

std::vector<std::uint8_t> FromHex(const std::string& hex) {
  if (hex.size() % 2 != 0) throw std::runtime_error("odd number of hex digits");
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

bool ReadsFromDevice(const usbdevfs_urb& urb, const std::uint8_t* buffer) {
  if (urb.type == USBDEVFS_URB_TYPE_CONTROL) {
    return urb.buffer_length >= static_cast<int>(kSetupSize) && (buffer[0] & 0x80) != 0;
  }
  return (urb.endpoint & 0x80) != 0;
}

}  // namespace

IoctlLogReplay::IoctlLogReplay(const std::filesystem::path& log)
    : handler_(umockdev_ioctl_base_new()) {
  std::ifstream in(log);
  if (!in) throw std::runtime_error("cannot read " + log.string());
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    if (line.rfind("@DEV ", 0) == 0) {
      node_ = line.substr(5, line.find(' ', 5) - 5);
      continue;
    }
    std::istringstream fields(line);
    Record record;
    std::string hex;
    fields >> record.ioctl >> record.result;
    if (IsUrbRecord(record.ioctl)) {
      fields >> record.type >> record.endpoint >> record.status >> record.flags >>
          record.bufferLength >> record.actualLength >> record.errorCount;
    }
    fields >> hex;
    if (!fields && !(fields.eof() && hex.empty())) {
      throw std::runtime_error(log.string() + ":" + std::to_string(number) + ": not a record");
    }
    record.data = FromHex(hex);
    records_.push_back(std::move(record));
  }
  g_signal_connect_after(handler_, "handle-ioctl", G_CALLBACK(onIoctl), this);
}

IoctlLogReplay::~IoctlLogReplay() { g_object_unref(handler_); }

void IoctlLogReplay::attach(UMockdevTestbed* testbed, const std::string& node) {
  GError* error = nullptr;
  if (!umockdev_testbed_attach_ioctl(testbed, node.c_str(), handler_, &error)) {
    throw std::runtime_error(error ? error->message : "attach_ioctl failed");
  }
}

std::vector<std::vector<std::uint8_t>> IoctlLogReplay::controlSetups() const {
  std::lock_guard lock(mutex_);
  return controlSetups_;
}

std::size_t IoctlLogReplay::unmatched() const {
  std::lock_guard lock(mutex_);
  return unmatched_;
}

gboolean IoctlLogReplay::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  return static_cast<IoctlLogReplay*>(self)->handle(client);
}

// The requests umockdev's own replay answers without the log, answered the same way.
bool IoctlLogReplay::handle(UMockdevIoctlClient* client) {
  std::lock_guard lock(mutex_);
  switch (umockdev_ioctl_client_get_request(client)) {
    case USBDEVFS_GET_CAPABILITIES:
      answerFromRecord(client, "USBDEVFS_GET_CAPABILITIES");
      return true;
    case USBDEVFS_CONNECTINFO:
      answerFromRecord(client, "USBDEVFS_CONNECTINFO");
      return true;
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESET:
    case USBDEVFS_RESETEP:
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    case USBDEVFS_GETDRIVER:
      umockdev_ioctl_client_complete(client, -1, ENODATA);
      return true;
    case USBDEVFS_IOCTL:
      umockdev_ioctl_client_complete(client, -1, ENOTTY);
      return true;
    case USBDEVFS_SUBMITURB:
      submit(client);
      return true;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
      urbs_.reap(client);
      return true;
    case USBDEVFS_DISCARDURB:
      urbs_.discard(client);
      return true;
    default:
      return false;
  }
}

void IoctlLogReplay::answerFromRecord(UMockdevIoctlClient* client, const char* name) {
  for (const auto& record : records_) {
    if (record.ioctl != name) continue;
    UMockdevIoctlData* arg = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                                         record.data.size(), nullptr);
    std::memcpy(arg->data, record.data.data(), record.data.size());
    g_object_unref(arg);
    umockdev_ioctl_client_complete(client, record.result, 0);
    return;
  }
  umockdev_ioctl_client_complete(client, -1, ENOTTY);
}

void IoctlLogReplay::submit(UMockdevIoctlClient* client) {
  UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0,
                                                           sizeof(usbdevfs_urb), nullptr);
  auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
  UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
      urbData, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(urb->buffer_length), nullptr);
  std::uint8_t* bytes = buffer->data;
  const auto length = static_cast<std::size_t>(urb->buffer_length);
  const bool fromDevice = ReadsFromDevice(*urb, bytes);
  const bool control = urb->type == USBDEVFS_URB_TYPE_CONTROL;
  if (control && length >= kSetupSize) controlSetups_.emplace_back(bytes, bytes + kSetupSize);
  // What must be equal: the setup packet of a control read, all a write sends, nothing else.
  const std::size_t compared = control && fromDevice ? kSetupSize : fromDevice ? 0 : length;
  const auto matches = [&](const Record& record) {
    return IsUrbRecord(record.ioctl) && record.type == urb->type &&
           record.endpoint == urb->endpoint && record.flags == urb->flags &&
           record.bufferLength == urb->buffer_length && record.data.size() >= compared &&
           std::memcmp(record.data.data(), bytes, compared) == 0;
  };
  const Record* match = nullptr;
  for (std::size_t at = next_; at < records_.size() && !match; ++at) {
    if (matches(records_[at])) {
      match = &records_[at];
      next_ = at + 1;
    }
  }
  // umockdev-record keeps a URB equal to an earlier one only once, so a repeated request may
  // have its record behind: the latest one answers, and the position stays.
  for (std::size_t at = next_; at-- > 0 && !match;) {
    if (matches(records_[at])) match = &records_[at];
  }
  if (!match) {
    ++unmatched_;
    urbs_.hold(urbData);
  } else {
    urb->status = match->status;
    urb->actual_length = match->actualLength;
    urb->error_count = match->errorCount;
    if (fromDevice) {
      // A control record holds the setup packet before its data stage, a bulk one data only.
      const std::size_t at = control ? kSetupSize : 0;
      const std::size_t stage = match->data.size() > at ? match->data.size() - at : 0;
      const std::size_t n = std::min(
          {static_cast<std::size_t>(std::max(match->actualLength, 0)), length - at, stage});
      std::copy_n(match->data.begin() + static_cast<std::ptrdiff_t>(at), n, bytes + at);
    }
    urbs_.finish(urbData);
  }
  g_object_unref(buffer);
  umockdev_ioctl_client_complete(client, 0, 0);
}

}  // namespace vestrel::testing
