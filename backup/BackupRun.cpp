#include "backup/BackupRun.h"

#include <charconv>
#include <system_error>

#include "backup/ElementFile.h"
#include "backup/Manifest.h"
#include "backup/PhoneCheck.h"
#include "platform/HostFileSystem.h"
#include "platform/ProgramFiles.h"

namespace vestrel::backup {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSavedStatus = "Операция успешно выполнена";
constexpr BackupRun::LoaderTexts kFlashLoaderTexts{
    "Операция успешно выполнена!", "Загрузчик успешно записан!", "Загрузчик не найден!"};
constexpr BackupRun::LoaderTexts kPdsLoaderTexts{
    "Операция успешно выполнена", "Загрузчик успешно записан", "Загрузчик не найден"};

std::string Kilobytes(std::int32_t bytes, int decimals) {
  char text[32];
  const auto [end, ec] =
      std::to_chars(text, text + sizeof text, bytes / 1024.0, std::chars_format::fixed, decimals);
  std::string result(text, ec == std::errc() ? end : text);
  if (decimals == 0 && result.size() < 2) result.insert(0, 2 - result.size(), ' ');
  return result;
}

// A run in progress; a second one started from a progress callback finds it set.
struct RunningFlag {
  bool& flag;
  explicit RunningFlag(bool& f) : flag(f) { flag = true; }
  ~RunningFlag() { flag = false; }
};

}  // namespace

std::string ProgressText(const std::string& label, std::int32_t done, std::int32_t total,
                         int decimals) {
  return label + ": " + Kilobytes(done, decimals) + "/" + Kilobytes(total, decimals) + " Кб";
}

BackupRun::BackupRun(BackupUser& user, BackupLog& log, platform::Shell& shell)
    : user_(user), log_(log), shell_(shell) {}

void BackupRun::Log(const std::string& message) { user_.AppendLog(log_.Add(message)); }

phonelink::FlashProgressCallback BackupRun::ProgressOf(std::string label, int decimals) {
  return [this, label = std::move(label), decimals](std::int32_t done, std::int32_t total) {
    user_.SetStatus(ProgressText(label, done, total, decimals));
    user_.Progress(done, total);
    return true;
  };
}

bool BackupRun::UploadLoader(phonelink::TMotoFlashModemItem& phone, const AppliedModel& model,
                             const fs::path& loader, const LoaderTexts& texts, Outcome& outcome) {
  SetLoaderAddresses(phone, model);
  std::error_code error;
  if (!fs::is_regular_file(loader, error)) {
    user_.ShowError("Не найден файл загрузчика!", "Ошибка");
    Log(texts.missingLog);
    user_.RequestClose();
    outcome.loaderFailure = "no loader at " + platform::Utf8FromPath(loader);
    return false;
  }
  if (!phone.SendLoader(loader, phonelink::ltUseREAD, ProgressOf("Запись загрузчика", 0))) {
    const BackupFailure failure = BackupFailure::OfPhone(phone, loader);
    outcome.loaderFailure = failure.Describe();
    Log("Загрузчик не записан: " + user_.FailureReason(failure));
    return false;
  }
  user_.SetStatus(texts.savedStatus);
  Log(texts.savedLog);
  return true;
}

bool BackupRun::SaveRange(phonelink::TMotoFlashModemItem& phone, phonelink::MemoryRange range,
                          const fs::path& file, const std::string& name, Outcome& outcome,
                          ElementRecord& record) {
  record.name = name;
  record.start = range.Start;
  record.finish = range.Finish;
  record.file = platform::Utf8FromPath(file.filename());
  phonefiles::HostError opened;
  auto element = ElementFile::Open(
      file, [this] { return user_.StopRequested(); }, opened);
  BackupFailure failure = BackupFailure::OfHost(opened);
  if (element) {
    const bool read =
        phone.SaveMemoryStream(range, &element->Stream(), ProgressOf("Сохранение " + name, 2));
    record.length = element->Written();
    if (read && element->Commit()) {
      record.ending = ElementRecord::Ending::Saved;
      return true;
    }
    outcome.stopped = element->Stopped();
    if (outcome.stopped) {
      failure = BackupFailure::OfStop();
    } else if (element->HostFailure()) {
      failure = BackupFailure::OfHost(element->HostFailure());
    } else {
      failure = BackupFailure::OfPhone(phone, {});
    }
    // A stopped element goes with its temporary file: the user asked for nothing more.
    failure.bytesRead = element->Written();
    failure.keptApart = outcome.stopped ? fs::path() : element->KeepApart();
    if (!failure.keptApart.empty()) outcome.keptApart.push_back(failure.keptApart);
  }
  record.ending = outcome.stopped ? ElementRecord::Ending::Stopped : ElementRecord::Ending::Failed;
  record.detail = failure.Describe() + KeptApartText(failure);
  Log(name + " не сохранена: " + user_.FailureReason(failure) + KeptApartText(failure));
  outcome.failures.push_back({name, std::move(failure)});
  return false;
}

void BackupRun::BeginDescription(const fs::path& folder, const AppliedModel& model) {
  folder_ = folder;
  std::string unreadable;
  description_ = BackupDescription::Read(folder, unreadable);
  if (!unreadable.empty()) Log(std::string(kDescriptionName) + " не прочитан: " + unreadable);
  description_.model = model.Model;
  description_.Stamp();
  const std::string unwritten = description_.Write(folder);
  if (!unwritten.empty()) Log(std::string(kDescriptionName) + " не записан: " + unwritten);
}

void BackupRun::Account(ElementRecord element, bool saved) {
  if (saved) {
    const std::string unrecorded = RecordInManifest(folder_, element.file, &element.digest);
    if (!unrecorded.empty()) Log(std::string(kManifestName) + " не дополнен: " + unrecorded);
  }
  description_.Put(element);
  const std::string unwritten = description_.Write(folder_);
  if (!unwritten.empty()) Log(std::string(kDescriptionName) + " не записан: " + unwritten);
}

BackupRun::Outcome BackupRun::SaveFlash(
    const std::shared_ptr<phonelink::TMotoFlashModemItem>& phone, const AppliedModel& model,
    bool pack) {
  Outcome outcome;
  if (running_ || !phone || !phone->IsOpen()) return outcome;
  RunningFlag running(running_);
  user_.SetControlsLocked(true);

  const fs::path folder = user_.ChooseFolder("Выберите директорию для сохраненя");
  if (!folder.empty()) {
    outcome.started = true;
    outcome.folder = folder;
    BeginDescription(folder, model);
    outcome.loaderSent = UploadLoader(*phone, model, model.LoaderFile, kFlashLoaderTexts, outcome);
    std::optional<fs::path> lastSaved;
    bool lastTakenSaved = false;
    for (const std::size_t index : kSaveOrder) {
      const SlotState& slot = model.slots[index];
      if (!slot.taken()) continue;
      if (outcome.stopped || user_.StopRequested()) {
        outcome.stopped = true;
        break;
      }
      ++outcome.taken;
      const std::string group(BackupSlots[index].codeGroup);
      user_.SetStatus("Сохранение " + group + "...");
      const auto start = ParseAddress(slot.start);
      const auto finish = ParseAddress(slot.end);
      const fs::path file = folder / (group + "_" + slot.start + ".bin");
      ElementRecord element;
      lastTakenSaved =
          start && finish && SaveRange(*phone, {*start, *finish}, file, group, outcome, element);
      if (lastTakenSaved) {
        ++outcome.saved;
        user_.SetStatus(kSavedStatus);
        Log(group + " успешно сохранена");
        lastSaved = file;
      }
      // A range the model map gives wrongly has no record: nothing was asked of the phone.
      if (start && finish) Account(element, lastTakenSaved);
    }
    // Only a complete file is handed to the archiver, which deletes what it packs.
    if (pack && lastTakenSaved && !outcome.stopped) PackInto(*lastSaved, outcome);
  }
  PowerOffSelected(phone.get());
  user_.SetControlsLocked(false);
  return outcome;
}

BackupRun::Outcome BackupRun::SavePDS(const std::shared_ptr<phonelink::TMotoFlashModemItem>& phone,
                                      const AppliedModel& model, bool pack) {
  Outcome outcome;
  if (running_ || !phone) return outcome;
  RunningFlag running(running_);

  const fs::path chosen = phone->IsOpen() ? user_.ChooseSaveFile("BIN|*.bin") : fs::path();
  if (!chosen.empty()) {
    outcome.started = true;
    outcome.taken = 1;
    user_.SetControlsLocked(true);
    outcome.loaderSent = UploadLoader(
        *phone, model, platform::FindProgramFile(shell_, fs::path("Profiles") / "pds.ldr"),
        kPdsLoaderTexts, outcome);
    user_.SetStatus("Сохранение PDS...");
    const fs::path file = PdsFileName(chosen);
    outcome.folder = file.parent_path();
    BeginDescription(outcome.folder, model);
    ElementRecord element;
    const bool saved = SaveRange(*phone, kPdsRange, file, "PDS", outcome, element);
    if (saved) {
      outcome.saved = 1;
      user_.SetStatus(kSavedStatus);
      Log("PDS успешно сохранена");
    }
    Account(element, saved);
    if (saved && pack) PackInto(file, outcome);
  }
  PowerOffSelected(phone.get());
  user_.SetControlsLocked(false);
  return outcome;
}

fs::path BackupRun::PdsFileName(const fs::path& chosen) {
  if (chosen.has_extension()) return chosen;
  fs::path file = chosen;
  file += std::string("_") + kPdsStart + ".bin";
  return file;
}

fs::path BackupRun::ArchiverFile() const {
  return platform::FindProgramFile(shell_, kArchiverName);
}

ElementPacker::Result BackupRun::PackFile(const fs::path& file) {
  const std::string name = platform::Utf8FromPath(file.filename());
  // The archiver may work for a while; the file it packs was saved, whatever the pack's end.
  user_.SetStatus("Упаковка " + name + "...");
  ElementPacker packer(shell_, [this](const std::string& message) { Log(message); });
  const ElementPacker::Result result = packer.Pack(ArchiverFile(), file);
  user_.SetStatus(kSavedStatus);
  if (!result.packed) return result;
  for (ElementRecord element : description_.elements) {
    if (element.file != name || folder_ != file.parent_path()) continue;
    element.ending = ElementRecord::Ending::Packed;
    element.file = result.archive;
    Account(element, false);
    break;
  }
  return result;
}

void BackupRun::PackInto(const fs::path& file, Outcome& outcome) {
  outcome.packFailure = PackFile(file).failure;
}

void BackupRun::PowerOffSelected(phonelink::TMotoFlashModemItem* phone) {
  if (!phone) return;
  Log("Выключение телефона");
  phone->PowerOff();
}

}  // namespace vestrel::backup
