// The file manager of a phone in P2K mode, on the same unit as the windows' file browser:
// volumes, listing, copies both ways, deleting, attributes and the ringtone database.
#include <cstdio>
#include <sstream>

#include "cli/Interrupt.h"
#include "cli/PhoneReports.h"
#include "cli/ProgressBar.h"
#include "cli/Require.h"
#include "cli/StandardStreams.h"
#include "phonefiles/Browser.h"
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

std::string Shown(std::string_view phoneText) { return phonelink::PhoneTextForDisplay(phoneText); }

PhoneFiles FilesOf(Session& session) { return PhoneFiles(RequireP2K(session)); }

phonelink::ProgressCallback BarFor(ProgressBar& bar, const StopOnSignal& stop) {
  return [&bar, &stop](std::int64_t done, std::int64_t total) {
    bar.Show(done, total);
    return !stop.Requested();
  };
}

// A copy that a signal stopped ends with the status the shell expects for it, also when the
// phone failed meanwhile: a silent phone's wait is cut short by the signal.
int Finish(const Result& result, const StopOnSignal& stop) {
  if (!result.ok() && stop.Requested()) {
    std::fprintf(stderr, "vestrel-cli: %s%s\n",
                 result.failure == Failure::Stopped ? "" : "stopped; ", result.message.c_str());
    return stop.ExitStatus();
  }
  Require(result);
  return kDone;
}

int Info(Session& session, const CommandWords&) {
  const p2kapi::PhoneInfo info = ReadInfo(session);
  std::printf("model: %s\nfirmware: %s\nflex: %s\n", Shown(info.model).c_str(),
              Shown(info.firmware).c_str(), Shown(info.flex).c_str());
  return kDone;
}

int Drives(Session& session, const CommandWords&) {
  for (const auto& volume : ReadVolumes(session)) std::printf("%s\n", Shown(volume).c_str());
  return kDone;
}

int List(Session& session, const CommandWords& words) {
  const Listing listing = ReadListing(session, words);
  for (const auto& file : listing.files) {
    std::printf("%u\t%s\t%s\n", file.Size, phonelink::AttrToText(file.Attr).c_str(),
                Shown(file.Name).c_str());
  }
  std::fflush(stdout);
  std::fprintf(stderr, "files: %zu\n", listing.files.size());
  if (listing.freeBytes) {
    std::fprintf(stderr, "free: %lld bytes\n", static_cast<long long>(*listing.freeBytes));
  }
  return kDone;
}

// Where a pulled file goes: LOCAL as given (inside it when it is a folder), else the current
// folder; a phone name that would leave the chosen folder is refused.
fs::path PullTarget(const std::string& phoneName, const CommandWords& words) {
  fs::path folder = fs::current_path();
  if (words.operands().size() > 1) {
    const fs::path local = platform::PathFromUtf8(words.operands()[1]);
    std::error_code error;
    if (!fs::is_directory(local, error)) return local;
    folder = local;
  }
  const auto target = phonefiles::SavedFileFor(folder, phoneName);
  if (!target) {
    throw OperationFailed("refusing to write the phone name \"" +
                          Shown(phonelink::ExtractPhoneFileName(phoneName)) + "\" locally");
  }
  return *target;
}

// What the copy's host files leave to a forced end: scratch files are removed, the kept copy of
// a phone file being replaced stays and is named.
phonefiles::TransferOptions::HostFiles ForcedExitCare(StopOnSignal& stop) {
  return [&stop](const fs::path& file, phonefiles::HostFileState state, const std::string& where) {
    stop.ForgetOnForcedExit(file);
    switch (state) {
      case phonefiles::HostFileState::Scratch:
        stop.RemoveOnForcedExit(file);
        break;
      case phonefiles::HostFileState::KeptCopy:
        stop.SayOnForcedExit(where);
        break;
      case phonefiles::HostFileState::Gone:
        stop.SayOnForcedExit({});
        break;
    }
  };
}

// One copy with its progress line, stopped by SIGINT or SIGTERM at the next block.
template <class Transfer>
Result Copy(Session& session, PhoneFiles& files, const CommandWords& words,
            const std::string& label, StopOnSignal& stop, Transfer transfer) {
  Result result;
  {
    ProgressBar bar(stderr, label, session.ShowsProgress());
    phonefiles::TransferOptions options;
    options.force = words.flag("--force");
    options.progress = BarFor(bar, stop);
    options.hostFiles = ForcedExitCare(stop);
    result = transfer(files, options);
  }
  // From here the result names a kept copy.
  stop.SayOnForcedExit({});
  if (result.failure == Failure::ReadOnly) result.message += " (--force replaces it)";
  return result;
}

int StoppedBySignal(const StopOnSignal& stop) {
  std::fprintf(stderr, "vestrel-cli: stopped; nothing was left half-written\n");
  return stop.ExitStatus();
}

// "pull PHONE_PATH -": the whole file first, then its bytes on standard output, nothing else.
int PullToStandardOutput(Session& session, const CommandWords& words,
                         const std::string& phoneName) {
  auto files = FilesOf(session);
  StopOnSignal stop;
  ScratchFile scratch(stop);
  scratch.MakeReplaceable();
  const Result result = Copy(session, files, words, phonelink::PhoneTextForDisplay(phoneName), stop,
                             [&](auto& unit, const auto& options) {
                               return unit.Download(phoneName, scratch.Path(), options);
                             });
  if (const int status = Finish(result, stop); status != kDone) return status;
  if (scratch.SendToStandardOutput()) return kDone;
  if (scratch.Sent() == 0) {
    std::fprintf(stderr, "vestrel-cli: stopped; nothing was written to standard output\n");
  } else {
    // What went out cannot be taken back: the reader has the start of the file only.
    std::fprintf(stderr,
                 "vestrel-cli: stopped after %lld of %lld bytes of %s went to standard output; "
                 "what was written there is not the whole file\n",
                 static_cast<long long>(scratch.Sent()), static_cast<long long>(scratch.ToSend()),
                 Shown(phoneName).c_str());
  }
  return stop.ExitStatus();
}

int Pull(Session& session, const CommandWords& words) {
  const std::string phoneName = PhoneName(words.operands()[0]);
  if (words.operands().size() > 1 && words.operands()[1] == "-") {
    return PullToStandardOutput(session, words, phoneName);
  }
  const fs::path target = PullTarget(phoneName, words);
  auto files = FilesOf(session);
  StopOnSignal stop;
  const Result result = Copy(
      session, files, words, phonelink::PhoneTextForDisplay(phoneName), stop,
      [&](auto& unit, const auto& options) { return unit.Download(phoneName, target, options); });
  return Finish(result, stop);
}

// "push - PHONE_PATH": standard input to its end first, so the upload knows its size.
int PushFromStandardInput(Session& session, const CommandWords& words) {
  if (words.operands().size() < 2) throw UsageError("push - needs the PHONE_PATH to write");
  const std::string phoneName = PhoneName(words.operands()[1]);
  auto files = FilesOf(session);
  StopOnSignal stop;
  ScratchFile scratch(stop);
  if (!scratch.FillFromStandardInput()) return StoppedBySignal(stop);
  Check(scratch.Filled() > 0, "standard input was empty; the phone takes no empty file");
  const Result result =
      Copy(session, files, words, "standard input", stop, [&](auto& unit, const auto& options) {
        return unit.Upload(scratch.Path(), phoneName, options);
      });
  return Finish(result, stop);
}

int Push(Session& session, const CommandWords& words) {
  if (words.operands()[0] == "-") return PushFromStandardInput(session, words);
  const fs::path local = platform::PathFromUtf8(words.operands()[0]);
  const std::string localName = platform::Utf8FromPath(local.filename());
  const std::string phoneName = words.operands().size() > 1
                                    ? PhoneName(words.operands()[1])
                                    : PhoneName(std::string(phonefiles::kUploadFolder) + localName);
  auto files = FilesOf(session);
  StopOnSignal stop;
  const Result result =
      Copy(session, files, words, localName, stop,
           [&](auto& unit, const auto& options) { return unit.Upload(local, phoneName, options); });
  return Finish(result, stop);
}

int Remove(Session& session, const CommandWords& words) {
  std::vector<std::string> names;
  for (const auto& operand : words.operands()) names.push_back(PhoneName(operand));
  const auto failed =
      phonefiles::FailedOnly(phonefiles::Browser().Delete(RequireP2K(session), names));
  for (const auto& outcome : failed) {
    if (outcome.result.failure == Failure::NoPhone) Require(outcome.result);
    std::fprintf(stderr, "not deleted: %s: %s\n", Shown(outcome.phoneName).c_str(),
                 outcome.result.message.c_str());
  }
  Check(failed.empty(), std::to_string(failed.size()) + " of " + std::to_string(names.size()) +
                            " file(s) not deleted");
  return kDone;
}

// "ReadOnly+Hidden", "System" or "none": the three attributes the file browser edits.
std::uint16_t AttributesOf(const std::string& text) {
  if (text == "none") return 0;
  std::uint16_t attributes = 0;
  std::stringstream words(text);
  for (std::string word; std::getline(words, word, '+');) {
    if (word == "ReadOnly") {
      attributes |= phonelink::faReadOnly;
    } else if (word == "Hidden") {
      attributes |= phonelink::faHidden;
    } else if (word == "System") {
      attributes |= phonelink::faSystem;
    } else {
      throw UsageError("unknown attribute: " + word);
    }
  }
  return attributes;
}

int Attributes(Session& session, const CommandWords& words) {
  const std::string phoneName = PhoneName(words.operands()[0]);
  const std::uint16_t attributes = AttributesOf(words.operands()[1]);
  Require(phonefiles::Browser().SetAttributes(RequireP2K(session), phoneName, attributes));
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
       "pull [--force] PHONE_PATH [LOCAL|-]",
       "copy a phone file to the computer, or to standard output with - (--force replaces a "
       "read-only file)",
       {},
       {"--force"},
       1,
       2,
       Pull},
      {"push",
       "push [--force] LOCAL [PHONE_PATH] | push [--force] - PHONE_PATH",
       "copy a file, or standard input with -, to the phone (default /a/mobile/ and its name; "
       "--force replaces a ReadOnly file)",
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
