#include "platform/WireTrace.h"

#include <fstream>
#include <stdexcept>

#include "platform/Environment.h"
#include "platform/HostFileSystem.h"

namespace vestrel::platform {

namespace {

Wait doneOrFailed(const OsError& error) { return error.failed() ? Wait::Failed : Wait::Signalled; }

template <class Device>
OsError traceClose(Device& device, const std::string& path, TraceSink& sink) {
  OsError error = device.close();
  sink.write("CLOSE", path, doneOrFailed(error), {}, error);
  return error;
}

class TracedDriverHandle final : public DriverHandle {
 public:
  TracedDriverHandle(std::unique_ptr<DriverHandle> inner, std::string path,
                     std::shared_ptr<TraceSink> sink)
      : inner_(std::move(inner)), path_(std::move(path)), sink_(std::move(sink)) {}

  IoOutcome ioControl(std::uint32_t code, std::span<const std::uint8_t> input,
                      std::span<std::uint8_t> output, std::uint32_t waitMs) override {
    const IoOutcome outcome = inner_->ioControl(code, input, output, waitMs);
    char codeText[9];
    std::snprintf(codeText, sizeof codeText, "%08X", code);
    const auto returned = output.first(std::min<std::size_t>(outcome.bytesReturned, output.size()));
    sink_->write(codeText, toHex(input), outcome.wait, returned, outcome.error);
    return outcome;
  }

  void cancelIo() override { inner_->cancelIo(); }

  OsError close() override { return traceClose(*inner_, path_, *sink_); }

 private:
  std::unique_ptr<DriverHandle> inner_;
  std::string path_;
  std::shared_ptr<TraceSink> sink_;
};

class TracedSerialPort final : public SerialPort {
 public:
  TracedSerialPort(std::unique_ptr<SerialPort> inner, std::string path,
                   std::shared_ptr<TraceSink> sink)
      : inner_(std::move(inner)), path_(std::move(path)), sink_(std::move(sink)) {}

  OsResult<std::uint32_t> commStateBaudRate() override { return inner_->commStateBaudRate(); }
  OsResult<CommTimeouts> getTimeouts() override { return inner_->getTimeouts(); }
  OsError setTimeouts(const CommTimeouts& timeouts) override {
    return inner_->setTimeouts(timeouts);
  }

  WriteOutcome write(std::span<const std::uint8_t> data) override {
    WriteOutcome outcome = inner_->write(data);
    sink_->write("SERIAL", toHex(data), outcome.accepted ? Wait::Signalled : Wait::Failed, {},
                 outcome.error);
    return outcome;
  }

  OsError close() override { return traceClose(*inner_, path_, *sink_); }

 private:
  std::unique_ptr<SerialPort> inner_;
  std::string path_;
  std::shared_ptr<TraceSink> sink_;
};

}  // namespace

TraceSink::TraceSink(std::unique_ptr<std::ostream> out) : out_(std::move(out)) {}

std::shared_ptr<TraceSink> TraceSink::toFile(const std::filesystem::path& path) {
  auto file = std::make_unique<std::ofstream>(path, std::ios::app);
  if (!*file) throw std::runtime_error("cannot open trace file " + Utf8FromPath(path));
  return std::make_shared<TraceSink>(std::move(file));
}

void TraceSink::write(std::string_view code, std::string_view subject, Wait wait,
                      std::span<const std::uint8_t> output, const OsError& error) {
  *out_ << code << ' ' << subject << " -> " << waitName(wait);
  if (!output.empty()) *out_ << ' ' << toHex(output);
  if (error.failed()) *out_ << ' ' << error.describe();
  *out_ << '\n' << std::flush;
}

std::string toHex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(bytes.size() * 2, '0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    text[2 * i] = kDigits[bytes[i] >> 4];
    text[2 * i + 1] = kDigits[bytes[i] & 0x0F];
  }
  return text;
}

std::string_view waitName(Wait wait) {
  switch (wait) {
    case Wait::Signalled:
      return "signalled";
    case Wait::Timeout:
      return "timeout";
    case Wait::Failed:
      break;
  }
  return "failed";
}

TracingBus::TracingBus(DeviceBus& inner, std::shared_ptr<TraceSink> sink)
    : inner_(inner), sink_(std::move(sink)) {}

std::optional<std::vector<DeviceInterfaceRecord>> TracingBus::presentInterfaces(
    std::string_view interfaceClass) {
  return inner_.presentInterfaces(interfaceClass);
}

std::unique_ptr<NoticeSubscription> TracingBus::subscribe(std::string_view interfaceClass,
                                                          std::function<void()> notice) {
  return inner_.subscribe(interfaceClass, std::move(notice));
}

void TracingBus::deliverNotices() { inner_.deliverNotices(); }

std::unique_ptr<NoticeWatch> TracingBus::watchNotices() { return inner_.watchNotices(); }

namespace {

template <class Traced, class Device>
Opened<Device> traceOpen(Opened<Device> opened, const std::string& path,
                         const std::shared_ptr<TraceSink>& sink) {
  sink->write("OPEN", path, opened.handle ? Wait::Signalled : Wait::Failed, {}, opened.error);
  if (opened.handle) opened.handle = std::make_unique<Traced>(std::move(opened.handle), path, sink);
  return opened;
}

}  // namespace

Opened<DriverHandle> TracingBus::openDriver(const std::string& devicePath) {
  return traceOpen<TracedDriverHandle>(inner_.openDriver(devicePath), devicePath, sink_);
}

Opened<SerialPort> TracingBus::openSerial(const std::string& devicePath) {
  return traceOpen<TracedSerialPort>(inner_.openSerial(devicePath), devicePath, sink_);
}

std::unique_ptr<TracingBus> traceFromEnvironment(DeviceBus& inner) {
  const auto path = EnvironmentText("VESTREL_TRACE");
  if (!path) return nullptr;
  return std::make_unique<TracingBus>(inner, TraceSink::toFile(PathFromUtf8(*path)));
}

}  // namespace vestrel::platform
