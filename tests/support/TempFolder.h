#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace vestrel::testing {

// A fresh folder under the test temporary directory, removed with everything in it.
class TempFolder {
 public:
  // Made under a name nobody has (create_directory is false for one that exists), the same
  // way on every host.
  TempFolder() {
    std::random_device random;
    const std::filesystem::path base(::testing::TempDir());
    for (int attempt = 0; attempt < 100; ++attempt) {
      const auto candidate = base / ("vestrel-" + std::to_string(random() % 1000000000u));
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec)) {
        path_ = candidate;
        return;
      }
    }
    ADD_FAILURE() << "cannot create a folder in " << base;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline std::string readText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void writeText(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

}  // namespace vestrel::testing
