#include "p2kapi/PhoneInfo.h"

#include <array>

namespace vestrel::p2kapi {

namespace {

constexpr std::int32_t kBufferSize = 30;

// Every non-zero byte in order: zeros between texts join them.
std::string NonZeroBytes(const std::array<std::uint8_t, kBufferSize>& buffer) {
  std::string text;
  for (const std::uint8_t byte : buffer) {
    if (byte != 0) text += static_cast<char>(byte);
  }
  return text;
}

}  // namespace

std::optional<PhoneInfo> ReadPhoneInfo(P2KApi& library) {
  if (library.P2K_GetStatus() != P2KApi::kReady) return std::nullopt;
  std::array<std::uint8_t, kBufferSize> model{}, firmware{}, flex{};
  if (library.Seem_Read(0x117, 1, 1, kBufferSize, model) < 0 ||
      library.Seem_Read(0x2D2, 1, 4, kBufferSize, firmware) < 0 ||
      library.Seem_Read(0x2D3, 1, 4, kBufferSize, flex) < 0) {
    return std::nullopt;
  }
  PhoneInfo info;
  // The model name is 16-bit characters, low byte first; it ends at its first zero.
  for (const std::size_t at : {0, 2, 4, 6}) {
    if (model[at] == 0) break;
    info.model += static_cast<char>(model[at]);
  }
  info.firmware = NonZeroBytes(firmware);
  info.flex = NonZeroBytes(flex);
  return info;
}

}  // namespace vestrel::p2kapi
