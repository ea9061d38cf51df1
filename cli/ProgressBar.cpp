#include "cli/ProgressBar.h"

#include <algorithm>
#include <cmath>

namespace vestrel::cli {

namespace {

constexpr int kBarWidth = 20;
constexpr auto kRedraw = std::chrono::milliseconds(100);

std::string TimeText(double seconds) {
  const long total = std::lround(std::max(0.0, seconds));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

}  // namespace

std::string ByteText(double bytes) {
  const char* units[] = {"B", "KB", "MB", "GB"};
  int unit = 0;
  while (bytes >= 1024 && unit < 3) {
    bytes /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
  return text;
}

ProgressBar::ProgressBar(std::FILE* stream, std::string label, bool drawn, Now now)
    : stream_(stream), label_(std::move(label)), drawn_(drawn), now_(std::move(now)) {}

ProgressBar::~ProgressBar() {
  if (onScreen_) std::fputc('\n', stream_);
}

void ProgressBar::SetLabel(std::string label) {
  if (label == label_) return;
  label_ = std::move(label);
  startedSet_ = false;
}

void ProgressBar::Clear() {
  if (!onScreen_) return;
  std::fputs("\r\033[K", stream_);
  std::fflush(stream_);
  onScreen_ = false;
}

void ProgressBar::Show(std::int64_t done, std::int64_t total) {
  if (!drawn_ || total <= 0) return;
  const auto now = now_();
  if (!startedSet_) {
    started_ = now;
    startedSet_ = true;
  } else if (done < total && onScreen_ && now - lastDraw_ < kRedraw) {
    return;
  }
  Draw(std::clamp<std::int64_t>(done, 0, total), total, now);
}

void ProgressBar::Draw(std::int64_t done, std::int64_t total,
                       std::chrono::steady_clock::time_point now) {
  lastDraw_ = now;
  const double seconds = std::chrono::duration<double>(now - started_).count();
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  const std::string rateText = rate > 0 ? ByteText(rate) + "/s" : "-";
  const std::string left = rate > 0 ? TimeText(static_cast<double>(total - done) / rate) : "-:--";
  const int filled = static_cast<int>(done * kBarWidth / total);
  std::fprintf(stream_, "\r\033[K%s  %s / %s  %s  %s left [%.*s%*s] %3d%%", label_.c_str(),
               ByteText(static_cast<double>(done)).c_str(),
               ByteText(static_cast<double>(total)).c_str(), rateText.c_str(), left.c_str(), filled,
               "####################", kBarWidth - filled, "",
               static_cast<int>(done * 100 / total));
  std::fflush(stream_);
  onScreen_ = true;
}

}  // namespace vestrel::cli
