#pragma once

// Sets or clears one environment variable for a test's scope and puts the old value back after.

#include <cstdlib>
#include <optional>
#include <string>

namespace vestrel::testing {

class ScopedEnvironment {
 public:
  // `value` nullopt clears the variable.
  ScopedEnvironment(std::string name, const std::optional<std::string>& value)
      : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) previous_ = old;
    Put(value);
  }
  ~ScopedEnvironment() { Put(previous_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  void Put(const std::optional<std::string>& value) {
#ifdef _WIN32
    // An empty value removes the variable on Windows.
    _putenv_s(name_.c_str(), value ? value->c_str() : "");
#else
    if (value) {
      ::setenv(name_.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
#endif
  }

  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace vestrel::testing
