#pragma once

#include <string>
#include <vector>

#include "backup/Manifest.h"

namespace vestrel::backup {

// The backup dialog's log lines for the folder check it runs after a run: one line when every
// listed file matches, else one per file that does not. `withExtra` also names the files
// SHA256SUMS does not list (a folder of the full backup; the PDS file may share its folder
// with anything).
std::vector<std::string> FolderCheckMessages(const FolderCheck& check, bool withExtra);

}  // namespace vestrel::backup
