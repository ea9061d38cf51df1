#pragma once

// The host's own files, as far as the phone file unit and the backups need them: a file made
// exclusively under a unique name, a device written directly, a file read to its end, and one
// file put in place of another in one step. Implemented once per build
// (linux/PosixHostFiles.cpp, win32/Win32HostFiles.cpp); paths are std::filesystem::path, so
// names reach Windows as UTF-16 and Linux as the bytes they are.
//
// Every call blocks only as long as the disk or device takes. Failures come back as a
// std::error_code: in the generic (errno) category wherever the host's reason has an errno
// meaning, so a message reads the same on every host; the system category otherwise.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace vestrel::platform {

// The program's texts are UTF-8; these make paths of them and text of paths on every host
// (a Windows path built from a plain std::string would be read in the ANSI code page).
std::filesystem::path PathFromUtf8(std::string_view text);
std::string Utf8FromPath(const std::filesystem::path& path);

// The file name a phone file's UTF-8 name becomes inside a folder the user chose, or nullopt
// when it could name anything but a plain file there, on Windows or on Linux: empty, "." or
// "..", nothing but dots and spaces (Windows drops trailing ones), a separator ('/' or '\'),
// ':' (a drive as in "D:evil", an alternate stream as in "c:d"), a control character, or a
// Windows device (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension). One rule on every
// host and for both front ends, so a phone's files save under the same names everywhere.
std::optional<std::filesystem::path> PlainHostFileName(std::string_view utf8);

// What a path names once its links are followed.
struct HostPathState {
  enum Kind { Missing, Regular, Folder, Device } kind = Missing;
  // Where the links lead; the path itself when it is no link.
  std::filesystem::path resolved;
  // Whether the user may replace it (a regular file only).
  bool writable = true;
  // The permission bits (Linux) or attributes (Windows) its replacement takes over.
  std::uint32_t keep = 0;
};

// Fills `state` for `path`; a missing name is no failure, but a link that leads nowhere is.
std::error_code InspectHostPath(const std::filesystem::path& path, HostPathState& state);

// Whether the name `path` itself is a link, not following it: a symbolic link on Linux; on
// Windows any reparse point (a symbolic link or a junction), which the C++ library there does
// not tell from what it leads to. `link` is false unless a link was seen. A missing name is
// ENOENT (a missing folder on the way too); any other failure is the host's reason.
std::error_code IsHostLink(const std::filesystem::path& path, bool& link);

// What a new file of ours is given before it takes a destination's place (Linux: 0666 less
// the umask; Windows: nothing beyond what it was made with).
std::uint32_t NewHostFileKeep();

// One open host file or device, closed when the object goes. Move-only.
class HostFileHandle {
 public:
  HostFileHandle() = default;
  ~HostFileHandle();
  HostFileHandle(HostFileHandle&& other) noexcept;
  HostFileHandle& operator=(HostFileHandle&& other) noexcept;
  HostFileHandle(const HostFileHandle&) = delete;
  HostFileHandle& operator=(const HostFileHandle&) = delete;

  // A new file in `folder` named `stem`, a unique part, then `suffix`, made exclusively (a link
  // planted at that name is never followed) and opened for writing; the stem is shortened to
  // fit the host's limit on a name. `made` gets its path.
  static HostFileHandle CreateUnique(const std::filesystem::path& folder,
                                     const std::filesystem::path& stem, std::string_view suffix,
                                     std::filesystem::path& made, std::error_code& error);
  // A device, FIFO or pipe opened for writing; one nobody reads fails instead of blocking.
  static HostFileHandle OpenDevice(const std::filesystem::path& path, std::error_code& error);
  // A regular file opened for reading, with its size; a folder is EISDIR, anything else that
  // is not a regular file EINVAL.
  static HostFileHandle OpenRegular(const std::filesystem::path& path, std::int64_t& size,
                                    std::error_code& error);
  // The file at `path` opened for reading and writing to be locked, made when missing (never
  // through a link planted at its name).
  static HostFileHandle OpenLockFile(const std::filesystem::path& path, std::error_code& error);

  // Takes the exclusive lock on the file without waiting: true when taken; false with no error
  // while another open file holds it (one of this process too); false with the reason
  // otherwise. The lock goes with the handle, or with the process however it ends.
  bool tryLock(std::error_code& error);

  bool isOpen() const { return native_ != kClosed; }
  // Writes every byte or says why not.
  std::error_code write(std::span<const std::uint8_t> bytes);
  // Reads up to `buffer.size()` bytes into `got`; 0 at the end of the file.
  std::error_code read(std::span<std::uint8_t> buffer, std::size_t& got);
  // Gives the file the permission bits or attributes `keep` (0 on Windows leaves them).
  std::error_code giveKeep(std::uint32_t keep);
  // Puts what was written on the disk (nothing to do for a device).
  std::error_code flush();
  // Closes; the handle is closed afterwards even when the host reported a failure.
  std::error_code close();

 private:
  static constexpr std::intptr_t kClosed = -1;
  explicit HostFileHandle(std::intptr_t native) : native_(native) {}

  std::intptr_t native_ = kClosed;  // a file descriptor or a Windows HANDLE
};

// The same on every host: only opening, closing and moving bytes differ.
inline HostFileHandle::~HostFileHandle() { close(); }

inline HostFileHandle::HostFileHandle(HostFileHandle&& other) noexcept
    : native_(std::exchange(other.native_, kClosed)) {}

inline HostFileHandle& HostFileHandle::operator=(HostFileHandle&& other) noexcept {
  if (this != &other) {
    close();
    native_ = std::exchange(other.native_, kClosed);
  }
  return *this;
}

// The host's local time of `when`, as the backup log stamps its lines.
std::tm HostLocalTime(std::time_t when);

// What the names of the host's program files end with: ".exe" on Windows, nothing elsewhere.
std::string_view HostExecutableSuffix();

// Puts the file `from` in place of `to` in one step, through to the disk; a read-only `to` is
// replaced as well (the caller has decided so). When it fails, both stay as they were.
std::error_code ReplaceHostFile(const std::filesystem::path& from, const std::filesystem::path& to);
// Removes a file of ours, also one given read-only attributes; failures are not reported.
void RemoveHostFile(const std::filesystem::path& path);
// Removes a file of ours by the host's own form of its name (path::native()), safe inside a
// stop-signal handler: it allocates nothing. Failures are not reported.
void RemoveHostFileNow(const std::filesystem::path::value_type* name);

}  // namespace vestrel::platform
