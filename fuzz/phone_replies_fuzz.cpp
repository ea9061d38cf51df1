// Whatever a phone sends back, the phone link must neither crash nor read or write out of
// bounds. Every driver request is answered from the fuzz input: a byte choosing the outcome,
// a byte choosing the length, then the reply bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "phonelink/PhoneLink.h"
#include "platform/virtual/VirtualClock.h"
#include "tests/support/ScriptedBus.h"

namespace {

using namespace vestrel;

// Once the input is used up, every request times out, taking its full wait off the clock.
class FuzzedReplies {
 public:
  FuzzedReplies(std::span<const std::uint8_t> input, virtualphone::VirtualClock& clock)
      : input_(input), clock_(clock) {}

  platform::IoOutcome Answer(std::span<std::uint8_t> output, std::uint32_t waitMs) {
    if (at_ >= input_.size()) {
      clock_.advance(waitMs);
      return {false, platform::Wait::Timeout, false, 0, {}};
    }
    const std::uint8_t how = Next();
    const std::size_t wanted = static_cast<std::size_t>(Next()) * 17;
    std::size_t n = std::min({wanted, output.size(), input_.size() - at_});
    std::copy_n(input_.begin() + static_cast<std::ptrdiff_t>(at_), n, output.begin());
    at_ += n;
    const auto wait = how % 5 == 0   ? platform::Wait::Timeout
                      : how % 7 == 0 ? platform::Wait::Failed
                                     : platform::Wait::Signalled;
    return {(how & 0x10) == 0, wait, (how & 0x20) == 0, static_cast<std::uint32_t>(n), {}};
  }

 private:
  std::uint8_t Next() { return at_ < input_.size() ? input_[at_++] : 0; }

  std::span<const std::uint8_t> input_;
  virtualphone::VirtualClock& clock_;
  std::size_t at_ = 0;
};

void ExerciseP2K(testing::ScriptedBus& bus, platform::Clock& clock) {
  phonelink::TUSBDevice info;
  info.DevicePath = "fuzz&MI_08";
  phonelink::TMotoP2KModemItem item(phonelink::PhoneLinkContext{bus, clock}, info);
  item.OpenPhone();
  std::vector<std::uint8_t> reply(16);
  std::uint16_t length = 0;
  const std::uint8_t payload[] = {1, 2, 3};
  for (auto format : {phonelink::cfoP2K, phonelink::cfoP2K05}) {
    item.SetCMDFormatOptions(format);
    item.ExecuteCommand(0x0001, payload, reply, length);
    std::string drives;
    item.GetDrives(drives);
    item.GetFreeSpace('a');
    item.GetFileCount("/a/|*");
    std::vector<phonelink::P2KFileRecord> files;
    item.GetFileList(2, &files, nullptr);
    std::vector<std::uint8_t> block(100);
    item.FileRead(block);
    item.IsSuspend();
  }
}

void ExerciseFlash(testing::ScriptedBus& bus, platform::Clock& clock) {
  phonelink::TUSBDevice info;
  info.DevicePath = "fuzz-flash";
  phonelink::TMotoFlashModemItem item(phonelink::PhoneLinkContext{bus, clock}, info);
  item.OpenPhone();
  std::vector<std::uint8_t> memory(256);
  item.SendAddr(0x03FD0000);
  item.SendRead(0x10080000, memory);
  item.SendDump(0x10080000, memory);
  const std::uint8_t loader[] = {0xDE, 0xAD, 0xBE, 0xEF, 0x01};
  item.SendBin(loader);
  item.SendJump(0x03FD0010);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  virtualphone::VirtualClock clock;
  FuzzedReplies replies({data, size}, clock);
  testing::ScriptedBus bus;
  bus.driverScript = [&replies](std::uint32_t, std::span<const std::uint8_t>,
                                std::span<std::uint8_t> output,
                                std::uint32_t waitMs) { return replies.Answer(output, waitMs); };
  ExerciseP2K(bus, clock);
  ExerciseFlash(bus, clock);
  return 0;
}
