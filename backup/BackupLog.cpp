#include "backup/BackupLog.h"

#include <fstream>
#include <stdexcept>

namespace vestrel::backup {

BackupLog::BackupLog(Now now) : now_(std::move(now)) {}

const std::string& BackupLog::Add(const std::string& message) {
  const std::tm time = now_();
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d: ", time.tm_hour, time.tm_min, time.tm_sec);
  lines_.push_back(stamp + message);
  return lines_.back();
}

void BackupLog::WriteTo(const std::filesystem::path& file) const {
  if (lines_.empty()) return;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (const auto& line : lines_) out << line << "\r\n";
  out.close();
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::tm BackupLog::LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return local;
}

}  // namespace vestrel::backup
