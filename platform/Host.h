#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/DeviceBus.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

namespace vestrel::platform {

// What a front end asks of the host it runs on.
struct HostOptions {
  bool virtualPhone = false;                         // the virtual phone instead of real ones
  std::optional<std::filesystem::path> phoneFolder;  // the virtual phone kept in this folder
  std::optional<std::filesystem::path> trace;        // the wire trace file (else VESTREL_TRACE)
};

// Everything the front ends take from the host: the device bus, the clock its time-outs run on,
// the shell and the registry. The front end owns the host; it outlives every watcher, item and
// window built on it. Only OpenHost knows the backend types.
class Host {
 public:
  virtual ~Host() = default;
  // Traced when a trace was asked for; a bus that lists and opens nothing where the build has
  // no device backend.
  virtual DeviceBus& bus() = 0;
  virtual Clock& clock() = 0;
  virtual Shell& shell() = 0;
  virtual Registry& registry() = 0;
  // Which devices the bus reaches ("virtual phone", "none", ...), for messages.
  virtual std::string deviceBackend() const = 0;
  // What a report about a phone needs to know of the devices on this host, as text (the
  // real backend's devices, drivers, node permissions, rules); empty where the backend gathers
  // nothing (the virtual phone, a host without a device backend). Blocks for the reads only.
  virtual std::string deviceReport() const { return {}; }
  // True when the bus can reach no phone at all.
  bool noDeviceBackend() const { return deviceBackend() == kNoDeviceBackend; }
  // Writes back what must outlast the run (the kept virtual phone's mode). The front end calls
  // it once its watchers are gone.
  virtual void save() {}

  static constexpr const char* kNoDeviceBackend = "none";
};

// The host of this build (one implementation per operating system). Throws std::runtime_error
// when the trace file or the virtual phone's folder cannot be used.
std::unique_ptr<Host> OpenHost(const HostOptions& options);

}  // namespace vestrel::platform
