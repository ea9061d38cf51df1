// Ctrl-C while a command waits on a phone that has stopped answering: the run ends within a
// second on the phone link's clock, and says it was stopped.
#include "cli/Interrupt.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <optional>

#include "cli/Commands.h"
#include "platform/HostFileSystem.h"
#include "platform/virtual/P2KPersonality.h"
#include "platform/virtual/VirtualBus.h"
#include "platform/virtual/VirtualClock.h"
#include "tests/cli/test_host.h"
#include "tests/support/ScopedEnvironment.h"
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

// A second signal ends the run at once: the scratch files it was told of go by their names
// on disk, whatever the language of their folder, and the last line names the kept copy in
// UTF-8. Files it was told to forget, or never told of, stay.
TEST(CtrlCTwice, EndsAtOnceRemovingScratchFilesInACyrillicFolderAndNamingTheKeptOne) {
  // Windows runs the dying statement in a new run of the whole test: that run finds the
  // folder through the environment this one set.
  constexpr const char* kShared = "VESTREL_FORCED_EXIT_FOLDER";
  std::optional<testing::TempFolder> made;
  const char* given = std::getenv(kShared);
  const fs::path base = given ? fs::path(given) : made.emplace().path();
  const testing::ScopedEnvironment shared(kShared, base.string());
  const fs::path cyrillic = base / platform::PathFromUtf8("Папка");
  const fs::path scratch = cyrillic / platform::PathFromUtf8("черновик.tmp");
  const fs::path forgotten = cyrillic / platform::PathFromUtf8("забыт.tmp");
  const fs::path kept = cyrillic / platform::PathFromUtf8("старый.bin");
  for (const auto& file : {scratch, forgotten, kept}) testing::writeText(file, "x");
  const auto endTwice = [&] {
    StopOnSignal stop;
    stop.RemoveOnForcedExit(scratch);
    stop.RemoveOnForcedExit(forgotten);
    stop.ForgetOnForcedExit(forgotten);
    stop.SayOnForcedExit("the old content is kept in " + platform::Utf8FromPath(kept));
    std::raise(SIGINT);
    std::raise(SIGINT);
  };
  EXPECT_EXIT(endTwice(), ::testing::ExitedWithCode(128 + SIGINT),
              ::testing::HasSubstr("vestrel-cli: ended at once; the old content is kept in " +
                                   platform::Utf8FromPath(kept) + "\n"));
  EXPECT_FALSE(fs::exists(scratch));
  EXPECT_TRUE(fs::exists(forgotten));
  EXPECT_TRUE(fs::exists(kept));
}

}  // namespace
}  // namespace vestrel::cli
