// Phone control commands of TMotoP2KModemItem.
#include <array>
#include <optional>
#include <span>
#include <string>

#include "phonelink/DriverRequests.h"
#include "phonelink/MotoP2KMode.h"

namespace vestrel::phonelink {

namespace {

constexpr std::uint16_t kRestart = 0x0022;
constexpr std::uint16_t kSleepState = 0x0036;
constexpr std::uint16_t kPowerOff = 0x001E;
constexpr std::uint16_t kFlashMode = 0x000D;
constexpr std::uint16_t kTestMode = 0x0FFF;

// Sleep-state bytes of command 0x0036.
constexpr std::uint8_t kAskSleepState = 0x80;
constexpr std::uint8_t kGoToSleep = 0x00;
constexpr std::uint8_t kWakeUp = 0x01;
constexpr std::uint8_t kAsleep = 0x00;

struct Texts {
  const char* notOpen;
  const char* done;
  const char* failed;
};

constexpr Texts kRestartTexts{"Restart is Failed - Phone isn`t open", "Restart",
                              "Restart is Failed"};
constexpr Texts kIsSuspendTexts{"Is Suspend is Failed - Phone isn`t open", "Is Suspend",
                                "Is Suspend is Failed"};
constexpr Texts kSuspendTexts{"Suspend is Failed - Phone isn`t open", "Suspend",
                              "Suspend is Failed"};
constexpr Texts kPowerOffTexts{"Power off is Failed - Phone isn`t open", "Power off",
                               "Power off is Failes"};
constexpr Texts kFlashModeTexts{"Switch to Flash mode is Failed - Phone isn`t open",
                                "Switch to Flash mode", "Switch to Flash mode is Failed"};
constexpr Texts kTestModeTexts{"Switch to Test mode is Failed - Phone isn`t open",
                               "Switch to Test mode", "Switch to Test mode is Failed"};
constexpr Texts kATModeTexts{"Switch AT Mode is Failed - Phone isn`t open", "Switch to AT mode",
                             "Switch to AT mode is Failed"};

void Report(TMotoP2KModemItem& item, const Texts& texts, bool ok) {
  item.DoDebug(ok ? texts.done : texts.failed, ok ? dtInformation : dtError, false);
}

// Sends one command with a one-byte reply buffer. `replyByte` receives the reply's first byte,
// or stays empty when the reply carried none.
bool SendControl(TMotoP2KModemItem& item, std::uint16_t command,
                 std::span<const std::uint8_t> payload, const Texts& texts,
                 std::optional<std::uint8_t>* replyByte = nullptr) {
  if (!item.IsOpen()) {
    item.DoDebug(texts.notOpen, dtError, false);
    return false;
  }
  std::array<std::uint8_t, 1> reply{};
  std::uint16_t replyLength = 0;
  const bool ok = item.ExecuteCommand(command, payload, reply, replyLength);
  if (ok && replyByte != nullptr && replyLength >= 1) *replyByte = reply[0];
  Report(item, texts, ok);
  return ok;
}

}  // namespace

bool TMotoP2KModemItem::Restart() { return SendControl(*this, kRestart, {}, kRestartTexts); }

bool TMotoP2KModemItem::IsSuspend() {
  const std::array<std::uint8_t, 1> ask{kAskSleepState};
  std::optional<std::uint8_t> state;
  if (!SendControl(*this, kSleepState, ask, kIsSuspendTexts, &state)) return false;
  // A reply without its state byte says nothing about sleep: read it as awake.
  return state == kAsleep;
}

bool TMotoP2KModemItem::Suspend(bool sleep) {
  const std::array<std::uint8_t, 1> set{sleep ? kGoToSleep : kWakeUp};
  return SendControl(*this, kSleepState, set, kSuspendTexts);
}

bool TMotoP2KModemItem::PowerOff() { return SendControl(*this, kPowerOff, {}, kPowerOffTexts); }

bool TMotoP2KModemItem::SwitchToFlashMode() {
  return SendControl(*this, kFlashMode, {}, kFlashModeTexts);
}

bool TMotoP2KModemItem::SwitchToTestMode() {
  return SendControl(*this, kTestMode, {}, kTestModeTexts);
}

bool TMotoP2KModemItem::SwitchToATMode() {
  if (!IsOpen()) {
    DoDebug(kATModeTexts.notOpen, dtError, false);
    return false;
  }
  // Vendor request 0x01 to interface 1 with no data stage, then the driver's zero byte.
  std::array<std::uint8_t, driver::kSetupSize + 1> packet{};
  driver::PutSetupPacket(packet, {0x40, 0x01, 0, 1, 0});
  const bool ok = driver::ControlOut(*Handle(), packet);
  Report(*this, kATModeTexts, ok);
  return ok;
}

}  // namespace vestrel::phonelink
