#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace vestrel::cli {

// Turns SIGINT and SIGTERM into a request to stop, for as long as the object lives: a copy in
// progress stops at its next block and removes what it made instead of dying half-way. A second
// signal while the first is still pending ends the tool at once, as the user insists: it
// removes the scratch files it was told of, writes its last line to standard error and exits
// with 128 + that signal's number. While it lives, the phone link's waits end soon after a
// signal (driver::SetStopCheck), so a silent phone does not keep the tool for the rest of a
// time-out. One at a time, made and used on the main thread.
class StopOnSignal {
 public:
  // The scratch files the forced end removes at most.
  static constexpr std::size_t kForcedExitFiles = 4;

  StopOnSignal();
  ~StopOnSignal();
  StopOnSignal(const StopOnSignal&) = delete;
  StopOnSignal& operator=(const StopOnSignal&) = delete;

  // True once a signal arrived.
  bool Requested() const;
  // The exit status a shell expects after that signal (128 + its number); 1 when none came.
  int ExitStatus() const;
  // A scratch file of ours that the forced end removes too; every other way out is its owner's
  // to clean up. False (and not remembered) when kForcedExitFiles are remembered already or
  // the path is longer than the room kept for it.
  bool RemoveOnForcedExit(const std::filesystem::path& path);
  // Forgets a file given to RemoveOnForcedExit; one it does not know is no error.
  void ForgetOnForcedExit(const std::filesystem::path& path);
  // What the forced end says after "vestrel-cli: ended at once; ", such as where the old
  // content of a phone file is kept; empty forgets it. Too long a text is cut.
  void SayOnForcedExit(const std::string& text);
};

}  // namespace vestrel::cli
