#pragma once

#include <optional>
#include <string>

#include "p2kapi/P2KApi.h"

namespace vestrel::p2kapi {

// The phone's model, firmware and flex version as the phone-information dialog shows them, in
// the phone's Windows-1251 text.
struct PhoneInfo {
  std::string model;
  std::string firmware;
  std::string flex;
};

// Reads the three stored data elements through the library: the model from bytes 0, 2, 4 and 6
// of element 0x117 (up to the first zero), firmware and flex from every non-zero byte of
// elements 0x2D2 and 0x2D3 read from offset 4. nullopt when no phone is ready or a read fails.
std::optional<PhoneInfo> ReadPhoneInfo(P2KApi& library);

}  // namespace vestrel::p2kapi
