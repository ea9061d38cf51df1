// devices, and the commands that restart a phone, power it off, put it to sleep or move it to
// another USB mode.
#include <cstdio>
#include <string>

#include "cli/ModeChangeWait.h"
#include "cli/PhoneReports.h"
#include "cli/Require.h"

namespace vestrel::cli {

namespace {

int Devices(Session& session, const CommandWords&) {
  for (const auto& phone : ListedPhones(session)) {
    std::printf("%s\t%s\t%s\t%s\n", phone.mode, phone.device.LocationInformation.c_str(),
                phone.usbInterface.c_str(), phone.device.DeviceDesc.c_str());
  }
  return kDone;
}

// A P2K command that makes the phone leave P2K mode or changes its state.
template <bool (phonelink::TMotoP2KModemItem::*Operation)()>
int P2KOperation(Session& session, const CommandWords&) {
  auto phone = RequireP2K(session);
  CheckReported(session, ((*phone).*Operation)(), "the phone refused the command");
  session.Pump();
  return kDone;
}

// How long a phone that changed mode may take to show up in its new one.
constexpr std::uint32_t kModeChangeMs = 20000;

// Done once the phone shows up in its new mode, so the next command finds it there; a phone
// that does not is no phone in that mode for what the caller runs next.
template <class Mode>
void AwaitMode(Session& session, Mode& mode, const std::set<std::uint32_t>& before,
               const char* word) {
  if (!AwaitNewPhone(session, mode, before, kModeChangeMs)) {
    throw NoPhone("no phone has shown up in " + std::string(word) + " mode within " +
                  std::to_string(kModeChangeMs / 1000) + " s");
  }
}

int FlashMode(Session& session, const CommandWords& words) {
  const auto before = ListedInstances(session.Flash());
  P2KOperation<&phonelink::TMotoP2KModemItem::SwitchToFlashMode>(session, words);
  AwaitMode(session, session.Flash(), before, "flash");
  return kDone;
}

int ATMode(Session& session, const CommandWords& words) {
  const auto before = ListedInstances(session.AT());
  P2KOperation<&phonelink::TMotoP2KModemItem::SwitchToATMode>(session, words);
  AwaitMode(session, session.AT(), before, "AT");
  return kDone;
}

int Suspend(Session& session, const CommandWords&) {
  auto phone = RequireP2K(session);
  const bool asleep = phone->IsSuspend();
  CheckReported(session, phone->Suspend(!asleep), "the phone refused the command");
  std::printf("%s\n", asleep ? "awake" : "asleep");
  return kDone;
}

int P2KMode(Session& session, const CommandWords&) {
  auto phone = RequireAT(session);
  const auto before = ListedInstances(session.P2K());
  phone->SwitchMode(0);
  // SwitchMode answers only through its one report.
  CheckReported(session, session.LastDebugLine() == "Phone Switch",
                "the phone did not take the command");
  AwaitMode(session, session.P2K(), before, "P2K");
  return kDone;
}

}  // namespace

std::vector<Command> ModeCommands() {
  return {
      {"devices",
       "devices",
       "one line per phone: MODE, LOCATION, INTERFACE, DESCRIPTION",
       {},
       {},
       0,
       0,
       Devices},
      {"reboot",
       "reboot",
       "restart the P2K phone",
       {},
       {},
       0,
       0,
       P2KOperation<&phonelink::TMotoP2KModemItem::Restart>},
      {"poweroff",
       "poweroff",
       "power the P2K phone off",
       {},
       {},
       0,
       0,
       P2KOperation<&phonelink::TMotoP2KModemItem::PowerOff>},
      {"suspend",
       "suspend",
       "put the P2K phone to sleep, or wake it; prints the new state",
       {},
       {},
       0,
       0,
       Suspend},
      {"flash-mode", "flash-mode", "switch the P2K phone to flash mode", {}, {}, 0, 0, FlashMode},
      {"test-mode",
       "test-mode",
       "switch the P2K phone to test mode",
       {},
       {},
       0,
       0,
       P2KOperation<&phonelink::TMotoP2KModemItem::SwitchToTestMode>},
      {"at-mode", "at-mode", "switch the P2K phone to AT (modem) mode", {}, {}, 0, 0, ATMode},
      {"p2k-mode",
       "p2k-mode",
       "send a phone in AT mode back to P2K mode (AT+Mode=8)",
       {},
       {},
       0,
       0,
       P2KMode},
  };
}

}  // namespace vestrel::cli
