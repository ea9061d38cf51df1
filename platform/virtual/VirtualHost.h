#pragma once

#include <filesystem>
#include <optional>

#include "platform/HostParts.h"

namespace vestrel::virtualphone {

// The virtual phone as both front ends start it: one phone at "Port_#0001.Hub_#0001" on a bus
// and clock of its own, with the sample phone's P2K side; or, given a folder, the phone kept
// there between runs: its files, and its mode in the file "mode". A phone that was powered off
// comes back in P2K mode, as if its owner pressed the power key before the next run. The folder
// is locked while the side lives (FolderLock: another run waits up to 5 s, then fails). Throws
// std::runtime_error when the folder cannot be made, locked or read.
platform::DeviceSide VirtualPhoneSide(const std::optional<std::filesystem::path>& folder);

}  // namespace vestrel::virtualphone
