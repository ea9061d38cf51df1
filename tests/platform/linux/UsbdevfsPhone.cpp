#include "tests/platform/linux/UsbdevfsPhone.h"

#include <fcntl.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "platform/DriverHandle.h"

namespace vestrel::testing {

using platform::IoOutcome;
using platform::Wait;
using virtualphone::PhoneMode;

namespace {

constexpr std::size_t kSetupSize = 8;
constexpr std::size_t kDriverBytes = 4;
constexpr std::uint32_t kRequestWaitMs = 5000;

std::string hex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char pair[3];
  for (auto b : bytes) {
    std::snprintf(pair, sizeof pair, "%02X", b);  // umockdev reads node contents in upper case
    text += pair;
  }
  return text;
}

// Device and configuration descriptors: one vendor-specific interface with a bulk OUT and a bulk
// IN endpoint, as the phone's command and flash interfaces have.
std::vector<std::uint8_t> descriptors(std::uint16_t product, std::uint8_t interfaceNumber,
                                      std::uint8_t subClass, std::uint8_t protocol) {
  const auto lo = static_cast<std::uint8_t>(product);
  const auto hi = static_cast<std::uint8_t>(product >> 8);
  // clang-format off
  return {
      0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x40, 0xb8, 0x22, lo, hi, 0x01, 0x00, 0x01, 0x02,
      0x00, 0x01,                                                       // device
      0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0x80, 0xfa,             // configuration
      0x09, 0x04, interfaceNumber, 0x00, 0x02, 0xff, subClass, protocol, 0x00,  // interface
      0x07, 0x05, 0x01, 0x02, 0x00, 0x02, 0x00,                         // bulk OUT 1
      0x07, 0x05, 0x82, 0x02, 0x00, 0x02, 0x00,                         // bulk IN 2
  };
  // clang-format on
}

void putLe32(std::vector<std::uint8_t>& into, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) into.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

UsbdevfsPhones::UsbdevfsPhones() : testbed_(umockdev_testbed_new()) {
  handler_ = umockdev_ioctl_base_new();
  g_signal_connect_after(handler_, "handle-ioctl", G_CALLBACK(onIoctl), this);
  g_signal_connect(handler_, "client-connected", G_CALLBACK(onConnected), this);
  g_signal_connect(handler_, "client-vanished", G_CALLBACK(onVanished), this);
  ttyHandler_ = umockdev_ioctl_base_new();
  g_signal_connect_after(ttyHandler_, "handle-ioctl", G_CALLBACK(onTtyIoctl), nullptr);
  umockdev_testbed_add_from_string(testbed_,
                                   "P: /devices/pci0000:00/usb1\n"
                                   "E: SUBSYSTEM=usb\n"
                                   "E: DEVTYPE=usb_device\n"
                                   "A: idVendor=1d6b\n"
                                   "A: idProduct=0002\n",
                                   nullptr);
}

UsbdevfsPhones::~UsbdevfsPhones() {
  g_object_unref(testbed_);  // stops the worker thread before the handler goes
  g_object_unref(handler_);
  g_object_unref(ttyHandler_);
}

UsbdevfsPhones::Plugged UsbdevfsPhones::plug(PhoneMode mode, std::uint16_t product, int port,
                                             int devnum) {
  const std::uint8_t interfaceNumber = mode == PhoneMode::P2K ? 8 : 0;
  Plugged plugged;
  plugged.phone =
      bus_.plug({"1-" + std::to_string(port), "UD" + std::to_string(port), interfaceNumber}, mode);
  plugged.port = port;
  plugged.devnum = devnum;
  plugged.mode = mode;
  attach(plugged, product);
  return placeOf(plugged);
}

UsbdevfsPhones::Plugged UsbdevfsPhones::placeOf(Plugged plugged) const {
  char node[32];
  std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", plugged.devnum);
  plugged.devnode = node;
  plugged.syspath = "/devices/pci0000:00/usb1/1-" + std::to_string(plugged.port);
  plugged.ttyNode =
      plugged.mode == PhoneMode::AT ? "/dev/ttyACM" + std::to_string(plugged.port) : "";
  return plugged;
}

void UsbdevfsPhones::attach(const Plugged& where, std::uint16_t product) {
  const Plugged plugged = placeOf(where);
  const std::string& node = plugged.devnode;
  const std::string port = std::to_string(plugged.port);
  const bool modem = plugged.mode == PhoneMode::AT;
  const std::uint8_t interfaceNumber = plugged.mode == PhoneMode::P2K ? 8 : 0;
  char productText[5];
  std::snprintf(productText, sizeof productText, "%04x", product);
  char interfaceText[3];
  std::snprintf(interfaceText, sizeof interfaceText, "%02x", interfaceNumber);
  const bool command = plugged.mode == PhoneMode::P2K;
  const std::string blob =
      hex(descriptors(product, interfaceNumber, command ? 0x03 : 0x00, command ? 0xff : 0x00));
  GError* error = nullptr;
  if (!modem) {
    {
      std::lock_guard lock(mutex_);
      phonesByNode_[node] = plugged.phone;
    }
    if (!umockdev_testbed_attach_ioctl(testbed_, node.c_str(), handler_, &error)) {
      throw std::runtime_error(error ? error->message : "attach_ioctl failed");
    }
  }
  const std::string interfacePath = interfaceOf(plugged);
  std::string description =
      "P: " + plugged.syspath + "\n" + "N: " + node.substr(5) + (modem ? "" : "=" + blob) + "\n" +
      "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=" + node + "\n" +
      "E: BUSNUM=001\nE: DEVNUM=" + node.substr(17) + "\n" + "A: idVendor=22b8\n" +
      "A: idProduct=" + productText + "\n" + "A: bcdDevice=0001\nA: busnum=1\n" +
      "A: devnum=" + std::to_string(plugged.devnum) + "\n" +
      "A: manufacturer=Test maker\nA: product=Test phone\nA: bConfigurationValue=1\n" +
      (modem ? "" : "H: descriptors=" + blob + "\n") + "\n" + "P: " + interfacePath + "\n" +
      "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n" +
      (modem ? "L: driver=../../../../../bus/usb/drivers/cdc_acm\n" : "") +
      "A: bInterfaceNumber=" + interfaceText + "\n" +
      (modem ? "A: bInterfaceClass=02\nA: bInterfaceSubClass=02\nA: bInterfaceProtocol=01\n"
       : command
           // The command interface as the C380 names it; its bulk pair serves the block transport.
           ? "A: bInterfaceClass=ff\nA: bInterfaceSubClass=03\nA: bInterfaceProtocol=ff\n"
             "A: interface=Motorola Test Command\n"
           : "A: bInterfaceClass=ff\nA: bInterfaceSubClass=00\nA: bInterfaceProtocol=00\n");
  if (modem) {
    if (!umockdev_testbed_attach_ioctl(testbed_, plugged.ttyNode.c_str(), ttyHandler_, &error)) {
      throw std::runtime_error(error ? error->message : "attach_ioctl failed");
    }
    const std::string tty = plugged.ttyNode.substr(5);
    description += "\nP: " + ttyOf(plugged) + "\nN: " + tty +
                   "\nE: SUBSYSTEM=tty\nE: DEVNAME=" + plugged.ttyNode + "\n";
  }
  if (!umockdev_testbed_add_from_string(testbed_, description.c_str(), &error)) {
    throw std::runtime_error(error ? error->message : "add_from_string failed");
  }
  umockdev_testbed_uevent(testbed_, ("/sys" + plugged.syspath).c_str(), "add");
}

void UsbdevfsPhones::unplug(const Plugged& plugged) {
  bus_.unplug(*plugged.phone);
  detach(plugged);
}

void UsbdevfsPhones::detach(const Plugged& plugged) {
  {
    std::lock_guard lock(mutex_);
    phonesByNode_.erase(plugged.devnode);
  }
  // Children first: the testbed leaves a removed device's children behind.
  std::vector<std::string> paths;
  if (!plugged.ttyNode.empty()) paths.push_back(ttyOf(plugged));
  paths.push_back(interfaceOf(plugged));
  paths.push_back(plugged.syspath);
  for (const auto& syspath : paths) {
    const std::string path = "/sys" + syspath;
    umockdev_testbed_uevent(testbed_, path.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, path.c_str());
  }
}

std::string UsbdevfsPhones::interfaceOf(const Plugged& plugged) {
  return plugged.syspath + "/1-" + std::to_string(plugged.port) + ":1." +
         (plugged.mode == PhoneMode::P2K ? "8" : "0");
}

std::string UsbdevfsPhones::ttyOf(const Plugged& plugged) {
  return interfaceOf(plugged) + "/tty/" + plugged.ttyNode.substr(5);
}

UsbdevfsPhones::Plugged UsbdevfsPhones::followModeChange(const Plugged& plugged) {
  const PhoneMode now = plugged.phone->mode();
  if (now == plugged.mode) return plugged;
  detach(plugged);
  if (now == PhoneMode::Off) return plugged;
  Plugged moved = plugged;
  moved.mode = now;
  moved.devnum = plugged.devnum + 1;
  const std::uint16_t product = now == PhoneMode::P2K  ? 0x4901
                                : now == PhoneMode::AT ? 0x4902
                                                       : 0x4903;
  attach(moved, product);
  return placeOf(moved);
}

std::string UsbdevfsPhones::serveModem(const Plugged& plugged, int waitMs) {
  const int fd = umockdev_testbed_get_dev_fd(testbed_, plugged.ttyNode.c_str());
  std::string bytes;
  if (fd < 0) return bytes;
  pollfd watch{fd, POLLIN, 0};
  char buffer[256];
  // The first byte may take a moment; the rest of a line follows it at once.
  for (int wait = waitMs; ::poll(&watch, 1, wait) > 0 && (watch.revents & POLLIN); wait = 20) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  if (auto port = bus_.openSerial(plugged.phone->devicePath()).handle) {
    port->write(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  }
  return bytes;
}

// Closing the pty's master end is the hang-up. The testbed closes that descriptor itself at the
// end, so an empty one takes its number.
void UsbdevfsPhones::hangUp(const Plugged& plugged) {
  const int master = umockdev_testbed_get_dev_fd(testbed_, plugged.ttyNode.c_str());
  const int empty = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (master < 0 || empty < 0 || ::dup2(empty, master) < 0) {
    throw std::runtime_error("the modem's tty cannot be hung up");
  }
  ::close(empty);
}

// The modem's tty is a pty: its terminal requests run on the pty itself, in the caller.
gboolean UsbdevfsPhones::onTtyIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer) {
  int error = 0;
  const int result = umockdev_ioctl_client_execute(client, &error, nullptr);
  umockdev_ioctl_client_complete(client, result, error);
  return true;
}

gboolean UsbdevfsPhones::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  return static_cast<UsbdevfsPhones*>(self)->handle(client);
}

void UsbdevfsPhones::onConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  auto& rig = *static_cast<UsbdevfsPhones*>(self);
  std::lock_guard lock(rig.mutex_);
  const auto phone = rig.phonesByNode_.find(umockdev_ioctl_client_get_devnode(client));
  Client state;
  if (phone != rig.phonesByNode_.end() && phone->second->mode() != PhoneMode::Off) {
    state.handle = rig.bus_.openDriver(phone->second->devicePath()).handle;
  }
  rig.clients_[client] = std::move(state);
}

void UsbdevfsPhones::onVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  auto& rig = *static_cast<UsbdevfsPhones*>(self);
  std::lock_guard lock(rig.mutex_);
  const auto it = rig.clients_.find(client);
  if (it == rig.clients_.end()) return;
  rig.clients_.erase(it);
}

bool UsbdevfsPhones::handle(UMockdevIoctlClient* client) {
  std::lock_guard lock(mutex_);
  Client& state = clients_[client];
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  switch (umockdev_ioctl_client_get_request(client)) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
      *reinterpret_cast<guint32*>(caps->data) =
          USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
          USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
      g_object_unref(caps);
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    }
    case USBDEVFS_CONNECTINFO: {
      UMockdevIoctlData* info =
          umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_connectinfo), nullptr);
      reinterpret_cast<usbdevfs_connectinfo*>(info->data)->devnum = 1;
      g_object_unref(info);
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    }
    case USBDEVFS_CONTROL: {  // libusb asks for the active configuration this way
      UMockdevIoctlData* ctrl =
          umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_ctrltransfer), nullptr);
      auto* transfer = reinterpret_cast<usbdevfs_ctrltransfer*>(ctrl->data);
      UMockdevIoctlData* data = umockdev_ioctl_data_resolve(
          ctrl, offsetof(usbdevfs_ctrltransfer, data), transfer->wLength, nullptr);
      if (transfer->wLength >= 1) data->data[0] = 1;
      g_object_unref(data);
      g_object_unref(ctrl);
      umockdev_ioctl_client_complete(client, 1, 0);
      return true;
    }
    case USBDEVFS_GETDRIVER:
      umockdev_ioctl_client_complete(client, -1, ENODATA);
      return true;
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:
      if (interfaceBusy_) {
        umockdev_ioctl_client_complete(client, -1, EBUSY);
        return true;
      }
      [[fallthrough]];
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_IOCTL:
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    case USBDEVFS_CLEAR_HALT: {
      UMockdevIoctlData* endpoint = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
      state.halted.erase(static_cast<std::uint8_t>(*reinterpret_cast<guint32*>(endpoint->data)));
      g_object_unref(endpoint);
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    }
    case USBDEVFS_SUBMITURB:
      submit(client, state);
      return true;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
      state.urbs.reap(client);
      return true;
    case USBDEVFS_DISCARDURB:
      state.urbs.discard(client);
      return true;
    default:
      return false;
  }
}

void UsbdevfsPhones::submit(UMockdevIoctlClient* client, Client& state) {
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
  auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
  UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
      urbData, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(urb->buffer_length), nullptr);
  if (!state.handle) {
    g_object_unref(buffer);
    g_object_unref(urbData);
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return;
  }
  std::uint8_t* bytes = buffer->data;
  const std::size_t length = static_cast<std::size_t>(urb->buffer_length);
  std::vector<std::uint8_t> input;
  std::vector<std::uint8_t> output;
  std::uint32_t code = 0;
  std::size_t dataAt = 0;  // where the data stage starts in the URB's buffer
  bool toHost = false;
  if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
    code = platform::IOCTL_P2K_CONTROL;
    dataAt = kSetupSize;
    toHost = (bytes[0] & 0x80) != 0;
    input.assign(bytes, bytes + (toHost ? kSetupSize : length));
    if (toHost) input.push_back(0);
    output.resize(kDriverBytes + length - kSetupSize + 1);
  } else {
    toHost = (urb->endpoint & 0x80) != 0;
    code = toHost ? platform::IOCTL_P2K_READ : platform::IOCTL_P2K_WRITE;
    input.push_back(2);
    putLe32(input, static_cast<std::uint32_t>(length));
    if (!toHost) {
      input.insert(input.end(), bytes, bytes + length);
      input.push_back(0);
    }
    output.resize(kDriverBytes + length);
  }
  // A stalled bulk endpoint stays halted until the host clears it, as a device's does.
  const bool bulk = urb->type != USBDEVFS_URB_TYPE_CONTROL;
  if (bulk && state.halted.contains(urb->endpoint)) {
    g_object_unref(buffer);
    urb->status = -EPIPE;
    urb->actual_length = 0;
    state.urbs.finish(urbData);
    umockdev_ioctl_client_complete(client, 0, 0);
    return;
  }
  const IoOutcome outcome = state.handle->ioControl(code, input, output, kRequestWaitMs);
  const bool stalls = bulk && toHost && stallNextBulkRead_.exchange(false);
  if (outcome.wait == Wait::Failed) {
    g_object_unref(buffer);
    g_object_unref(urbData);
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return;
  }
  if (outcome.wait == Wait::Timeout) {
    state.urbs.hold(urbData);
  } else if (!outcome.resultOk || stalls) {
    if (bulk) state.halted.insert(urb->endpoint);
    urb->status = -EPIPE;
    urb->actual_length = 0;
    state.urbs.finish(urbData);
  } else {
    std::size_t moved = length - dataAt;
    if (toHost) {
      moved = outcome.bytesReturned > kDriverBytes ? outcome.bytesReturned - kDriverBytes : 0;
      moved = std::min(moved, length - dataAt);
      std::copy_n(output.begin() + kDriverBytes, moved, bytes + dataAt);
    }
    urb->status = 0;
    urb->actual_length = static_cast<int>(moved);
    if (bulk && toHost && bulkReadsHeldOpen_) {
      state.urbs.hold(urbData);
    } else {
      state.urbs.finish(urbData);
    }
  }
  g_object_unref(buffer);
  umockdev_ioctl_client_complete(client, 0, 0);
}

}  // namespace vestrel::testing
