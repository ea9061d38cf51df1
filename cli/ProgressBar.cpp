#include "cli/ProgressBar.h"

#include <algorithm>

#include "platform/Console.h"

namespace vestrel::cli {

namespace {
constexpr int kWidth = 30;
}

ProgressBar::ProgressBar(std::FILE* stream, std::string label)
    : stream_(stream), terminal_(platform::IsTerminal(stream)), label_(std::move(label)) {}

ProgressBar::~ProgressBar() {
  if (drawn_) std::fputc('\n', stream_);
}

void ProgressBar::Show(std::int64_t done, std::int64_t total) {
  if (!terminal_ || total <= 0) return;
  const int permille = static_cast<int>(std::clamp<std::int64_t>(done * 1000 / total, 0, 1000));
  // Redrawing only when the shown value changes keeps a fast copy from flooding the terminal.
  if (permille == lastPermille_) return;
  lastPermille_ = permille;
  const int filled = permille * kWidth / 1000;
  std::fprintf(stream_, "\r%s [%.*s%*s] %3d%%", label_.c_str(), filled,
               "##############################", kWidth - filled, "", permille / 10);
  std::fflush(stream_);
  drawn_ = true;
}

}  // namespace vestrel::cli
