#include "p2kapi/P2KApi.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vestrel::p2kapi {

std::shared_ptr<phonelink::TMotoP2KModemItem> P2KApi::ReadyPhone() const {
  auto item = phones_.DeviceList().Items(0);
  // Handle() rather than IsOpen(): asking must not make a closed item report anything.
  if (!item || item->Handle() == nullptr) return nullptr;
  return item;
}

std::int32_t P2KApi::P2K_GetStatus() {
  const auto item = phones_.DeviceList().Items(0);
  const std::int32_t status = !item ? kNoPhone : item->Handle() ? kReady : kNotOpen;
  const bool changed = lastStatus_ != -1 && status != lastStatus_;
  lastStatus_ = status;
  if (changed && onStatusChange_) onStatusChange_();
  return status;
}

std::int32_t P2KApi::Seem_Read(std::int32_t element, std::int32_t record, std::int32_t offset,
                               std::int32_t bytes, std::span<std::uint8_t> buffer) {
  if (bytes < 0 || bytes > 0xFFFF || static_cast<std::size_t>(bytes) > buffer.size()) return -1;
  // The item stays alive while we use it, even when a refresh drops it from the list.
  const auto item = ReadyPhone();
  if (!item) return -1;
  auto be = [](std::int32_t v) {
    return std::array<std::uint8_t, 2>{static_cast<std::uint8_t>(v >> 8),
                                       static_cast<std::uint8_t>(v)};
  };
  std::array<std::uint8_t, 8> payload{};
  const std::array<std::array<std::uint8_t, 2>, 4> fields{be(element), be(record), be(offset),
                                                          be(bytes)};
  for (std::size_t i = 0; i < fields.size(); ++i)
    std::copy_n(fields[i].begin(), 2, &payload[2 * i]);

  std::vector<std::uint8_t> reply(static_cast<std::size_t>(bytes));
  std::uint16_t length = 0;
  if (!item->ExecuteCommand(kReadElementCommand, payload, reply, length)) return -1;
  std::copy(reply.begin(), reply.end(), buffer.begin());
  return length;
}

std::int32_t P2KApi::P2K_Init(std::function<void()> onStatusChange) {
  onStatusChange_ = std::move(onStatusChange);
  lastStatus_ = -1;
  return P2K_GetStatus();
}

}  // namespace vestrel::p2kapi
