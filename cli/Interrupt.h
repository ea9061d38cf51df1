#pragma once

namespace vestrel::cli {

// Turns SIGINT and SIGTERM into a request to stop, for as long as the object lives: a copy in
// progress stops at its next block and removes what it made instead of dying half-way. A second
// signal while the first is still pending ends the tool at once, as the user insists.
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

 private:
  using Handler = void (*)(int);
  Handler previousInt_ = nullptr;
  Handler previousTerm_ = nullptr;
};

}  // namespace vestrel::cli
