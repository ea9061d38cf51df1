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
  // How a line is stored in the file: the log keeps UTF-8, the file may want another code page.
  using Encode = std::function<std::string(const std::string& utf8)>;

  explicit BackupLog(Now now = LocalNow);

  // Adds the line for `message` and returns it.
  const std::string& Add(const std::string& message);
  const std::vector<std::string>& Lines() const { return lines_; }

  // Replaces `file` with every line, encoded by `encode` (UTF-8 as kept when empty) and ended by
  // CR LF; writes nothing while the log is empty. Throws std::runtime_error naming the file and
  // the system's reason when it cannot be written.
  void WriteTo(const std::filesystem::path& file, const Encode& encode = nullptr) const;

  static std::tm LocalNow();

 private:
  Now now_;
  std::vector<std::string> lines_;
};

// The flash log beside the program.
inline constexpr const char* kFlashLogName = "FlashLog.log";

}  // namespace vestrel::backup
