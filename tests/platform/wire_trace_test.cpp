#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/WireTrace.h"
#include "platform/virtual/VirtualBus.h"
#include "tests/support/PhoneRig.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

namespace vestrel::platform {
namespace {

using ::testing::ElementsAre;
using virtualphone::PhoneMode;

struct TracedRig {
  virtualphone::VirtualClock clock;
  virtualphone::VirtualBus bus{clock};
  vestrel::testing::MemoryTrace trace{bus};
};

TEST(WireTrace, HexIsUpperCaseWithoutSpaces) {
  const std::uint8_t bytes[] = {0x00, 0x0F, 0xA5, 0xFF};
  EXPECT_EQ(toHex(bytes), "000FA5FF");
  EXPECT_EQ(toHex({}), "");
}

TEST(WireTrace, DriverCallsOpenAndCloseGiveOneLineEach) {
  TracedRig rig;
  auto phone = rig.bus.plug({"here", "T1", 8}, PhoneMode::P2K);
  const std::string path = phone->devicePath();

  EXPECT_EQ(rig.trace.bus().openDriver("\\\\?\\nothing").handle, nullptr);
  auto handle = rig.trace.bus().openDriver(path).handle;
  ASSERT_NE(handle, nullptr);
  std::vector<std::uint8_t> output(16);
  const std::uint8_t poll[] = {0xC1, 0x00, 0x00, 0x00, 0x08, 0x00, 0x08, 0x00, 0x00};
  handle->ioControl(IOCTL_P2K_CONTROL, poll, output, 5000);
  const std::uint8_t read[] = {0x02, 0x00, 0x10, 0x00, 0x00};
  handle->ioControl(IOCTL_P2K_READ, read, output, 10000);
  EXPECT_FALSE(handle->close().failed());
  EXPECT_TRUE(handle->close().failed());

  // Every call that did not succeed names the OS's reason.
  EXPECT_THAT(rig.trace.Lines(),
              ElementsAre("OPEN \\\\?\\nothing -> failed ENOENT (No such file or directory)",
                          "OPEN " + path + " -> signalled",
                          "80002014 C10000000800080000 -> signalled 000000000000000000000000",
                          "8000201C 0200100000 -> timeout ETIMEDOUT (Connection timed out)",
                          "CLOSE " + path + " -> signalled",
                          "CLOSE " + path + " -> failed EBADF (Bad file descriptor)"));
}

TEST(WireTrace, SerialWritesAreTraced) {
  TracedRig rig;
  auto phone = rig.bus.plug({"here", "T2", 8}, PhoneMode::AT);
  auto port = rig.trace.bus().openSerial(phone->devicePath()).handle;
  ASSERT_NE(port, nullptr);
  const std::uint8_t line[] = {'A', 'T', '\r', '\n'};
  EXPECT_EQ(port->write(line).written, 4u);
  EXPECT_EQ(rig.trace.Lines().at(1), "SERIAL 41540D0A -> signalled");
  phone->setMode(PhoneMode::Off);
  EXPECT_FALSE(port->write(line).accepted);
  EXPECT_EQ(rig.trace.Lines().at(2), "SERIAL 41540D0A -> failed EIO (Input/output error)");
}

TEST(WireTrace, TheEnvironmentVariableSwitchesTracingOnToAFile) {
  virtualphone::VirtualClock clock;
  virtualphone::VirtualBus bus(clock);
  {
    vestrel::testing::ScopedEnvironment noTrace("VESTREL_TRACE", std::nullopt);
    EXPECT_EQ(traceFromEnvironment(bus), nullptr);
  }

  const vestrel::testing::TempFolder temp;
  const auto file = temp / "trace.log";
  std::filesystem::remove(file);
  {
    vestrel::testing::ScopedEnvironment trace("VESTREL_TRACE", file.string());
    auto traced = traceFromEnvironment(bus);
    ASSERT_NE(traced, nullptr);
    traced->openDriver("missing");
  }
  std::string line;
  {
    std::ifstream in(file);
    std::getline(in, line);
  }
  EXPECT_EQ(line, "OPEN missing -> failed ENOENT (No such file or directory)");
  EXPECT_TRUE(std::filesystem::remove(file)) << "the trace file is closed with its bus";
}

TEST(WireTrace, AnUnwritableTraceFileIsAClearError) {
  EXPECT_THROW(TraceSink::toFile("/nonexistent-folder/trace.log"), std::runtime_error);
}

}  // namespace
}  // namespace vestrel::platform
