// Runs the fuzz target without libFuzzer, on a fixed set of pseudo-random inputs, so every test
// run (with the sanitizers of the test build) covers the reply parsers.
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main() {
  std::mt19937 random(20261207);
  constexpr int kInputs = 3000;
  for (int i = 0; i < kInputs; ++i) {
    std::vector<std::uint8_t> input(random() % 12000);
    for (auto& byte : input) byte = static_cast<std::uint8_t>(random());
    // Many replies in a row that claim success, so parsing goes past the first request.
    for (std::size_t at = 0; at + 1 < input.size() && i % 2 == 0; at += 97) input[at] = 0x01;
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%d passed, 0 failed\n", kInputs);
  return 0;
}
