#include "platform/Host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/DeviceClasses.h"
#include "platform/NullBus.h"
#include "tests/support/TempFolder.h"

namespace vestrel::platform {
namespace {

namespace fs = std::filesystem;

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

TEST(NullBus, ListsNothingAndEveryOpenFailsWithItsReason) {
  NullBus bus;
  EXPECT_TRUE(bus.presentInterfaces(kPhoneDriverClass).value().empty());
  EXPECT_NE(bus.subscribe(kUsbDeviceClass, [] { FAIL(); }), nullptr);
  bus.deliverNotices();
  const auto driver = bus.openDriver("anything");
  EXPECT_EQ(driver.handle, nullptr);
  EXPECT_EQ(driver.error.name(), "ENODEV");
  EXPECT_EQ(bus.openSerial("anything").error.name(), "ENODEV");
}

TEST(VirtualPhoneHost, AKeptPhoneComesBackInTheModeItWasLeftIn) {
  const testing::TempFolder temp;
  const fs::path folder = temp / "phone";
  {
    auto host = OpenHost({true, folder, std::nullopt});
    EXPECT_FALSE(host->noDeviceBackend());
    const auto p2k = host->bus().presentInterfaces(kPhoneDriverClass).value();
    ASSERT_EQ(p2k.size(), 1u);
    host->save();
  }
  EXPECT_EQ(FirstLine(folder / "mode"), "p2k");
  std::ofstream(folder / "mode") << "flash\n";
  {
    auto again = OpenHost({true, folder, std::nullopt});
    EXPECT_EQ(again->bus().presentInterfaces(kUsbDeviceClass).value().size(), 0u);
    const auto flash = again->bus().presentInterfaces(kPhoneDriverClass).value();
    ASSERT_EQ(flash.size(), 1u);
    EXPECT_NE(flash[0].devicePath, "");
  }
  // Windows removes no folder whose lock file is still open: the run let go of it.
  std::error_code error;
  fs::remove_all(folder, error);
  EXPECT_FALSE(error) << error.message();
}

TEST(VirtualPhoneHost, TheTraceOptionTracesEveryOpenWithItsReason) {
  const testing::TempFolder temp;
  const fs::path trace = temp / "host.trace";
  auto host = OpenHost({true, std::nullopt, trace});
  EXPECT_EQ(host->bus().openDriver("no-such-device").handle, nullptr);
  EXPECT_EQ(FirstLine(trace), "OPEN no-such-device -> failed ENOENT (No such file or directory)");
  host.reset();
  EXPECT_TRUE(fs::remove(trace)) << "the trace file is closed with its host";
}

TEST(VirtualPhoneHost, AFolderThatCannotBeMadeIsAClearError) {
  const testing::TempFolder temp;
  const fs::path file = temp / "file";
  std::ofstream(file) << "not a folder";
  EXPECT_THROW(OpenHost({true, file / "phone", std::nullopt}), std::exception);
  fs::remove(file);
}

}  // namespace
}  // namespace vestrel::platform
