#pragma once

// The file browser's steps, without Qt, as the main window's file list and vestrel-cli's ls, rm
// and attr take them: a listing with the free space of its volume, the rows numbered in the
// phone's order and shown sorted by that number as text, the loops over a selection that give
// every file its own outcome, and the guard that keeps other file actions out while a copy runs.
//
// Every call blocks the calling thread until the phone has answered, as PhoneFiles does, and
// reports through Results, never by throwing. Phone names are the phone's own 8-bit text. The
// browser holds no phone: each call takes the current item by shared_ptr, which keeps an item
// a refresh drops valid until the call returns. One thread only; the progress callbacks run on
// it and may let an event loop run, which is why Copying() exists.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "phonefiles/PhoneFiles.h"

namespace vestrel::phonefiles {

// What the browser lists of a volume, a folder or one file.
struct BrowserListing {
  Result result;                                // why `files` is empty when it failed
  std::vector<phonelink::P2KFileRecord> files;  // in the phone's order
  std::optional<std::int64_t> freeBytes;        // of the path's volume, when the phone told it
};

// One line of the window's list: the file's number in the phone's order (from 1) and its record.
struct BrowserRow {
  int number = 0;
  phonelink::P2KFileRecord file;
};

// The rows of a listing in the order the list shows them: numbered 1, 2, ... in the phone's
// order, then sorted by the number compared as text (1, 10, 11, 2, ...).
std::vector<BrowserRow> RowsByNumberText(const std::vector<phonelink::P2KFileRecord>& files);

// What became of one file of a selection. `hostPath` is where a save wrote (or would have
// written) it; empty for deletes and when there is no host name for it.
struct FileOutcome {
  std::string phoneName;
  std::filesystem::path hostPath;
  Result result;
};

// Failed outcomes only, in the selection's order.
std::vector<FileOutcome> FailedOnly(std::vector<FileOutcome> outcomes);

// The host file a phone file is saved as inside `folder`: the part of its name after the last
// "/", as UTF-8, kept to platform::PlainHostFileName; nullopt when that part cannot name a plain
// file there.
std::optional<std::filesystem::path> SavedFileFor(const std::filesystem::path& folder,
                                                  std::string_view phoneName);

class Browser {
 public:
  using Phone = std::shared_ptr<phonelink::TMotoP2KModemItem>;

  // The volume names in the phone's order; empty when the phone named none.
  Result Volumes(const Phone& phone, std::vector<std::string>& volumes);

  // The files under `path` (PhoneFiles::List) and the free space of its volume. `progress` is
  // called with (files read, files the phone counted) after every record.
  BrowserListing Read(const Phone& phone, std::string_view path,
                      const phonelink::ProgressCallback& progress = {});

  // Deletes every named file; one outcome per name, in order.
  std::vector<FileOutcome> Delete(const Phone& phone, const std::vector<std::string>& names);

  // Saves every named file inside `folder` under SavedFileFor's name. A name with none gets a
  // NoHostName outcome and the others go on; a HostFile failure ends the loop (its outcome is
  // the last), since the next file would meet the same folder. Copying() is true meanwhile.
  std::vector<FileOutcome> Save(const Phone& phone, const std::vector<std::string>& names,
                                const std::filesystem::path& folder,
                                const TransferOptions& options);

  // Copies one host file to the phone under `utf8Name`, the name as the user typed it;
  // NotPhoneText when it has characters the phone's encoding lacks. Copying() is true meanwhile.
  FileOutcome Upload(const Phone& phone, const std::filesystem::path& hostFile,
                     std::string_view utf8Name, const TransferOptions& options);

  Result SetAttributes(const Phone& phone, std::string_view phoneName, std::uint16_t attributes);

  // True while Save or Upload runs: a caller whose event loop runs from the progress callback
  // refuses other file actions meanwhile, so neither the rows nor the item change under it.
  bool Copying() const { return copying_; }

 private:
  class CopyGuard;
  bool copying_ = false;
};

}  // namespace vestrel::phonefiles
