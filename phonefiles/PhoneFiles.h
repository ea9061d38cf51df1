#pragma once

// The file browser of a phone in P2K mode, without Qt: the one unit the main window's file list
// and vestrel-cli's file commands both stand on. It lists volumes and files as records, copies
// whole files between the phone and the computer, deletes files and sets their attributes, and
// keeps both sides whole while doing so:
//
// - A download lands in a temporary file made exclusively beside the destination and takes the
//   destination's name only once it is whole. A destination that is a FIFO or a device is written
//   directly; a symlink is written through (its target is replaced, the link stays); a read-only
//   destination is refused unless `force` is given. A failed or stopped download removes what it
//   made and leaves the destination as it was.
// - An upload checks the free space (counting the file it replaces) before it writes, stops at
//   the first block the phone does not take, counts a failed close as a failure, and confirms the
//   new file by its size. The content of the file it replaces is kept in a host file meanwhile and
//   written back when the upload fails; when even that fails (the phone left), the kept file stays
//   and the result names it with the attributes the phone file had. A ReadOnly phone file is
//   replaced only with `force`, and keeps its ReadOnly, Hidden and System attributes, also when
//   the upload fails after the phone opened the file (which clears them).
//
// Every operation blocks the calling thread until the phone has answered (each phone request
// waits at most its own time-out) and reports through its Result, never by throwing. Phone names
// are the phone's own 8-bit (Windows-1251) text; converting them for display is the caller's job
// (PhoneText.h). The unit holds its phone item by shared_ptr, so an item that a refresh drops from
// its list stays valid until the operation in progress returns. It is meant for one thread: the
// progress callbacks run on it, between blocks, and may let an event loop run.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "phonelink/MotoP2KMode.h"
#include "phonelink/P2KFileSystem.h"

namespace vestrel::phonefiles {

// The block sizes the file browser copies with.
inline constexpr std::size_t kDownloadBlock = 4000;
inline constexpr std::size_t kUploadBlock = 1000;

// Where an upload is proposed to go, and the two files of the ringtone database.
inline constexpr std::string_view kUploadFolder = "/a/mobile/";
inline constexpr std::array<std::string_view, 2> kToneDatabase{"/a/mobile/audio/MyToneDB.db",
                                                               "/a/mobile/audio/TempToneDB.db"};

// Why an operation failed. HostFile is the one the windows show in the application's error box;
// the others are the phone's side.
enum class Failure {
  None,
  NoPhone,       // the item is not open (the phone left or was never opened)
  BadName,       // not a phone name: empty, longer than 255 characters, or not under a volume
  NotFound,      // no such volume, folder or file on the phone
  ReadOnly,      // the phone file (upload, delete) or host file (download) is read-only
  NoSpace,       // the upload does not fit on its volume, counting the file it replaces
  Phone,         // a phone request failed or was refused; `message` says which
  HostFile,      // a host file could not be made, read, written or renamed
  Stopped,       // the progress callback asked to stop; nothing was left half-written
  NoHostName,    // the phone name cannot be a plain host file name in the chosen folder
  NotPhoneText,  // the name has characters the phone's encoding lacks
};

struct Result {
  Failure failure = Failure::None;
  // One English sentence with the real cause (the phone request that failed and the phone's own
  // line, or the host's error); empty on success.
  std::string message;
  std::filesystem::path hostPath;  // HostFile: the host file concerned
  std::error_code hostError;       // HostFile: the OS's reason
  // Upload only: the host file that still holds the replaced phone file's old content because it
  // could not be written back. Empty otherwise; the caller owns the file once it is named here.
  std::filesystem::path keptCopy;

  bool ok() const { return failure == Failure::None; }
};

// What a host file that a copy made holds for now, for a caller that must account for it should
// the process end at once (the command-line tool's second Ctrl-C).
enum class HostFileState {
  Scratch,   // nothing anyone needs: remove it if the copy is cut short
  KeptCopy,  // the only whole copy of the phone file being replaced: keep it and say where it is
  Gone,      // removed or put in its place: forget it
};

struct TransferOptions {
  // Download: replace a read-only host file. Upload: replace a ReadOnly phone file.
  bool force = false;
  // Called with (done, total) after every block; false stops the copy. Exceptions it throws are
  // swallowed. Download: total is the phone file's size from its listing; upload: the host
  // file's size.
  phonelink::ProgressCallback progress;
  // Upload: the folder where the replaced phone file's content is kept until the new one is
  // confirmed; empty means the system's temporary folder.
  std::filesystem::path keepFolder;
  // Called on the calling thread each time a host file of the copy is made, changes state or
  // goes: the download's temporary file, the upload's kept copy. For KeptCopy `where` is the
  // sentence naming the phone file, the kept file and the attributes it had; empty otherwise.
  using HostFiles = std::function<void(const std::filesystem::path& file, HostFileState state,
                                       const std::string& where)>;
  HostFiles hostFiles;
};

class PhoneFiles {
 public:
  // `phone` is the current P2K item; it must not be null. The unit sets the item's debug handler
  // only for the length of each of its calls (to learn the phone's own failure lines) and puts
  // the caller's handler back before it returns; that handler still receives every line.
  explicit PhoneFiles(std::shared_ptr<phonelink::TMotoP2KModemItem> phone);

  // The volume names ("/a", "/c") in the phone's order.
  Result Volumes(std::vector<std::string>& volumes);

  // Free bytes of a volume ("/a"). The phone's 32-bit count is read unsigned: free space is
  // never negative.
  Result FreeSpace(std::string_view volume, std::int64_t& bytes);

  // Every file under `path` (a volume "/a", a folder "/a/mobile" or "/a/mobile/", the same with
  // or without the trailing slash), in the phone's order; or the one file `path` names.
  // NotFound when the volume is unknown or nothing lies there. `progress`, when given, is called
  // with (records read, records the phone counted) after each record of a folder's listing.
  Result List(std::string_view path, std::vector<phonelink::P2KFileRecord>& files,
              const phonelink::ProgressCallback& progress = {});

  // The listing record of one phone file; NotFound when there is none.
  Result Find(std::string_view phoneName, phonelink::P2KFileRecord& record);

  // Copies a phone file to `hostPath` (see the top of this header for what happens to it).
  Result Download(std::string_view phoneName, const std::filesystem::path& hostPath,
                  const TransferOptions& options = {});

  // Copies the host file to the phone (see the top of this header). An empty host file is
  // refused (BadName), as the phone link refuses it.
  Result Upload(const std::filesystem::path& hostPath, std::string_view phoneName,
                const TransferOptions& options = {});

  // Deletes a phone file. NotFound when it is not there; ReadOnly when it is ReadOnly. A phone
  // that answers with an error but has deleted the file counts as done.
  Result Remove(std::string_view phoneName);

  // Gives the file exactly the ReadOnly, Hidden and System bits of `attributes` (other bits are
  // not sent, as the file browser sends none). NotFound when there is no such file (nothing is
  // created).
  Result SetAttributes(std::string_view phoneName, std::uint16_t attributes);

  // Deletes both files of the ringtone database; one that is not there is no failure.
  Result ResetToneDatabase();

 private:
  // Upload's steps (Upload.cpp).
  Result KeepOldContent(std::string_view phoneName, const phonelink::P2KFileRecord& old,
                        const TransferOptions& options, std::filesystem::path& kept);
  Result PutBack(std::string_view phoneName, const phonelink::P2KFileRecord* old,
                 const std::filesystem::path& kept, const TransferOptions& options, Result cause);
  // Removes the kept copy once the phone holds what it had, or the new file with its attributes.
  void RemoveKept(const std::filesystem::path& kept, const TransferOptions& options);

  std::shared_ptr<phonelink::TMotoP2KModemItem> phone_;
};

}  // namespace vestrel::phonefiles
