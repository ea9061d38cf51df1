// Ctrl-C while a command waits on a phone that has stopped answering: the run ends within a
// second on the phone link's clock, and says it was stopped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <optional>

#include "cli/Commands.h"
#include "platform/virtual/P2KPersonality.h"
#include "platform/virtual/VirtualBus.h"
#include "platform/virtual/VirtualClock.h"
#include "tests/cli/test_host.h"
#include "tests/support/TempFolder.h"

namespace vestrel::cli {
namespace {

namespace fs = std::filesystem;
using virtualphone::ReplyFault;

constexpr std::uint16_t kFsac = 0x004A;
constexpr std::uint8_t kFsacRead = 0x01;

// The sample phone, which hangs at the second FSAC read of a run: it takes that read, raises
// SIGINT as a person pressing Ctrl-C would while the host waits for the answer, and answers
// nothing from then on.
struct HangingPhone {
  virtualphone::VirtualClock clock;
  virtualphone::VirtualBus bus{clock};
  std::shared_ptr<virtualphone::VirtualPhone> phone = bus.plug({}, virtualphone::PhoneMode::P2K);
  // The phone link's waits run on the host's clock.
  TestHost host{bus, "virtual phone"};
  std::optional<std::uint32_t> interruptedAt;

  HangingPhone() {
    virtualphone::P2KPersonality::Install(*phone, virtualphone::P2KPersonality::Sample());
    phone->setCommandListener(
        [this, reads = 0](std::uint16_t command, std::span<const std::uint8_t> payload) mutable {
          if (command != kFsac || payload.size() < 4 || payload[3] != kFsacRead) return;
          if (++reads == 1) phone->faultAt(0, ReplyFault::Silent, true);
          if (reads == 2) {
            interruptedAt = host.clock().tickCount();
            std::raise(SIGINT);
          }
        });
  }
};

int RunWords(Session& session, const std::string& name, const std::vector<std::string>& arguments) {
  const Command& command = *FindCommand(name);
  const CommandWords words(arguments, command.valued, command.flags, command.minOperands,
                           command.maxOperands);
  return RunCommand(command, session, words);
}

TEST(CtrlC, APullWaitingOnASilentPhoneEndsWithinASecondAndLeavesNothing) {
  testing::TempFolder folder;
  HangingPhone hanging;
  Session session(hanging.host, GlobalOptions{});
  ::testing::internal::CaptureStderr();
  const int status =
      RunWords(session, "pull", {"/a/mobile/picture/Photo001.jpg", (folder / "p.jpg").string()});
  const std::string err = ::testing::internal::GetCapturedStderr();
  ASSERT_TRUE(hanging.interruptedAt) << "the phone never hung";
  // Every time-out of the hung phone is 40 s or more; what is left after Ctrl-C is shared.
  EXPECT_LE(hanging.host.clock().tickCount() - *hanging.interruptedAt, 1000u);
  EXPECT_EQ(status, 128 + SIGINT);
  EXPECT_THAT(err, ::testing::HasSubstr("stopped"));
  EXPECT_TRUE(fs::is_empty(folder.path())) << err;
}

}  // namespace
}  // namespace vestrel::cli
