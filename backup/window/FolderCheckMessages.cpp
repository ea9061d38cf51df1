#include "backup/window/FolderCheckMessages.h"

namespace vestrel::backup {

std::vector<std::string> FolderCheckMessages(const FolderCheck& check, bool withExtra) {
  const std::string prefix = std::string("Проверка по ") + kManifestName;
  if (check.noManifest) return {prefix + ": нет файла " + kManifestName};
  if (!check.unreadable.empty()) return {prefix + " невозможна: " + check.unreadable};
  std::vector<std::string> lines;
  for (const auto& name : check.missing) lines.push_back(prefix + ": нет файла " + name);
  for (const auto& name : check.damaged) lines.push_back(prefix + ": файл " + name + " повреждён");
  if (withExtra) {
    for (const auto& name : check.extra) lines.push_back(prefix + ": лишний файл " + name);
  }
  if (lines.empty()) {
    lines.push_back(prefix + ": все файлы совпадают (" + std::to_string(check.matching.size()) +
                    ")");
  }
  return lines;
}

}  // namespace vestrel::backup
