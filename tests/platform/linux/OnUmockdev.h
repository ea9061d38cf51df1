#pragma once

// The fixture of the umockdev suites: a testbed of phones answered by the virtual phone, and
// the real Linux bus (built-in phone table) opened on it once a test first asks.
#include <gtest/gtest.h>

#include <memory>

#include "phonelink/PhoneLink.h"
#include "platform/Clock.h"
#include "platform/linux/LinuxBus.h"
#include "tests/platform/linux/UsbdevfsPhone.h"

namespace vestrel::testing {

class OnUmockdev : public ::testing::Test {
 protected:
  platform::LinuxBus& Bus() {
    if (!bus_) {
      platform::PhoneTable table;
      table.add(platform::BuiltinPhoneTableText(), "built-in");
      platform::OsError error;
      bus_ = platform::LinuxBus::Open(std::move(table), error);
      EXPECT_TRUE(bus_) << error.describe();
    }
    return *bus_;
  }
  phonelink::PhoneLinkContext Context() { return {Bus(), clock_}; }

  UsbdevfsPhones rig_;
  platform::SteadyClock clock_;
  std::unique_ptr<platform::LinuxBus> bus_;
};

}  // namespace vestrel::testing
