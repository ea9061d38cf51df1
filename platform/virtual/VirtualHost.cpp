#include "platform/virtual/VirtualHost.h"

#include <fstream>

#include "platform/virtual/FolderLock.h"
#include "platform/virtual/P2KPersonality.h"
#include "platform/virtual/VirtualBus.h"

namespace vestrel::virtualphone {

namespace {

namespace fs = std::filesystem;

constexpr const char* kModeFile = "mode";

const char* ModeWord(PhoneMode mode) {
  switch (mode) {
    case PhoneMode::P2K:
      return "p2k";
    case PhoneMode::Flash:
      return "flash";
    case PhoneMode::AT:
      return "at";
    case PhoneMode::Off:
      break;
  }
  return "off";
}

PhoneMode StartingMode(const fs::path& folder) {
  std::ifstream in(folder / kModeFile);
  std::string word;
  in >> word;
  if (word == "flash") return PhoneMode::Flash;
  if (word == "at") return PhoneMode::AT;
  return PhoneMode::P2K;
}

}  // namespace

platform::DeviceSide VirtualPhoneSide(const std::optional<fs::path>& folder) {
  auto clock = std::make_unique<VirtualClock>();
  auto bus = std::make_unique<VirtualBus>(*clock);
  const VirtualPhone::Identity identity{"Port_#0001.Hub_#0001", "VP0001", 8};
  PhoneMode mode = PhoneMode::P2K;
  std::shared_ptr<FolderLock> lock;
  if (folder) {
    fs::create_directories(*folder);
    lock = FolderLock::Acquire(*folder);
    mode = StartingMode(*folder);
  }
  auto phone = bus->plug(identity, mode);
  P2KPersonality::Install(*phone,
                          folder ? P2KPersonality::FromFolder(*folder) : P2KPersonality::Sample());

  platform::DeviceSide side{std::move(clock), std::move(bus), "virtual phone", {}};
  if (folder) {
    // The folder stays locked for as long as the side lives.
    side.save = [phone, folder = *folder, lock] {
      std::ofstream(folder / kModeFile) << ModeWord(phone->mode()) << '\n';
    };
  }
  return side;
}

}  // namespace vestrel::virtualphone
