#pragma once

#include <filesystem>

namespace vestrel::cli {

// Turns SIGINT and SIGTERM into a request to stop, for as long as the object lives: a copy in
// progress stops at its next block and removes what it made instead of dying half-way. A second
// signal while the first is still pending ends the tool at once, as the user insists. While it
// lives, the phone link's waits end soon after a signal (driver::SetStopCheck), so a silent
// phone does not keep the tool for the rest of a time-out.
class StopOnSignal {
 public:
  StopOnSignal();
  ~StopOnSignal();
  StopOnSignal(const StopOnSignal&) = delete;
  StopOnSignal& operator=(const StopOnSignal&) = delete;

  // True once a signal arrived.
  bool Requested() const;
  // The exit status a shell expects after that signal (128 + its number); 1 when none came.
  int ExitStatus() const;
  // A scratch file of ours that the forced end (the second signal) removes too; every other
  // way out is its owner's to clean up. One file at a time; an empty path forgets it. A path
  // longer than the room kept for it is not remembered.
  void RemoveOnForcedExit(const std::filesystem::path& path);
};

}  // namespace vestrel::cli
