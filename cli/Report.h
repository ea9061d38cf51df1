#pragma once

#include <string>

#include "cli/Commands.h"

namespace vestrel::cli {

// `report FILE`: one text file with what a report about a phone needs: the program's version,
// the host's devices as the backend sees them (descriptors, drivers, node permissions, udev
// rules, ModemManager), the phones listed and the wire trace of one `info` attempt. Blocks for
// the attempt (up to the phone link's own waits when a phone does not answer). The attempt's
// failure is part of the report, not a failure of the command; only a file that cannot be
// written fails it (exit 1, with the system's reason).
Command ReportCommand();

// The report's text, as `report` writes it.
std::string ReportText(Session& session);

}  // namespace vestrel::cli
