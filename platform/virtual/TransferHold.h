#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace vestrel::virtualphone {

// A phone folder's file "hold" makes the phone stop at one request of a transfer until the run
// that drives it is told to go on, so a test can interrupt a copy at a moment it chooses. Its
// one line names the request and its number from 1: "p2k-read N" (the Nth FSAC read),
// "p2k-write N" (the Nth FSAC write) or "flash-read N" (the Nth "READ" frame).
//
// When that request comes, before the phone acts on it, the phone writes a line to the
// folder's "held" and then reads "release". A test makes both as named pipes, so opening each
// blocks until the test opens the other end: reading "held" waits for the hold, writing
// "release" ends it. The phone holds once per run. Called on the one thread of the run.
class TransferHold {
 public:
  enum class Request { P2KRead, P2KWrite, FlashRead };

  // The hold the folder asks for; nullopt without a "hold" file. Throws std::runtime_error
  // naming the file when its line makes no sense.
  static std::optional<TransferHold> FromFolder(const std::filesystem::path& folder);

  // Counts one request of `kind`; blocks while the phone holds at it.
  void taken(Request kind);

 private:
  TransferHold(std::filesystem::path folder, Request kind, std::uint32_t number);
  void holdUntilReleased() const;

  std::filesystem::path folder_;
  Request kind_;
  std::uint32_t number_;
  std::uint32_t seen_ = 0;
};

}  // namespace vestrel::virtualphone
