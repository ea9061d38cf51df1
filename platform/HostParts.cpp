#include "platform/HostParts.h"

#include "platform/WireTrace.h"

namespace vestrel::platform {

namespace {

class AssembledHost final : public Host {
 public:
  AssembledHost(DeviceSide device, DesktopSide desktop, const HostOptions& options)
      : device_(std::move(device)), desktop_(std::move(desktop)) {
    traced_ = options.trace
                  ? std::make_unique<TracingBus>(*device_.bus, TraceSink::toFile(*options.trace))
                  : traceFromEnvironment(*device_.bus);
  }

  DeviceBus& bus() override { return traced_ ? *traced_ : *device_.bus; }
  Clock& clock() override { return *device_.clock; }
  Shell& shell() override { return *desktop_.shell; }
  Registry& registry() override { return *desktop_.registry; }
  std::string deviceBackend() const override { return device_.backend; }
  std::string deviceReport() const override {
    return device_.report ? device_.report() : std::string();
  }
  void save() override {
    if (device_.save) device_.save();
  }

 private:
  DeviceSide device_;
  DesktopSide desktop_;
  std::unique_ptr<TracingBus> traced_;
};

}  // namespace

std::unique_ptr<Host> AssembleHost(DeviceSide device, DesktopSide desktop,
                                   const HostOptions& options) {
  return std::make_unique<AssembledHost>(std::move(device), std::move(desktop), options);
}

}  // namespace vestrel::platform
