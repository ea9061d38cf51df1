// Runs a fuzz target without libFuzzer, so every test run (with the sanitizers of the test
// build) covers it: each input kept in the corpus folder, a mutated copy of each, then
// pseudo-random inputs.  Usage: NAME_replay CORPUS_FOLDER RANDOM_INPUTS
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void Run(const std::vector<std::uint8_t>& input) {
  LLVMFuzzerTestOneInput(input.data(), input.size());
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER RANDOM_INPUTS\n", argv[0]);
    return 2;
  }
  std::mt19937 random(20261208);
  int kept = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1], error)) {
    if (!entry.is_regular_file()) continue;
    std::vector<std::uint8_t> input = ReadFile(entry.path());
    Run(input);
    for (int flips = 0; flips < 4 && !input.empty(); ++flips) {
      input[random() % input.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
    }
    Run(input);
    ++kept;
  }
  if (error) {
    std::fprintf(stderr, "cannot read the corpus %s: %s\n", argv[1], error.message().c_str());
    return 1;
  }
  const int randomInputs = std::atoi(argv[2]);
  for (int i = 0; i < randomInputs; ++i) {
    std::vector<std::uint8_t> input(random() % (i % 2 ? 12000 : 200));
    for (auto& byte : input) byte = static_cast<std::uint8_t>(random());
    Run(input);
  }
  std::printf("%d kept inputs (and a mutated copy of each), %d random inputs: passed\n", kept,
              randomInputs);
  return 0;
}
