#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "platform/DeviceBus.h"

namespace vestrel::platform {

// Where trace lines go: one line per driver or port call, flushed at once so a trace survives
// a crash. Line format:
//   <code> <input hex> -> <wait> <output hex>
// with <code> the control code as 8 upper-case hex digits, SERIAL for a port write, or OPEN and
// CLOSE followed by the device path; <wait> is signalled, timeout or failed. A call that did not
// succeed ends with the OS's reason: "OPEN <path> -> failed EACCES (Permission denied)".
class TraceSink {
 public:
  explicit TraceSink(std::unique_ptr<std::ostream> out);
  // Opens FILE for appending; throws std::runtime_error when it cannot.
  static std::shared_ptr<TraceSink> toFile(const std::filesystem::path& path);

  void write(std::string_view code, std::string_view subject, Wait wait,
             std::span<const std::uint8_t> output, const OsError& error);

 private:
  std::unique_ptr<std::ostream> out_;
};

std::string toHex(std::span<const std::uint8_t> bytes);
std::string_view waitName(Wait wait);

// A bus that hands out traced driver handles and ports and passes everything else through.
class TracingBus final : public DeviceBus {
 public:
  TracingBus(DeviceBus& inner, std::shared_ptr<TraceSink> sink);

  std::optional<std::vector<DeviceInterfaceRecord>> presentInterfaces(
      std::string_view interfaceClass) override;
  std::unique_ptr<NoticeSubscription> subscribe(std::string_view interfaceClass,
                                                std::function<void()> notice) override;
  void deliverNotices() override;
  std::unique_ptr<NoticeWatch> watchNotices() override;
  Opened<DriverHandle> openDriver(const std::string& devicePath) override;
  Opened<SerialPort> openSerial(const std::string& devicePath) override;

 private:
  DeviceBus& inner_;
  std::shared_ptr<TraceSink> sink_;
};

// A tracing wrapper over `inner` when VESTREL_TRACE names a file, else null.
std::unique_ptr<TracingBus> traceFromEnvironment(DeviceBus& inner);

}  // namespace vestrel::platform
