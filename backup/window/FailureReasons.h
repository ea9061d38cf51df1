#pragma once

#include <string>

#include "backup/BackupFailure.h"

namespace vestrel::backup {

// Why the loader or an element failed, in the dialog's Russian, from the failure's kind and
// facts. The element's name is the caller's to put before it; the phone layer's English line
// stays for vestrel-cli, BACKUP.txt and the trace.
std::string RussianReason(const BackupFailure& failure);

}  // namespace vestrel::backup
