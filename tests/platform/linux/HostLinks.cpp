#include "tests/platform/HostLinks.h"

#include <unistd.h>

#include <cerrno>

namespace vestrel::testing {

namespace {

std::error_code Result(int status) {
  return status == 0 ? std::error_code() : std::error_code(errno, std::generic_category());
}

}  // namespace

std::error_code MakeHostLink(const std::filesystem::path& target,
                             const std::filesystem::path& link) {
  return Result(::symlink(target.c_str(), link.c_str()));
}

bool NoLinksHere(const std::error_code&) { return false; }

std::error_code RemoveHostLink(const std::filesystem::path& link) {
  return Result(::unlink(link.c_str()));
}

}  // namespace vestrel::testing
