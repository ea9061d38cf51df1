#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace vestrel::cli {

// One line of progress on a terminal: what is being copied, bytes done of all, the rate and the
// time left, and a bar. It redraws at most ten times a second (and once at the end), and steps
// aside (Clear) before anything else is printed, so it never shares a line with other output.
// Silent when `drawn` is false (not a terminal, or -q).
class ProgressBar {
 public:
  using Now = std::function<std::chrono::steady_clock::time_point()>;

  ProgressBar(std::FILE* stream, std::string label, bool drawn,
              Now now = std::chrono::steady_clock::now);
  ~ProgressBar();

  void Show(std::int64_t done, std::int64_t total);
  // A new step starts: the rate and the time left are measured afresh.
  void SetLabel(std::string label);
  // Erases the bar's line; the next Show draws it again.
  void Clear();

 private:
  void Draw(std::int64_t done, std::int64_t total, std::chrono::steady_clock::time_point now);

  std::FILE* stream_;
  std::string label_;
  bool drawn_;
  Now now_;
  bool onScreen_ = false;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point lastDraw_;
  bool startedSet_ = false;
};

// "1.5 MB", "812 KB", "97 B" (units of 1024).
std::string ByteText(double bytes);

}  // namespace vestrel::cli
