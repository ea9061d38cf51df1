#pragma once

#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vestrel::backup {

// The backup dialog's log: one line per message, "HH:MM:SS: message" in local time. It is never
// cleared while the program runs, so it gathers the lines of every run.
class BackupLog {
 public:
  using Now = std::function<std::tm()>;

  explicit BackupLog(Now now = LocalNow);

  // Adds the line for `message` and returns it.
  const std::string& Add(const std::string& message);
  const std::vector<std::string>& Lines() const { return lines_; }

  // Replaces `file` with every line, each ended by CR LF; writes nothing while the log is empty.
  // Throws std::runtime_error when the file cannot be written.
  void WriteTo(const std::filesystem::path& file) const;

  static std::tm LocalNow();

 private:
  Now now_;
  std::vector<std::string> lines_;
};

// The flash log beside the program.
inline constexpr const char* kFlashLogName = "FlashLog.log";

}  // namespace vestrel::backup
