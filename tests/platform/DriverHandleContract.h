#pragma once

// The contract every DriverHandle backend keeps, as a parameterised GoogleTest suite. A backend
// joins it with a small adapter that opens a handle to a phone in P2K mode (USB interface 8)
// behaving as asked, and one line:
//   INSTANTIATE_TEST_SUITE_P(MyBackend, DriverHandleContract,
//                            ::testing::Values(&MakeMyBackendAdapter));

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/DriverHandle.h"

namespace vestrel::testing {

class DriverHandleAdapter {
 public:
  enum class Phone {
    Answers,  // takes P2K commands (probe 0FFF answered with 8 bytes) over both transports
    Silent,   // never answers: every request runs out its wait
    Stalls,   // every request ends at once on a stalled endpoint
    Leaves,   // unplugged after the open, before or while the request runs
  };
  virtual ~DriverHandleAdapter() = default;
  // A handle opened on a phone behaving as `phone`; the adapter keeps the phone alive.
  virtual std::unique_ptr<platform::DriverHandle> Open(Phone phone) = 0;
};

using DriverHandleAdapterFactory = std::unique_ptr<DriverHandleAdapter> (*)();

class DriverHandleContract : public ::testing::TestWithParam<DriverHandleAdapterFactory> {
 protected:
  void SetUp() override { adapter_ = GetParam()(); }
  std::unique_ptr<platform::DriverHandle> Open(DriverHandleAdapter::Phone phone) {
    return adapter_->Open(phone);
  }

 private:
  std::unique_ptr<DriverHandleAdapter> adapter_;
};

}  // namespace vestrel::testing
