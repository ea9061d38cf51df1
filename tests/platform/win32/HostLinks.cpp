#include "tests/platform/HostLinks.h"

#include <windows.h>

namespace vestrel::testing {

namespace {

std::error_code Result(BOOL done) {
  return done ? std::error_code()
              : std::error_code(static_cast<int>(GetLastError()), std::system_category());
}

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// Unprivileged, as Windows 10 and 11 allow in developer mode. Wine 8's CreateSymbolicLinkW
// reports success and makes nothing: a name that is no link afterwards is ERROR_NOT_SUPPORTED.
std::error_code MakeHostLink(const std::filesystem::path& target,
                             const std::filesystem::path& link) {
  DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
  if (IsFolder(GetFileAttributesW(target.c_str()))) flags |= SYMBOLIC_LINK_FLAG_DIRECTORY;
  if (!CreateSymbolicLinkW(link.c_str(), target.c_str(), flags)) return Result(FALSE);
  const DWORD made = GetFileAttributesW(link.c_str());
  if (made != INVALID_FILE_ATTRIBUTES && (made & FILE_ATTRIBUTE_REPARSE_POINT)) return {};
  return {ERROR_NOT_SUPPORTED, std::system_category()};
}

bool NoLinksHere(const std::error_code& error) {
  return error == std::error_code(ERROR_NOT_SUPPORTED, std::system_category());
}

// A folder link goes as a folder does, a file link as a file, whatever they lead to.
std::error_code RemoveHostLink(const std::filesystem::path& link) {
  if (IsFolder(GetFileAttributesW(link.c_str()))) return Result(RemoveDirectoryW(link.c_str()));
  return Result(DeleteFileW(link.c_str()));
}

}  // namespace vestrel::testing
