#pragma once

// Numbers on the wire: inside P2K requests and replies they travel high byte first; in USB
// setup packets and the driver's own headers low byte first. Every load and store of them in
// the phone link goes through here. (The virtual phone keeps its own copies on purpose: it is
// the independent side the tests check this code against.)

#include <cstdint>
#include <span>
#include <vector>

namespace vestrel::phonelink::bytes {

inline std::uint16_t LoadBe16(std::span<const std::uint8_t> at) {
  return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

inline std::uint32_t LoadBe32(std::span<const std::uint8_t> at) {
  return (static_cast<std::uint32_t>(at[0]) << 24) | (static_cast<std::uint32_t>(at[1]) << 16) |
         (static_cast<std::uint32_t>(at[2]) << 8) | at[3];
}

inline void StoreBe16(std::span<std::uint8_t> at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

inline void StoreLe16(std::span<std::uint8_t> at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void StoreLe32(std::span<std::uint8_t> at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void AppendBe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace vestrel::phonelink::bytes
