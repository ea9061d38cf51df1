// models, backup and backup-pds: the backup dialog's runs, driven from the command line.
#include <algorithm>
#include <cstdio>
#include <sstream>

#include "backup/BackupRun.h"
#include "backup/Manifest.h"
#include "cli/Interrupt.h"
#include "cli/ProgressBar.h"
#include "cli/Require.h"
#include "cli/VerifyCommand.h"
#include "phonefiles/HostFile.h"
#include "platform/HostFileSystem.h"
#include "platform/ProgramFiles.h"

namespace vestrel::cli {

namespace {

namespace fs = std::filesystem;
using namespace backup;

// Answers the run from the command line: the folder or file given, log lines on stdout, errors
// on stderr, progress as a bar on a terminal.
class CommandLineUser final : public BackupUser {
 public:
  CommandLineUser(fs::path target, bool progress, bool quiet, const StopOnSignal& stop)
      : target_(std::move(target)), bar_(stderr, "", progress), quiet_(quiet), stop_(stop) {}

  fs::path ChooseFolder(const std::string&) override { return target_; }
  fs::path ChooseSaveFile(const std::string&) override { return target_; }
  void ShowError(const std::string& text, const std::string& title) override {
    bar_.Clear();
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  }
  void AppendLog(const std::string& line) override {
    if (quiet_) return;
    bar_.Clear();
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  }
  void SetStatus(const std::string& text) override { status_ = text; }
  void Progress(std::int32_t done, std::int32_t total) override {
    bar_.SetLabel(status_.substr(0, status_.find(':')));
    bar_.Show(done, total);
  }
  void SetControlsLocked(bool) override {}
  void RequestClose() override {}
  bool StopRequested() override { return stop_.Requested(); }

 private:
  fs::path target_;
  ProgressBar bar_;
  bool quiet_;
  const StopOnSignal& stop_;
  std::string status_;
};

// The folder whose "Profiles" holds the model's loader: beside the program, else where an
// installed program keeps its data.
fs::path LoaderHome(Session& session, std::size_t row) {
  return platform::FindProgramFolder(session.Host().shell(),
                                     fs::path("Profiles") / ModelMemoryMap[row].loader);
}

std::size_t ModelOf(const CommandWords& words) {
  const auto model = words.value("--model");
  if (!model) throw UsageError("--model is required");
  const auto row = FindModel(*model);
  if (!row) throw UsageError("unknown model: " + *model);
  return *row;
}

std::string ElementsOf(const ModelRow& row) {
  std::string list;
  for (std::size_t s = 0; s < kSlotCount; ++s) {
    if (!row.slots[s].used()) continue;
    if (!list.empty()) list += ',';
    list += BackupSlots[s].codeGroup;
  }
  return list;
}

// Ticks exactly the listed elements ("all": every element of the model).
void TickElements(AppliedModel& model, std::size_t row, const std::string& list) {
  if (list == "all") return;
  if (list.empty()) throw UsageError("--elements is empty: name the elements, or all");
  for (auto& slot : model.slots) slot.ticked = false;
  std::stringstream words(list);
  for (std::string group; std::getline(words, group, ',');) {
    std::size_t s = 0;
    while (s < kSlotCount && BackupSlots[s].codeGroup != group) ++s;
    if (s == kSlotCount) throw UsageError("unknown element: " + group);
    if (!model.slots[s].visible) {
      throw UsageError("model " + std::string(ModelMemoryMap[row].model) + " has no element " +
                       group);
    }
    model.slots[s].ticked = true;
  }
}

int Models(Session&, const CommandWords&) {
  for (std::size_t i = 0; i < ModelMemoryMap.size(); ++i) {
    const ModelRow& row = ModelMemoryMap[i];
    std::printf("%zu\t%.*s\t%.*s\t%s\n", i, static_cast<int>(row.model.size()), row.model.data(),
                static_cast<int>(row.loader.size()), row.loader.data(), ElementsOf(row).c_str());
  }
  return kDone;
}

// The checks made before the phone is touched, so that a run that cannot succeed fails with
// its real cause instead of after the loader went.
void CheckLoader(const fs::path& loader) {
  phonefiles::HostError error;
  if (!phonefiles::HostSource::Open(loader, error)) {
    throw OperationFailed("no loader: " + error.Describe() +
                          " (loaders are looked for in the Profiles folder beside the program)");
  }
}

// The file can be written there: a temporary file is made beside it and dropped again. A
// read-only file of that name fails here as it would in the run.
void CheckWritable(const fs::path& file) {
  phonefiles::HostError error;
  auto target = phonefiles::HostTarget::Open(file, false, error);
  if (!target) throw OperationFailed("cannot save the backup: " + error.Describe());
  target->Discard();
}

void CheckArchiver(const BackupRun& run, bool pack) {
  std::error_code error;
  if (pack && !fs::is_regular_file(run.ArchiverFile(), error)) {
    throw OperationFailed("--pack: no archiver at " + platform::Utf8FromPath(run.ArchiverFile()));
  }
}

std::string Listed(const std::vector<fs::path>& files) {
  std::string list;
  for (const auto& file : files) list += (list.empty() ? "" : ", ") + platform::Utf8FromPath(file);
  return list;
}

// Runs `save` of a BackupRun towards `target`; the run's own log tells what happened.
template <class Save>
int RunBackup(Session& session, const CommandWords& words, const AppliedModel& model,
              const fs::path& target, const fs::path& loader, const std::vector<fs::path>& files,
              Save save) {
  const bool pack = words.flag("--pack");
  StopOnSignal stop;
  CommandLineUser user(target, session.ShowsProgress(), session.Quiet(), stop);
  BackupLog log;
  BackupRun run(user, log, session.Host().shell());
  CheckLoader(loader);
  CheckArchiver(run, pack);
  for (const auto& file : files) CheckWritable(file);
  auto phone = RequireFlash(session);
  const BackupRun::Outcome outcome = (run.*save)(phone, model, pack);
  if (outcome.stopped) {
    std::fprintf(stderr,
                 "vestrel-cli: the backup was stopped; the element being read was dropped\n");
    return stop.ExitStatus();
  }
  if (!outcome.loaderSent) {
    throw OperationFailed("the loader did not reach the phone: " + outcome.loaderFailure);
  }
  if (outcome.saved != outcome.taken) {
    std::string message = std::to_string(outcome.taken - outcome.saved) + " of " +
                          std::to_string(outcome.taken) + " element(s) not saved";
    if (!outcome.keptApart.empty())
      message += "; what was read is kept in " + Listed(outcome.keptApart);
    throw OperationFailed(message);
  }
  if (!outcome.packFailure.empty()) throw OperationFailed("--pack: " + outcome.packFailure);
  return kDone;
}

// --resume: unticks every taken element whose file the folder's SHA256SUMS lists and matches.
// A part of an element is never listed, so it is read again whole. False when none is left.
bool SkipWholeElements(AppliedModel& model, const fs::path& folder) {
  const FolderCheck check = CheckFolder(folder);
  bool anyLeft = false;
  for (const std::size_t index : kSaveOrder) {
    SlotState& slot = model.slots[index];
    if (!slot.taken()) continue;
    const std::string group(BackupSlots[index].codeGroup);
    const std::string name = group + "_" + slot.start + ".bin";
    if (std::find(check.matching.begin(), check.matching.end(), name) != check.matching.end()) {
      slot.ticked = false;
      std::printf("%s is whole in %s: skipped\n", group.c_str(), kManifestName);
    } else {
      anyLeft = true;
    }
  }
  return anyLeft;
}

int Backup(Session& session, const CommandWords& words) {
  const std::size_t row = ModelOf(words);
  AppliedModel model;
  model.Apply(row, LoaderHome(session, row));
  TickElements(model, row, words.value("--elements").value_or("all"));
  const fs::path folder = platform::PathFromUtf8(words.operands()[0]);
  std::error_code error;
  if (fs::exists(folder, error) && !fs::is_directory(folder, error)) {
    throw OperationFailed("cannot save the backup into " + platform::Utf8FromPath(folder) +
                          ": not a folder");
  }
  fs::create_directories(folder, error);
  if (!fs::is_directory(folder, error)) {
    throw OperationFailed("cannot make the folder " + platform::Utf8FromPath(folder) + ": " +
                          error.message());
  }
  if (words.flag("--resume") && !SkipWholeElements(model, folder)) {
    std::printf("nothing is missing in %s\n", platform::Utf8FromPath(folder).c_str());
    return kDone;
  }
  std::vector<fs::path> files;
  for (const std::size_t index : kSaveOrder) {
    const SlotState& slot = model.slots[index];
    if (slot.taken()) {
      files.push_back(folder /
                      (std::string(BackupSlots[index].codeGroup) + "_" + slot.start + ".bin"));
    }
  }
  return RunBackup(session, words, model, folder, model.LoaderFile, files, &BackupRun::SaveFlash);
}

int BackupPds(Session& session, const CommandWords& words) {
  const std::size_t row = ModelOf(words);
  AppliedModel model;
  model.Apply(row, LoaderHome(session, row));
  const fs::path file = words.operands()[0];
  // The PDS run has a loader of its own.
  const fs::path loader =
      platform::FindProgramFile(session.Host().shell(), fs::path("Profiles") / "pds.ldr");
  return RunBackup(session, words, model, file, loader, {BackupRun::PdsFileName(file)},
                   &BackupRun::SavePDS);
}

}  // namespace

std::vector<Command> BackupCommands() {
  return {
      {"models",
       "models",
       "the supported models: INDEX, MODEL, LOADER, ELEMENTS",
       {},
       {},
       0,
       0,
       Models},
      {"backup",
       "backup --model MODEL [--elements LIST|all] [--pack] [--resume] DIR",
       "save the model's elements of the flash-mode phone into DIR",
       {"--model", "--elements"},
       {"--pack", "--resume"},
       1,
       1,
       Backup},
      {"backup-pds",
       "backup-pds --model MODEL [--pack] FILE",
       "save the PDS area of the flash-mode phone into FILE",
       {"--model"},
       {"--pack"},
       1,
       1,
       BackupPds},
      {"verify",
       "verify [--phone] DIR",
       "check the files of a backup folder against its SHA256SUMS, and with --phone against "
       "the flash-mode phone",
       {},
       {"--phone"},
       1,
       1,
       Verify},
  };
}

}  // namespace vestrel::cli
