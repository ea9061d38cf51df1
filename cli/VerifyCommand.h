#pragma once

#include "cli/Commands.h"

namespace vestrel::cli {

// verify DIR [--phone]: the folder's files against its SHA256SUMS, one line per file that does
// not match and a count of those that do; with --phone, each element BACKUP.txt names is read
// again from the flash-mode phone and compared with the folder's copy, with progress. Exit 0
// only when everything matches; OperationFailed (exit 1) naming the counts otherwise.
int Verify(Session& session, const CommandWords& words);

}  // namespace vestrel::cli
