#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace vestrel::cli {

// A one-line progress bar on a terminal; silent when the stream is not one.
class ProgressBar {
 public:
  ProgressBar(std::FILE* stream, std::string label);
  ~ProgressBar();

  void Show(std::int64_t done, std::int64_t total);
  void SetLabel(std::string label) { label_ = std::move(label); }

 private:
  std::FILE* stream_;
  bool terminal_;
  bool drawn_ = false;
  int lastPermille_ = -1;
  std::string label_;
};

}  // namespace vestrel::cli
