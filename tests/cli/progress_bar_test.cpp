#include "cli/ProgressBar.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace vestrel::cli {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

// A bar drawing into memory on a clock the test moves.
struct Rig {
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* stream = open_memstream(&text, &size);
  std::chrono::steady_clock::time_point now{};
  ~Rig() {
    std::fclose(stream);
    std::free(text);
  }
  std::string Output() {
    std::fflush(stream);
    return std::string(text, size);
  }
  ProgressBar Bar(const std::string& label) {
    return ProgressBar(stream, label, true, [this] { return now; });
  }
};

std::size_t Draws(const std::string& output) {
  return static_cast<std::size_t>(std::count(output.begin(), output.end(), '\r'));
}

TEST(ProgressBar, ALongCopyRedrawsAtMostTenTimesASecondAndEndsAtTheWhole) {
  Rig rig;
  {
    ProgressBar bar = rig.Bar("CG1_10000000.bin");
    // 16 MB in 4000-byte blocks, one a millisecond: 4,195 callbacks over 4.2 seconds.
    const std::int64_t total = 16 << 20;
    for (std::int64_t done = 0; done < total; done += 4000) {
      bar.Show(done, total);
      rig.now += 1ms;
    }
    bar.Show(total, total);
  }
  const std::string output = rig.Output();
  EXPECT_LE(Draws(output), 42 + 2u);  // ten a second, and the whole at the end
  EXPECT_GE(Draws(output), 40u);
  EXPECT_THAT(output, HasSubstr("CG1_10000000.bin  16.0 MB / 16.0 MB"));
  EXPECT_THAT(output, HasSubstr("100%"));
  EXPECT_EQ(output.back(), '\n');
}

TEST(ProgressBar, ShowsTheRateAndTheTimeLeft) {
  Rig rig;
  ProgressBar bar = rig.Bar("song.mp3");
  bar.Show(0, 4 << 20);
  rig.now += 2s;
  bar.Show(2 << 20, 4 << 20);  // 1 MB/s, 2 MB to go
  EXPECT_THAT(rig.Output(), HasSubstr("song.mp3  2.0 MB / 4.0 MB  1.0 MB/s  0:02 left"));
}

TEST(ProgressBar, StepsAsideBeforeOtherOutputAndDrawsNothingWhenSilent) {
  Rig rig;
  {
    ProgressBar bar = rig.Bar("x");
    bar.Show(1, 2);
    bar.Clear();
  }
  EXPECT_EQ(rig.Output().substr(rig.Output().size() - 4), "\r\033[K");  // no newline left over

  Rig silent;
  {
    ProgressBar bar(silent.stream, "x", false);
    bar.Show(1, 2);
  }
  EXPECT_EQ(silent.Output(), "");
}

}  // namespace
}  // namespace vestrel::cli
