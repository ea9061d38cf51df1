#include "platform/virtual/TransferHold.h"

#include <fstream>
#include <stdexcept>

namespace vestrel::virtualphone {

namespace fs = std::filesystem;

std::optional<TransferHold> TransferHold::FromFolder(const fs::path& folder) {
  const fs::path file = folder / "hold";
  std::ifstream in(file);
  if (!in) return std::nullopt;
  std::string word;
  long long number = 0;
  in >> word >> number;
  Request kind{};
  if (word == "p2k-read") {
    kind = Request::P2KRead;
  } else if (word == "p2k-write") {
    kind = Request::P2KWrite;
  } else if (word == "flash-read") {
    kind = Request::FlashRead;
  } else {
    throw std::runtime_error(file.string() + ": unknown request \"" + word + "\"");
  }
  if (!in || number < 1 || number > 0xFFFFFFFF) {
    throw std::runtime_error(file.string() + ": the request number must be 1 or more");
  }
  return TransferHold(folder, kind, static_cast<std::uint32_t>(number));
}

TransferHold::TransferHold(fs::path folder, Request kind, std::uint32_t number)
    : folder_(std::move(folder)), kind_(kind), number_(number) {}

void TransferHold::taken(Request kind) {
  if (kind != kind_ || seen_ > number_) return;
  if (++seen_ == number_) holdUntilReleased();
}

void TransferHold::holdUntilReleased() const {
  std::ofstream(folder_ / "held") << "held\n";
  // A signal that stops the run arrives while the phone waits here and may end the open of
  // the pipe early; the hold lasts until "release" opens.
  const fs::path release = folder_ / "release";
  for (;;) {
    std::ifstream in(release);
    if (in.is_open() || !fs::exists(release)) return;
  }
}

}  // namespace vestrel::virtualphone
