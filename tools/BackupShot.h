#pragma once

#include "tools/Shot.h"

namespace vestrel::tools {

// The backup dialog on a virtual phone in flash mode: --model MODEL (a model text or index,
// C380 unless given) and --running (a full backup in progress, into a temporary folder).
std::unique_ptr<Scene> MakeBackupScene(const QStringList& options);

}  // namespace vestrel::tools
