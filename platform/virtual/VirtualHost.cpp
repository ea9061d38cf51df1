#include "platform/virtual/VirtualHost.h"

#include <fstream>

#include "platform/virtual/FolderLock.h"
#include "platform/virtual/P2KPersonality.h"
#include "platform/virtual/TransferHold.h"
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

constexpr std::uint16_t kFsacCommand = 0x004A;

// A transfer hold the folder asks for listens to the phone's FSAC reads and writes and to its
// "READ" frames.
void InstallHold(VirtualPhone& phone, const fs::path& folder) {
  auto hold = TransferHold::FromFolder(folder);
  if (!hold) return;
  auto shared = std::make_shared<TransferHold>(std::move(*hold));
  phone.setCommandListener([shared](std::uint16_t command, std::span<const std::uint8_t> payload) {
    if (command != kFsacCommand || payload.size() < 4) return;
    if (payload[3] == 0x01) shared->taken(TransferHold::Request::P2KRead);
    if (payload[3] == 0x02) shared->taken(TransferHold::Request::P2KWrite);
  });
  phone.flash().setFrameListener([shared](const std::string& word) {
    if (word == "READ") shared->taken(TransferHold::Request::FlashRead);
  });
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
  if (folder) InstallHold(*phone, *folder);

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
