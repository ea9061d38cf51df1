#pragma once

// The sample virtual phone with its P2K item open, the unit on it, and a fresh host folder.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "phonefiles/PhoneFiles.h"
#include "phonelink/PhoneLink.h"
#include "platform/virtual/P2KPersonality.h"
#include "tests/support/PhoneRig.h"
#include "tests/support/TempFolder.h"

namespace vestrel::phonefilestest {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

inline Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline Bytes Pattern(std::size_t size, std::uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + seed);
  return bytes;
}

class PhoneFilesTest : public ::testing::Test {
 public:
  std::vector<testing::DebugLine> lines;
  testing::TempFolder host;
  testing::PhoneRig rig;
  std::shared_ptr<virtualphone::VirtualPhone> phone = rig.plug("F1");
  std::shared_ptr<virtualphone::P2KPersonality> personality =
      virtualphone::P2KPersonality::Sample();
  std::unique_ptr<phonelink::TMotoP2KMode> mode;
  std::shared_ptr<phonelink::TMotoP2KModemItem> item;
  std::unique_ptr<phonefiles::PhoneFiles> files;

  void SetUp() override {
    virtualphone::P2KPersonality::Install(*phone, personality);
    mode = std::make_unique<phonelink::TMotoP2KMode>(rig.context);
    item = mode->DeviceList().Items(0);
    ASSERT_TRUE(item && item->OpenPhone());
    item->SetOnDebugEvent(testing::RecordInto<phonelink::TMotoP2KModemItem>(lines));
    files = std::make_unique<phonefiles::PhoneFiles>(item);
  }

  const Bytes* PhoneFile(const std::string& name) const {
    const auto it = personality->State().files.find(name);
    return it == personality->State().files.end() ? nullptr : &it->second.contents;
  }
  std::uint16_t PhoneAttributes(const std::string& name) const {
    return personality->State().files.at(name).attributes;
  }
};

}  // namespace vestrel::phonefilestest
