// The file manager of a phone in P2K mode: volumes, listing, copies both ways, deleting,
// attributes and the ringtone database.
#include <cstdio>
#include <sstream>

#include "cli/LocalName.h"
#include "cli/ProgressBar.h"
#include "cli/Require.h"
#include "p2kapi/PhoneInfo.h"
#include "phonelink/MotoSysUtils.h"
#include "phonelink/PhoneText.h"

namespace vestrel::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kDownloadBlock = 4000;
constexpr std::size_t kUploadBlock = 1000;
constexpr const char* kUploadFolder = "/a/mobile/";
constexpr const char* kToneDatabase[] = {"/a/mobile/audio/MyToneDB.db",
                                         "/a/mobile/audio/TempToneDB.db"};

// A phone name given on the command line, as the phone spells it.
std::string PhoneName(const std::string& utf8) {
  auto name = Utf8ToPhoneText(utf8);
  if (!name || name->empty()) throw UsageError("not a phone file name: " + utf8);
  return *name;
}

std::vector<std::string> Volumes(TMotoP2KModemItem& phone) {
  std::string drives;
  Check(phone.GetDrives(drives), "cannot read the volumes");
  std::vector<std::string> volumes;
  std::stringstream lines(drives);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) volumes.push_back(line);
  }
  return volumes;
}

std::vector<P2KFileRecord> Listing(TMotoP2KModemItem& phone, const std::string& volume) {
  std::vector<P2KFileRecord> files;
  const std::int32_t count = phone.GetFileCount(volume + "/|*");
  if (count > 0) Check(phone.GetFileList(count, &files, nullptr), "cannot read the file list");
  return files;
}

ProgressCallback BarFor(ProgressBar& bar) {
  return [&bar](std::int64_t done, std::int64_t total) {
    bar.Show(done, total);
    return true;
  };
}

int Info(Session& session, const CommandWords&) {
  RequireP2K(session);  // opened, so the library finds it ready
  P2KApi library(session.P2K());
  const auto info = ReadPhoneInfo(library);
  Check(info.has_value(), "cannot read the phone information");
  std::printf("model: %s\nfirmware: %s\nflex: %s\n", PhoneTextToUtf8(info->model).c_str(),
              PhoneTextToUtf8(info->firmware).c_str(), PhoneTextToUtf8(info->flex).c_str());
  return kDone;
}

int Drives(Session& session, const CommandWords&) {
  auto phone = RequireP2K(session);
  for (const auto& volume : Volumes(*phone)) std::printf("%s\n", PhoneTextToUtf8(volume).c_str());
  return kDone;
}

int List(Session& session, const CommandWords& words) {
  const std::optional<std::string> asked =
      words.operands().empty() ? std::nullopt : std::optional(PhoneName(words.operands()[0]));
  auto phone = RequireP2K(session);
  std::string volume;
  if (asked) {
    volume = *asked;
  } else {
    const auto volumes = Volumes(*phone);
    Check(!volumes.empty(), "the phone named no volume");
    volume = volumes.front();
  }
  const auto files = Listing(*phone, volume);
  for (const auto& file : files) {
    std::printf("%u\t%s\t%s\n", file.Size, AttrToText(file.Attr).c_str(),
                PhoneTextToUtf8(file.Name).c_str());
  }
  std::fflush(stdout);
  std::fprintf(stderr, "files: %zu\n", files.size());
  if (volume.size() == 2) std::fprintf(stderr, "free: %d bytes\n", phone->GetFreeSpace(volume[1]));
  return kDone;
}

// Where a pulled file goes: LOCAL as given (inside it when it is a folder), else the current
// folder; a phone name that would leave the chosen folder is refused.
fs::path PullTarget(const std::string& phoneName, const CommandWords& words) {
  const std::string base = PhoneTextToUtf8(ExtractPhoneFileName(phoneName));
  fs::path folder = fs::current_path();
  if (words.operands().size() > 1) {
    const fs::path local = words.operands()[1];
    std::error_code error;
    if (!fs::is_directory(local, error)) return local;
    folder = local;
  }
  const auto target = LocalFileFor(folder, base);
  if (!target) throw OperationFailed("refusing to write the phone name \"" + base + "\" locally");
  return *target;
}

int Pull(Session& session, const CommandWords& words) {
  const std::string phoneName = PhoneName(words.operands()[0]);
  const fs::path target = PullTarget(phoneName, words);
  auto phone = RequireP2K(session);

  std::int64_t size = 0;
  const std::string volume = phoneName.substr(0, phoneName.find('/', 1));
  for (const auto& file : Listing(*phone, volume)) {
    if (file.Name == phoneName) size = file.Size;
  }
  // The copy lands under its own name only once it is whole.
  fs::path partial = target;
  partial += ".partial";
  bool copied = false;
  {
    ProgressBar bar(stderr, phoneName, session.ShowsProgress());
    try {
      copied = phone->FileDownload(phoneName, partial, kDownloadBlock, size, BarFor(bar));
    } catch (const fs::filesystem_error& e) {
      std::error_code ignored;
      fs::remove(partial, ignored);
      throw OperationFailed(std::string("cannot write ") + target.string() + ": " +
                            e.code().message());
    }
  }
  std::error_code error;
  if (!copied) {
    fs::remove(partial, error);
    throw OperationFailed("the phone did not hand over " + words.operands()[0]);
  }
  fs::rename(partial, target, error);
  if (error) throw OperationFailed("cannot write " + target.string() + ": " + error.message());
  return kDone;
}

int Push(Session& session, const CommandWords& words) {
  const fs::path local = words.operands()[0];
  const std::string phoneName =
      words.operands().size() > 1 ? PhoneName(words.operands()[1])
                                  : PhoneName(kUploadFolder + local.filename().string());
  std::error_code error;
  if (!fs::is_regular_file(local, error)) {
    throw OperationFailed("cannot read " + local.string() + ": not a readable file");
  }
  auto phone = RequireP2K(session);
  bool copied = false;
  {
    ProgressBar bar(stderr, local.filename().string(), session.ShowsProgress());
    try {
      copied = phone->FileUpload(local, phoneName, kUploadBlock, BarFor(bar));
    } catch (const fs::filesystem_error& e) {
      throw OperationFailed("cannot read " + local.string() + ": " + e.code().message());
    }
  }
  Check(copied, "the phone did not take " + local.string());
  return kDone;
}

int Remove(Session& session, const CommandWords& words) {
  std::vector<std::string> names;
  for (const auto& operand : words.operands()) names.push_back(PhoneName(operand));
  auto phone = RequireP2K(session);
  int failed = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (phone->FileDelete(names[i])) continue;
    std::fprintf(stderr, "not deleted: %s\n", words.operands()[i].c_str());
    ++failed;
  }
  Check(failed == 0, std::to_string(failed) + " file(s) not deleted");
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
  auto phone = RequireP2K(session);
  Check(phone->FileSetAttribute(phoneName, attributes), "the phone did not take the attributes");
  return kDone;
}

// As the file browser does it: both files, without asking; one that is not there is no failure.
int ToneDatabaseReset(Session& session, const CommandWords&) {
  auto phone = RequireP2K(session);
  for (const char* file : kToneDatabase) {
    std::printf("%s: %s\n", phone->FileDelete(file) ? "deleted" : "not deleted", file);
  }
  return kDone;
}

}  // namespace

std::vector<Command> PhoneCommands() {
  return {
      {"info", "info", "the phone's model, firmware and flex version", {}, {}, 0, 0, Info},
      {"drives", "drives", "the phone's volume names", {}, {}, 0, 0, Drives},
      {"ls", "ls [VOLUME]", "the files of a volume (default the first): SIZE, ATTRIBUTES, NAME",
       {}, {}, 0, 1, List},
      {"pull", "pull PHONE_PATH [LOCAL]", "copy a phone file to the computer", {}, {}, 1, 2,
       Pull},
      {"push", "push LOCAL [PHONE_PATH]",
       "copy a file to the phone (default /a/mobile/ and its name)", {}, {}, 1, 2, Push},
      {"rm", "rm PHONE_PATH...", "delete phone files", {}, {}, 1, 1000, Remove},
      {"attr", "attr PHONE_PATH ATTRS",
       "set a phone file's attributes: ReadOnly, Hidden, System joined by +, or none", {}, {}, 2,
       2, Attributes},
      {"tonedb-reset", "tonedb-reset", "delete the two ringtone database files", {}, {}, 0, 0,
       ToneDatabaseReset},
  };
}

}  // namespace vestrel::cli
