#include "backup/BackupLog.h"

#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "platform/HostFileSystem.h"

namespace vestrel::backup {

BackupLog::BackupLog(Now now) : now_(std::move(now)) {}

const std::string& BackupLog::Add(const std::string& message) {
  const std::tm time = now_();
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d: ", time.tm_hour, time.tm_min, time.tm_sec);
  lines_.push_back(stamp + message);
  return lines_.back();
}

void BackupLog::WriteTo(const std::filesystem::path& file, const Encode& encode) const {
  if (lines_.empty()) return;
  errno = 0;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (const auto& line : lines_) out << (encode ? encode(line) : line) << "\r\n";
  out.close();
  if (!out) {
    const std::string reason =
        errno != 0 ? std::generic_category().message(errno) : std::string("write failed");
    throw std::runtime_error("cannot write " + platform::Utf8FromPath(file) + ": " + reason);
  }
}

std::tm BackupLog::LocalNow() { return platform::HostLocalTime(std::time(nullptr)); }

}  // namespace vestrel::backup
