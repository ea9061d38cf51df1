// The usbfs ioctl logs of tests/platform/linux/recorded/, replayed: NAME-COMMAND.ioctl holds what a
// phone recorded as NAME.umockdev answered while `vestrel-cli COMMAND` ran, NAME-COMMAND.out what
// the command printed then. Run again over the real Linux backend with the log answering, the
// command must print the same, and every URB it submits must be one the log holds.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli/Commands.h"
#include "platform/Clock.h"
#include "platform/linux/LinuxBus.h"
#include "tests/platform/linux/IoctlLogReplay.h"
#include "tests/platform/linux/LinuxTestHost.h"

namespace vestrel::platform {
namespace {

namespace fs = std::filesystem;

const fs::path kRecorded =
    fs::path(VESTREL_SOURCE_DIR) / "tests" / "platform" / "linux" / "recorded";

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

struct Replayed {
  std::string printed;
  std::size_t unmatched = 0;
  std::vector<std::vector<std::uint8_t>> controlSetups;
};

// Runs `command` with the phone of `recording` answering from `log`.
Replayed Replay(const fs::path& recording, const fs::path& log, const std::string& command) {
  UMockdevTestbed* testbed = umockdev_testbed_new();
  GError* error = nullptr;
  EXPECT_TRUE(umockdev_testbed_add_from_file(testbed, recording.c_str(), &error))
      << (error ? error->message : "");
  testing::IoctlLogReplay replay(log);
  EXPECT_FALSE(replay.node().empty()) << "no @DEV line in " << log;
  replay.attach(testbed, replay.node());
  Replayed result;
  {
    platform::PhoneTable table;
    table.add(platform::BuiltinPhoneTableText(), "built-in");
    platform::OsError opened;
    auto bus = platform::LinuxBus::Open(std::move(table), opened);
    EXPECT_TRUE(bus) << opened.describe();
    platform::SteadyClock clock;
    testing::LinuxTestHost host(*bus, clock);
    cli::Session session(host, cli::GlobalOptions{});
    const cli::Command* found = cli::FindCommand(command);
    EXPECT_TRUE(found) << command;
    std::string failure;
    ::testing::internal::CaptureStdout();
    try {
      found->run(session, cli::CommandWords({}, found->valued, found->flags, found->minOperands,
                                            found->maxOperands));
    } catch (const std::exception& failed) {
      failure = failed.what();
    }
    std::fflush(stdout);
    result.printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(failure, "") << command << " failed";
  }
  result.unmatched = replay.unmatched();
  result.controlSetups = replay.controlSetups();
  g_object_unref(testbed);
  return result;
}

TEST(RecordedIoctls, EachCommandPrintsWhatItPrintedWhenRecorded) {
  std::size_t logs = 0;
  for (const auto& entry : fs::directory_iterator(kRecorded)) {
    const fs::path log = entry.path();
    if (log.extension() != ".ioctl") continue;
    ++logs;
    const std::string stem = log.stem().string();
    const auto dash = stem.rfind('-');
    ASSERT_NE(dash, std::string::npos) << log << " is not named NAME-COMMAND.ioctl";
    SCOPED_TRACE(log.filename().string());
    const Replayed replayed =
        Replay(kRecorded / (stem.substr(0, dash) + ".umockdev"), log, stem.substr(dash + 1));
    EXPECT_EQ(replayed.printed, FileText(kRecorded / (stem + ".out")));
    EXPECT_EQ(replayed.unmatched, 0u);
  }
  EXPECT_GT(logs, 0u);
}

// The C380 takes P2K commands on interface 8: the probe and every request after it carry
// wIndex 8, and none is left unanswered by the log.
TEST(RecordedIoctls, InfoOnTheC380SendsItsProbeToInterface8) {
  const Replayed replayed =
      Replay(kRecorded / "c380-p2k.umockdev", kRecorded / "c380-p2k-info.ioctl", "info");
  ASSERT_FALSE(replayed.controlSetups.empty());
  const std::vector<std::uint8_t> probe = replayed.controlSetups.front();
  EXPECT_EQ(probe[0], 0x41);  // vendor request to the interface
  EXPECT_EQ(probe[1], 0x02);
  for (const auto& setup : replayed.controlSetups) {
    EXPECT_EQ(setup[4] | setup[5] << 8, 8);
  }
  EXPECT_EQ(replayed.unmatched, 0u);
}

}  // namespace
}  // namespace vestrel::platform
