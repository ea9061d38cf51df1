// The file manager of a phone in P2K mode, on the same unit as the windows' file browser:
// volumes, listing, copies both ways, deleting, attributes and the ringtone database.
#include <cstdio>
#include <sstream>

#include "cli/Interrupt.h"
#include "cli/LocalName.h"
#include "cli/ProgressBar.h"
#include "cli/Require.h"
#include "p2kapi/PhoneInfo.h"
#include "phonefiles/PhoneFiles.h"
#include "phonelink/MotoSysUtils.h"
#include "phonelink/PhoneText.h"
#include "platform/HostFileSystem.h"

namespace vestrel::cli {

namespace {

namespace fs = std::filesystem;
using phonefiles::Failure;
using phonefiles::PhoneFiles;
using phonefiles::Result;

// A phone name given on the command line, as the phone spells it.
std::string PhoneName(const std::string& utf8) {
  auto name = Utf8ToPhoneText(utf8);
  if (!name) {
    throw UsageError("not a phone file name (not UTF-8 text the phone can hold): " +
                     PhoneTextForDisplay(utf8));
  }
  if (name->empty()) throw UsageError("an empty phone file name");
  return *name;
}

std::string Shown(std::string_view phoneText) { return PhoneTextForDisplay(phoneText); }

// A failed result as the tool's exit: no phone is exit 3, everything else exit 1, with the
// result's own cause (never an unrelated debug line).
void Require(const Result& result) {
  if (result.ok()) return;
  if (result.failure == Failure::NoPhone) throw NoPhone(result.message);
  throw OperationFailed(result.message);
}

PhoneFiles FilesOf(Session& session) { return PhoneFiles(RequireP2K(session)); }

ProgressCallback BarFor(ProgressBar& bar, const StopOnSignal& stop) {
  return [&bar, &stop](std::int64_t done, std::int64_t total) {
    bar.Show(done, total);
    return !stop.Requested();
  };
}

// A copy that a signal stopped ends with the status the shell expects for it.
int Finish(const Result& result, const StopOnSignal& stop) {
  if (result.failure == Failure::Stopped && stop.Requested()) {
    std::fprintf(stderr, "vestrel-cli: %s\n", result.message.c_str());
    return stop.ExitStatus();
  }
  Require(result);
  return kDone;
}

int Info(Session& session, const CommandWords&) {
  RequireP2K(session);  // opened, so the library finds it ready
  P2KApi library(session.P2K());
  const auto info = ReadPhoneInfo(library);
  Check(info.has_value(), "cannot read the phone information");
  std::printf("model: %s\nfirmware: %s\nflex: %s\n", Shown(info->model).c_str(),
              Shown(info->firmware).c_str(), Shown(info->flex).c_str());
  return kDone;
}

int Drives(Session& session, const CommandWords&) {
  auto files = FilesOf(session);
  std::vector<std::string> volumes;
  Require(files.Volumes(volumes));
  for (const auto& volume : volumes) std::printf("%s\n", Shown(volume).c_str());
  return kDone;
}

int List(Session& session, const CommandWords& words) {
  const std::optional<std::string> asked =
      words.operands().empty() ? std::nullopt : std::optional(PhoneName(words.operands()[0]));
  auto files = FilesOf(session);
  std::string path;
  if (asked) {
    path = *asked;
  } else {
    std::vector<std::string> volumes;
    Require(files.Volumes(volumes));
    Check(!volumes.empty(), "the phone named no volume");
    path = volumes.front();
  }
  std::vector<P2KFileRecord> records;
  Require(files.List(path, records));
  for (const auto& file : records) {
    std::printf("%u\t%s\t%s\n", file.Size, AttrToText(file.Attr).c_str(), Shown(file.Name).c_str());
  }
  std::fflush(stdout);
  std::fprintf(stderr, "files: %zu\n", records.size());
  const std::string volume = path.substr(0, path.find('/', 1));
  std::int64_t free = 0;
  if (volume.size() == 2 && files.FreeSpace(volume, free).ok()) {
    std::fprintf(stderr, "free: %lld bytes\n", static_cast<long long>(free));
  }
  return kDone;
}

// Where a pulled file goes: LOCAL as given (inside it when it is a folder), else the current
// folder; a phone name that would leave the chosen folder is refused.
fs::path PullTarget(const std::string& phoneName, const CommandWords& words) {
  const std::string base = PhoneTextToUtf8(ExtractPhoneFileName(phoneName));
  fs::path folder = fs::current_path();
  if (words.operands().size() > 1) {
    const fs::path local = platform::PathFromUtf8(words.operands()[1]);
    std::error_code error;
    if (!fs::is_directory(local, error)) return local;
    folder = local;
  }
  const auto target = LocalFileFor(folder, base);
  if (!target) {
    throw OperationFailed("refusing to write the phone name \"" +
                          Shown(ExtractPhoneFileName(phoneName)) + "\" locally");
  }
  return *target;
}

// One copy with its progress line, stopped by SIGINT or SIGTERM at the next block.
template <class Transfer>
int Copy(Session& session, const CommandWords& words, const std::string& label,
         Transfer transfer) {
  auto files = FilesOf(session);
  StopOnSignal stop;
  Result result;
  {
    ProgressBar bar(stderr, label, session.ShowsProgress());
    phonefiles::TransferOptions options;
    options.force = words.flag("--force");
    options.progress = BarFor(bar, stop);
    result = transfer(files, options);
  }
  if (result.failure == Failure::ReadOnly) result.message += " (--force replaces it)";
  return Finish(result, stop);
}

int Pull(Session& session, const CommandWords& words) {
  const std::string phoneName = PhoneName(words.operands()[0]);
  const fs::path target = PullTarget(phoneName, words);
  return Copy(session, words, PhoneTextForDisplay(phoneName),
              [&](auto& files, const auto& options) {
                return files.Download(phoneName, target, options);
              });
}

int Push(Session& session, const CommandWords& words) {
  const fs::path local = platform::PathFromUtf8(words.operands()[0]);
  const std::string phoneName =
      words.operands().size() > 1
          ? PhoneName(words.operands()[1])
          : PhoneName(std::string(phonefiles::kUploadFolder) +
                      platform::Utf8FromPath(local.filename()));
  return Copy(session, words, platform::Utf8FromPath(local.filename()),
              [&](auto& files, const auto& options) {
                return files.Upload(local, phoneName, options);
              });
}

int Remove(Session& session, const CommandWords& words) {
  std::vector<std::string> names;
  for (const auto& operand : words.operands()) names.push_back(PhoneName(operand));
  auto files = FilesOf(session);
  int failed = 0;
  for (const auto& name : names) {
    const Result removed = files.Remove(name);
    if (removed.ok()) continue;
    if (removed.failure == Failure::NoPhone) Require(removed);
    std::fprintf(stderr, "not deleted: %s: %s\n", Shown(name).c_str(), removed.message.c_str());
    ++failed;
  }
  Check(failed == 0,
        std::to_string(failed) + " of " + std::to_string(names.size()) + " file(s) not deleted");
  return kDone;
}

// "ReadOnly+Hidden", "System" or "none": the three attributes the file browser edits.
std::uint16_t AttributesOf(const std::string& text) {
  if (text == "none") return 0;
  std::uint16_t attributes = 0;
  std::stringstream words(text);
  for (std::string word; std::getline(words, word, '+');) {
    if (word == "ReadOnly") {
      attributes |= faReadOnly;
    } else if (word == "Hidden") {
      attributes |= faHidden;
    } else if (word == "System") {
      attributes |= faSystem;
    } else {
      throw UsageError("unknown attribute: " + word);
    }
  }
  return attributes;
}

int Attributes(Session& session, const CommandWords& words) {
  const std::string phoneName = PhoneName(words.operands()[0]);
  const std::uint16_t attributes = AttributesOf(words.operands()[1]);
  Require(FilesOf(session).SetAttributes(phoneName, attributes));
  return kDone;
}

// As the file browser does it: both files, without asking; one that is not there is no failure.
int ToneDatabaseReset(Session& session, const CommandWords&) {
  auto files = FilesOf(session);
  for (const auto file : phonefiles::kToneDatabase) {
    const Result removed = files.Remove(file);
    if (removed.failure == Failure::NotFound) {
      std::printf("not there: %.*s\n", static_cast<int>(file.size()), file.data());
      continue;
    }
    Require(removed);
    std::printf("deleted: %.*s\n", static_cast<int>(file.size()), file.data());
  }
  return kDone;
}

}  // namespace

std::vector<Command> PhoneCommands() {
  return {
      {"info", "info", "the phone's model, firmware and flex version", {}, {}, 0, 0, Info},
      {"drives", "drives", "the phone's volume names", {}, {}, 0, 0, Drives},
      {"ls",
       "ls [PATH]",
       "the files of a volume (default the first), a folder or one file: SIZE, ATTRIBUTES, NAME",
       {},
       {},
       0,
       1,
       List},
      {"pull",
       "pull [--force] PHONE_PATH [LOCAL]",
       "copy a phone file to the computer (--force replaces a read-only file)",
       {},
       {"--force"},
       1,
       2,
       Pull},
      {"push",
       "push [--force] LOCAL [PHONE_PATH]",
       "copy a file to the phone (default /a/mobile/ and its name; --force replaces a ReadOnly "
       "file)",
       {},
       {"--force"},
       1,
       2,
       Push},
      {"rm", "rm PHONE_PATH...", "delete phone files", {}, {}, 1, 1000, Remove},
      {"attr",
       "attr PHONE_PATH ATTRS",
       "set a phone file's attributes: ReadOnly, Hidden, System joined by +, or none",
       {},
       {},
       2,
       2,
       Attributes},
      {"tonedb-reset",
       "tonedb-reset",
       "delete the two ringtone database files",
       {},
       {},
       0,
       0,
       ToneDatabaseReset},
  };
}

}  // namespace vestrel::cli
