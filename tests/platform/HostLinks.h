#pragma once

#include <filesystem>
#include <system_error>

namespace vestrel::testing {

// Links made the host's own way, for tests of what must not follow one: the Windows build's
// C++ library makes none (tests/platform/linux/HostLinks.cpp, tests/platform/win32/HostLinks.cpp).
// Both block only as long as the disk takes and give the host's reason on failure.

// Makes `link` a symbolic link to `target`; on Windows a folder link when `target` is a folder.
// A host that makes no link from a program (Wine) gives ERROR_NOT_SUPPORTED, which
// NoLinksHere tells apart.
std::error_code MakeHostLink(const std::filesystem::path& target,
                             const std::filesystem::path& link);
bool NoLinksHere(const std::error_code& error);
// Removes the link itself, never what it leads to (which may be gone).
std::error_code RemoveHostLink(const std::filesystem::path& link);

}  // namespace vestrel::testing
