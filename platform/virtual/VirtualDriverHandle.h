#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

#include "platform/DriverHandle.h"
#include "platform/virtual/VirtualClock.h"
#include "platform/virtual/VirtualPhone.h"

namespace vestrel::virtualphone {

// The phone driver's side of a virtual phone in P2K mode: takes the three control codes with
// their exact layouts, hands commands to the phone and queues its replies until they are read,
// one per read. Waits that would time out advance the virtual clock by their full length instead.
class VirtualDriverHandle final : public platform::DriverHandle {
 public:
  VirtualDriverHandle(std::shared_ptr<VirtualPhone> phone, VirtualClock& clock);

  platform::IoOutcome ioControl(std::uint32_t code, std::span<const std::uint8_t> input,
                                std::span<std::uint8_t> output, std::uint32_t waitMs) override;
  void cancelIo() override {}
  platform::OsError close() override;

 private:
  struct Pending {
    std::uint16_t sequence;
    std::uint16_t command;
    P2KAnswer answer;
    ReplyFault fault;
  };

  bool deviceThere() const;
  platform::IoOutcome timedOut(std::uint32_t waitMs);
  platform::IoOutcome control(std::span<const std::uint8_t> input, std::span<std::uint8_t> output);
  platform::IoOutcome blockWrite(std::span<const std::uint8_t> input);
  platform::IoOutcome blockRead(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                                std::uint32_t waitMs);
  // Hands a received command to the phone; false when the phone vanished.
  bool deliver(std::uint16_t sequence, std::uint16_t command,
               std::span<const std::uint8_t> payload);
  // Takes the first queued reply away; a Duplicated one leaves its copy queued.
  Pending takeReply();
  static std::vector<std::uint8_t> controlStage(const Pending& reply);
  static std::vector<std::uint8_t> blockReply(const Pending& reply);
  static void applyFault(ReplyFault fault, std::vector<std::uint8_t>& reply);

  std::shared_ptr<VirtualPhone> phone_;
  VirtualClock& clock_;
  PhoneMode openedMode_;
  std::uint32_t openedAppearance_;
  bool closed_ = false;
  std::deque<Pending> queue_;
  std::optional<Pending> late_;  // a Late reply, queued when the next command comes
};

}  // namespace vestrel::virtualphone
