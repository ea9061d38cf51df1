#pragma once

// The wait after a command that moves a phone to another USB mode: the phone leaves the bus and
// comes back as the device of its new mode, which the next command must find there.

#include <cstdint>
#include <set>

#include "cli/Session.h"

namespace vestrel::cli {

// The device instances `mode`'s list holds now; taken before the command, so a phone that was
// in the new mode already does not count as the one that moved.
template <class Mode>
std::set<std::uint32_t> ListedInstances(Mode& mode);

// Lets device-change notices in until `mode` lists a phone whose device instance is not in
// `before`, or `timeoutMs` has passed; true when one is listed. The list is looked at first, so
// a phone that moved while its command was answered ends the wait at once. In between it waits
// on the bus's NoticeWatch where the bus gives one (in real time, the OS's descriptor), else it
// looks again every 100 ms of the host's clock (the virtual phone's clock advances by the
// sleep). Blocks the caller; throws nothing of its own.
template <class Mode>
bool AwaitNewPhone(Session& session, Mode& mode, const std::set<std::uint32_t>& before,
                   std::uint32_t timeoutMs);

}  // namespace vestrel::cli
