// Whatever a host sends, the virtual phone's P2K side (driver handle and file system) must
// neither crash nor break its own rules: the files on a volume never take more than its
// capacity. The input is a run of requests: a byte choosing raw driver request or framed
// command, then the request's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "platform/virtual/P2KPersonality.h"
#include "platform/virtual/VirtualDriverHandle.h"

namespace {

using namespace vestrel;

class Input {
 public:
  explicit Input(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool empty() const { return at_ >= bytes_.size(); }
  std::uint8_t byte() { return at_ < bytes_.size() ? bytes_[at_++] : 0; }
  std::uint16_t word() { return static_cast<std::uint16_t>(byte() | byte() << 8); }
  std::span<const std::uint8_t> take(std::size_t n) {
    n = std::min(n, bytes_.size() - std::min(at_, bytes_.size()));
    const auto part = bytes_.subspan(at_, n);
    at_ += n;
    return part;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

constexpr std::uint32_t kWaitMs = 1000;
constexpr std::size_t kMostOutput = 4101;

void Request(platform::DriverHandle& handle, std::uint32_t code,
             std::span<const std::uint8_t> input, std::size_t outputSize) {
  std::vector<std::uint8_t> output(std::min(outputSize, kMostOutput));
  const auto outcome = handle.ioControl(code, input, output, kWaitMs);
  if (outcome.bytesReturned > output.size()) std::abort();
}

// A command as the phone link frames it on the control pipe, then its reply fetched.
void FramedCommand(platform::DriverHandle& handle, Input& in, std::uint16_t sequence) {
  const std::uint16_t command = in.word();
  const auto payload = in.take(in.word() % 4200);
  std::vector<std::uint8_t> request{0x41, 0x02, 0, 0, 8, 0, 0, 0};
  const std::size_t stage = payload.size() + 8;
  request[6] = static_cast<std::uint8_t>(stage);
  request[7] = static_cast<std::uint8_t>(stage >> 8);
  for (std::uint16_t word : {sequence, command, std::uint16_t(payload.size()), std::uint16_t(0)}) {
    request.push_back(static_cast<std::uint8_t>(word >> 8));
    request.push_back(static_cast<std::uint8_t>(word));
  }
  request.insert(request.end(), payload.begin(), payload.end());
  Request(handle, platform::IOCTL_P2K_CONTROL, request, 5);
  const std::vector<std::uint8_t> poll{0xC1, 0x00, 0, 0, 8, 0, 8, 0, 0};
  Request(handle, platform::IOCTL_P2K_CONTROL, poll, 12);
  const std::vector<std::uint8_t> fetch{0xC1, 0x01, 1, 0, 8, 0, 0x00, 0x10, 0};
  Request(handle, platform::IOCTL_P2K_CONTROL, fetch, kMostOutput);
}

std::uint64_t UsedOn(const virtualphone::P2KPhoneState& state, const std::string& volume) {
  std::uint64_t used = 0;
  for (const auto& [name, file] : state.files) {
    if (name.compare(0, volume.size() + 1, volume + "/") == 0) used += file.contents.size();
  }
  return used;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  virtualphone::VirtualClock clock;
  auto phone = std::make_shared<virtualphone::VirtualPhone>(virtualphone::VirtualPhone::Identity{});
  // Built once: making the sample's files costs far more than a run.
  static const virtualphone::P2KPhoneState sample = virtualphone::SamplePhoneState();
  auto personality = std::make_shared<virtualphone::P2KPersonality>(sample);
  virtualphone::P2KPersonality::Install(*phone, personality);
  virtualphone::VirtualDriverHandle handle(phone, clock);

  Input in({data, size});
  std::uint16_t sequence = 1;
  for (int requests = 0; !in.empty() && requests < 64; ++requests) {
    const std::uint8_t choice = in.byte();
    switch (choice % 4) {
      case 0:
        Request(handle, platform::IOCTL_P2K_CONTROL, in.take(in.word() % 4200), in.word());
        break;
      case 1:
        Request(handle, platform::IOCTL_P2K_WRITE, in.take(in.word() % 4200), 5);
        break;
      case 2:
        Request(handle, platform::IOCTL_P2K_READ, in.take(5), in.word());
        break;
      default:
        FramedCommand(handle, in, sequence++);
    }
  }

  for (const auto& volume : personality->State().volumes) {
    if (UsedOn(personality->State(), volume.name) > volume.capacity) std::abort();
  }
  return 0;
}
