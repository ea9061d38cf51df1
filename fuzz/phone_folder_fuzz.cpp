// Whatever the files of a virtual phone folder hold, loading it must give a phone or a clear
// error (std::runtime_error, filesystem_error included), never a crash, and the same phone each
// time. The input is the settings file, the attribute file and a few phone files, each led by
// its length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/virtual/P2KPersonality.h"

namespace {

namespace fs = std::filesystem;
using vestrel::virtualphone::PhoneFolder;

class Input {
 public:
  explicit Input(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool empty() const { return at_ >= bytes_.size(); }
  std::size_t length(std::size_t most) {
    const std::size_t n = at_ + 1 < bytes_.size() ? (bytes_[at_] | bytes_[at_ + 1] << 8) : 0;
    at_ += 2;
    return n % (most + 1);
  }
  std::string_view take(std::size_t n) {
    const std::size_t from = std::min(at_, bytes_.size());
    n = std::min(n, bytes_.size() - from);
    at_ = from + n;
    return {reinterpret_cast<const char*>(bytes_.data()) + from, n};
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

// A name that clashes with one written before (a file where a folder should be) is skipped.
void Write(const fs::path& path, std::string_view bytes) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Only names that stay inside the folder: letters, digits, '.', '_' and '/' between parts,
// no ".." part.
bool StaysInside(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.find("..") != std::string_view::npos) {
    return false;
  }
  for (unsigned char c : name) {
    if (!std::isalnum(c) && c != '.' && c != '_' && c != '/') return false;
  }
  return true;
}

const fs::path& Scratch() {
  static const fs::path folder =
      fs::temp_directory_path() / ("vestrel-folder-fuzz-" + std::to_string(std::random_device{}()));
  return folder;
}

bool SameState(const vestrel::virtualphone::P2KPhoneState& a,
               const vestrel::virtualphone::P2KPhoneState& b) {
  if (a.volumes.size() != b.volumes.size()) return false;
  for (std::size_t i = 0; i < a.volumes.size(); ++i) {
    if (a.volumes[i].name != b.volumes[i].name || a.volumes[i].capacity != b.volumes[i].capacity) {
      return false;
    }
  }
  return a.files == b.files && a.elements == b.elements && a.asleep == b.asleep;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path& folder = Scratch();
  std::error_code error;
  fs::remove_all(folder, error);
  Input in({data, size});
  Write(folder / PhoneFolder::kSettingsFile, in.take(in.length(4096)));
  Write(folder / PhoneFolder::kWordsFile, in.take(in.length(4096)));
  for (int files = 0; !in.empty() && files < 8; ++files) {
    const std::string_view name = in.take(in.length(64));
    const std::string_view contents = in.take(in.length(256));
    if (StaysInside(name)) Write(folder / PhoneFolder::kFilesFolder / name, contents);
  }

  try {
    const auto first = PhoneFolder(folder).Load();
    const auto second = PhoneFolder(folder).Load();
    if (!SameState(first, second)) std::abort();
  } catch (const std::runtime_error&) {
    // A clear refusal is a right answer to a folder that makes no sense.
  }
  return 0;
}
