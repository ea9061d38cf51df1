// models, backup and backup-pds: the backup dialog's runs, driven from the command line.
#include <cstdio>
#include <sstream>

#include "backup/BackupRun.h"
#include "cli/ProgressBar.h"
#include "cli/Require.h"
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
  CommandLineUser(fs::path target, bool progress, bool quiet)
      : target_(std::move(target)), bar_(stderr, "", progress), quiet_(quiet) {}

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

 private:
  fs::path target_;
  ProgressBar bar_;
  bool quiet_;
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

// Runs `save` of a BackupRun towards `target`; the run's own log tells what happened.
template <class Save>
int RunBackup(Session& session, const CommandWords& words, const AppliedModel& model,
              const fs::path& target, Save save) {
  auto phone = RequireFlash(session);
  CommandLineUser user(target, session.ShowsProgress(), session.Quiet());
  BackupLog log;
  BackupRun run(user, log, session.Host().shell());
  const BackupRun::Outcome outcome = (run.*save)(phone, model, words.flag("--pack"));
  if (!outcome.loaderSent) throw OperationFailed("the loader did not reach the phone");
  if (outcome.saved != outcome.taken) {
    throw OperationFailed(std::to_string(outcome.taken - outcome.saved) + " of " +
                          std::to_string(outcome.taken) + " element(s) not saved");
  }
  return kDone;
}

int Backup(Session& session, const CommandWords& words) {
  const std::size_t row = ModelOf(words);
  AppliedModel model;
  model.Apply(row, LoaderHome(session, row));
  TickElements(model, row, words.value("--elements").value_or("all"));
  const fs::path folder = platform::PathFromUtf8(words.operands()[0]);
  std::error_code error;
  fs::create_directories(folder, error);
  if (!fs::is_directory(folder, error)) {
    throw OperationFailed("cannot make the folder " + platform::Utf8FromPath(folder));
  }
  return RunBackup(session, words, model, folder, &BackupRun::SaveFlash);
}

int BackupPds(Session& session, const CommandWords& words) {
  const std::size_t row = ModelOf(words);
  AppliedModel model;
  model.Apply(row, LoaderHome(session, row));
  return RunBackup(session, words, model, words.operands()[0], &BackupRun::SavePDS);
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
       "backup --model MODEL [--elements LIST|all] [--pack] DIR",
       "save the model's elements of the flash-mode phone into DIR",
       {"--model", "--elements"},
       {"--pack"},
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
  };
}

}  // namespace vestrel::cli
