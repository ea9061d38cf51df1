#pragma once

// The phone-information library: our own P2K_GetStatus, Seem_Read and
// P2K_Init. It asks the first phone of a P2K watcher, through that phone's own item, so it shares
// the item's open handle and sequence numbers with every other user of the phone instead of
// opening the device a second time.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "phonelink/MotoP2KMode.h"

namespace vestrel::p2kapi {

class P2KApi {
 public:
  // Status values of P2K_GetStatus.
  static constexpr std::int32_t kNoPhone = 0;  // the watcher lists no P2K phone
  static constexpr std::int32_t kReady = 1;    // the first phone is present and open
  static constexpr std::int32_t kNotOpen = 2;  // the first phone is listed but not open

  // The stored-data read command: element, record, offset (1 is the first byte) and byte count,
  // 16 bits each, high byte first; the reply is the data.
  static constexpr std::uint16_t kReadElementCommand = 0x0020;

  // The watcher must outlive the library object.
  explicit P2KApi(phonelink::TMotoP2KMode& phones) : phones_(phones) {}

  // kReady when a phone can be asked. Looks at the watcher's list as it stands (the owner
  // refreshes it) and never opens or closes a phone itself.
  std::int32_t P2K_GetStatus();

  // Reads `bytes` bytes of a stored data element into the start of `buffer`. On success the
  // reply fills the buffer (zeros after a shorter reply) and the result is the number of bytes
  // the phone sent; on failure the result is -1 and the buffer is left as it was. A byte count
  // outside 0..buffer.size() or 0..65535 fails without asking the phone.
  std::int32_t Seem_Read(std::int32_t element, std::int32_t record, std::int32_t offset,
                         std::int32_t bytes, std::span<std::uint8_t> buffer);

  // Keeps `onStatusChange`, called from P2K_GetStatus whenever the status it finds differs from
  // the one it found before; returns the status now. The windows never call it.
  std::int32_t P2K_Init(std::function<void()> onStatusChange);

 private:
  std::shared_ptr<phonelink::TMotoP2KModemItem> ReadyPhone() const;

  phonelink::TMotoP2KMode& phones_;
  std::function<void()> onStatusChange_;
  std::int32_t lastStatus_ = -1;
};

}  // namespace vestrel::p2kapi
