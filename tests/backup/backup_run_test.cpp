#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "backup/BackupRun.h"
#include "backup/Manifest.h"
#include "backup/PhoneCheck.h"
#include "backup/Sha256.h"
#include "platform/fake/RecordingShell.h"
#ifdef _WIN32
#include "platform/win32/Win32Shell.h"
#else
#include "platform/linux/LinuxShell.h"
#endif
#include "generated/Version.h"
#include "platform/virtual/VirtualBus.h"
#include "tests/support/PhoneRig.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/StandInArchiver.h"
#include "tests/support/TempFolder.h"

namespace vestrel::backup {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using virtualphone::PhoneMode;
using virtualphone::VirtualFlash;

// Answers the run as a test script says and keeps everything it was told.
struct ScriptedUser final : BackupUser {
  fs::path folder;
  fs::path saveFile;
  std::vector<std::string> log, statuses, errors, asked;
  int closeRequests = 0;
  bool locked = false;
  std::function<void(std::int32_t, std::int32_t)> onProgress;

  fs::path ChooseFolder(const std::string& caption) override {
    asked.push_back(caption);
    return folder;
  }
  fs::path ChooseSaveFile(const std::string& filter) override {
    asked.push_back(filter);
    return saveFile;
  }
  void ShowError(const std::string& text, const std::string& title) override {
    errors.push_back(title + ": " + text);
  }
  void AppendLog(const std::string& line) override { log.push_back(line); }
  void SetStatus(const std::string& text) override { statuses.push_back(text); }
  void Progress(std::int32_t done, std::int32_t total) override {
    if (onProgress) onProgress(done, total);
  }
  void SetControlsLocked(bool value) override { locked = value; }
  void RequestClose() override { ++closeRequests; }
};

std::tm Noon() {
  std::tm t{};
  t.tm_hour = 14;
  t.tm_min = 3;
  t.tm_sec = 27;
  return t;
}

std::vector<std::string> Messages(const std::vector<std::string>& lines) {
  std::vector<std::string> messages;
  for (const auto& line : lines) messages.push_back(line.substr(10));
  return messages;
}

bool HoldsPhoneMemory(const fs::path& file, std::uint32_t start, std::uintmax_t size) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() != size) return false;
  for (std::uint32_t i = 0; i < size; ++i) {
    if (static_cast<std::uint8_t>(bytes[i]) != VirtualFlash::MemoryByte(start + i)) return false;
  }
  return true;
}

class BackupRunTest : public ::testing::Test {
 protected:
  fs::path home;
  fs::path out;
  testing::PhoneRig rig;
  std::shared_ptr<virtualphone::VirtualPhone> phone;
  std::unique_ptr<phonelink::TMotoFlashMode> watcher;
  std::shared_ptr<phonelink::TMotoFlashModemItem> item;
  ScriptedUser user;
  BackupLog log{Noon};
  std::unique_ptr<platform::RecordingShell> shell;
  std::unique_ptr<BackupRun> run;
  AppliedModel model;

  vestrel::testing::TempFolder scratch;
  void SetUp() override {
    home = scratch.path();
    out = home / "out";
    fs::create_directories(home / "Profiles");
    fs::create_directories(out);
    // Stand-in loaders: the virtual phone runs whatever bytes it is sent.
    for (const char* name : {"0823.ldr", "L6.ldr", "E1000_0631.ldr", "pds.ldr", "V3x.ldr"}) {
      std::ofstream(home / "Profiles" / name, std::ios::binary) << std::string(9000, '\x5A');
    }
    std::ofstream(home / BackupRun::kArchiverName) << "stand-in";
    shell = std::make_unique<platform::RecordingShell>(home / "vestrel");
    shell->onRun = [this](const platform::RecordingShell::StartedProgram& ran) {
      return archiver(ran);
    };
    run = std::make_unique<BackupRun>(user, log, *shell);
    phone = rig.plug("F", PhoneMode::Flash);
    watcher = std::make_unique<phonelink::TMotoFlashMode>(rig.context);
    item = watcher->DeviceList().Items(0);
    ASSERT_TRUE(item->OpenPhone());
    user.folder = out;
  }

  void TearDown() override { fs::remove_all(home); }

  // Applies the model with only the named code groups ticked.
  void Choose(const char* modelText, std::vector<std::string> ticked) {
    model.Apply(*FindModel(modelText), home);
    for (std::size_t s = 0; s < kSlotCount; ++s) {
      model.slots[s].ticked = std::find(ticked.begin(), ticked.end(),
                                        std::string(BackupSlots[s].codeGroup)) != ticked.end();
    }
  }

  testing::StandInArchiver archiver;

  std::vector<std::string> FilesInOut() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out)) {
      const std::string name = entry.path().filename().string();
      if (name != kManifestName && name != kDescriptionName) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(BackupRunTest, C380WithEveryElementSavesSixFilesAndPacksTheLast) {
  Choose("C380", {"CG1", "CG2", "CG3", "CG4", "CG5", "CG8", "CG7", "CG15", "CG17", "CG18"});
  std::string lastCg1Text;
  user.onProgress = [&](std::int32_t, std::int32_t) {
    if (!user.statuses.empty() && user.statuses.back().rfind("Сохранение CG1:", 0) == 0) {
      lastCg1Text = user.statuses.back();
    }
  };
  const auto outcome = run->SaveFlash(item, model, true);
  EXPECT_TRUE(outcome.started && outcome.loaderSent);
  EXPECT_EQ(outcome.taken, 6);
  EXPECT_EQ(outcome.saved, 6);

  EXPECT_THAT(
      Messages(user.log),
      ElementsAre("Загрузчик успешно записан!", "CG1 успешно сохранена", "CG2 успешно сохранена",
                  "CG3 успешно сохранена", "CG4 успешно сохранена", "CG15 успешно сохранена",
                  "CG18 успешно сохранена", "Файл успешно упакован", "Выключение телефона"));
  EXPECT_EQ(user.log.front(), "14:03:27: Загрузчик успешно записан!");
  EXPECT_THAT(FilesInOut(),
              ElementsAre("CG15_10920000.bin", "CG18_10B1F800.rar", "CG1_10080000.bin",
                          "CG2_10B20000.bin", "CG3_10040000.bin", "CG4_109E0000.bin"));
  EXPECT_TRUE(HoldsPhoneMemory(out / "CG1_10080000.bin", 0x10080000, 0x8A0000));
  EXPECT_TRUE(HoldsPhoneMemory(out / "CG4_109E0000.bin", 0x109E0000, 0x13F800));
  EXPECT_EQ(lastCg1Text, "Сохранение CG1: 8832.00/8832.00 Кб");

  // Packed, then tested, in the file's folder; the archive takes the element's line.
  ASSERT_EQ(shell->ranPrograms.size(), 2u);
  const auto& packed = shell->ranPrograms[0];
  EXPECT_EQ(packed.program, home / BackupRun::kArchiverName);
  EXPECT_THAT(packed.arguments,
              ElementsAre("a", "-df", "-ep", "-m5", "CG18_10B1F800.rar", "CG18_10B1F800.bin"));
  EXPECT_EQ(packed.folder, out);
  EXPECT_THAT(shell->ranPrograms[1].arguments, ElementsAre("t", "CG18_10B1F800.rar"));
  EXPECT_EQ(shell->ranPrograms[1].folder, out);
  EXPECT_FALSE(ListedDigest(out, "CG18_10B1F800.bin"));
  EXPECT_TRUE(ListedDigest(out, "CG18_10B1F800.rar"));
  EXPECT_TRUE(CheckFolder(out).AllMatch());
  EXPECT_EQ(phone->mode(), PhoneMode::Off);
  EXPECT_FALSE(user.locked);
  EXPECT_THAT(user.asked, ElementsAre("Выберите директорию для сохраненя"));
}

// One reply of CG1 arrives after the host gave up on it and waits before the next one: it is
// drained, the block asked for again, and every element holds the phone's own memory.
TEST_F(BackupRunTest, ALateReplyInAFullC380BackupShiftsNoElement) {
  Choose("C380", {"CG1", "CG2", "CG3", "CG4", "CG15", "CG18"});
  std::ofstream(out / "CG18_10B1F800.bin") << "earlier backup";
  phone->flash().failFrame(virtualphone::FlashFault::LateReply, "READ", 100);
  const auto outcome = run->SaveFlash(item, model, false);
  EXPECT_EQ(outcome.saved, 6);
  EXPECT_THAT(Messages(user.log), ElementsAre("Загрузчик успешно записан!", "CG1 успешно сохранена",
                                              "CG2 успешно сохранена", "CG3 успешно сохранена",
                                              "CG4 успешно сохранена", "CG15 успешно сохранена",
                                              "CG18 успешно сохранена", "Выключение телефона"));
  EXPECT_TRUE(HoldsPhoneMemory(out / "CG1_10080000.bin", 0x10080000, 0x8A0000));
  EXPECT_TRUE(HoldsPhoneMemory(out / "CG2_10B20000.bin", 0x10B20000, 0x4E0000));
  EXPECT_TRUE(HoldsPhoneMemory(out / "CG3_10040000.bin", 0x10040000, 0x40000));
  EXPECT_TRUE(HoldsPhoneMemory(out / "CG4_109E0000.bin", 0x109E0000, 0x13F800));
  EXPECT_TRUE(HoldsPhoneMemory(out / "CG15_10920000.bin", 0x10920000, 0xC0000));
  EXPECT_TRUE(HoldsPhoneMemory(out / "CG18_10B1F800.bin", 0x10B1F800, 0x800));
}

TEST_F(BackupRunTest, CG7AndCG8AreSavedInTheirPlaceInTheOrder) {
  Choose("L6", {"CG4", "CG7", "CG15"});
  run->SaveFlash(item, model, false);
  EXPECT_THAT(Messages(user.log), ElementsAre("Загрузчик успешно записан!", "CG4 успешно сохранена",
                                              "CG7 успешно сохранена", "CG15 успешно сохранена",
                                              "Выключение телефона"));

  phone->setMode(PhoneMode::Flash);  // on again
  rig.bus.deliverNotices();
  item = watcher->DeviceList().Items(0);
  ASSERT_TRUE(item->OpenPhone());
  user.log.clear();
  Choose("E1000", {"CG5", "CG8", "CG18"});
  run->SaveFlash(item, model, false);
  EXPECT_THAT(Messages(user.log), ElementsAre("Загрузчик успешно записан!", "CG5 успешно сохранена",
                                              "CG8 успешно сохранена", "CG18 успешно сохранена",
                                              "Выключение телефона"));
  // CG5 of E1000 ends on a block of 56 bytes.
  EXPECT_TRUE(HoldsPhoneMemory(out / "CG5_1104C4C8.bin", 0x1104C4C8, 0x111FF7FF - 0x1104C4C8 + 1));
}

TEST_F(BackupRunTest, AHiddenTickedBoxIsNotSaved) {
  Choose("L6", {"CG7", "CG18"});
  model.Apply(*FindModel("C380"), home);  // CG7 hidden, still ticked
  run->SaveFlash(item, model, true);
  EXPECT_THAT(FilesInOut(), ElementsAre("CG18_10B1F800.rar"));
}

TEST_F(BackupRunTest, WithNothingTickedTheLoaderStillGoesAndThePhoneIsPoweredOff) {
  Choose("C380", {});
  run->SaveFlash(item, model, true);
  EXPECT_THAT(Messages(user.log), ElementsAre("Загрузчик успешно записан!", "Выключение телефона"));
  EXPECT_THAT(phone->flash().framesTaken(), ::testing::Contains("JUMP"));
  EXPECT_THAT(FilesInOut(), IsEmpty());
  EXPECT_THAT(shell->ranPrograms, IsEmpty());
  EXPECT_EQ(phone->mode(), PhoneMode::Off);
}

TEST_F(BackupRunTest, ACancelledFolderChoicePowersOffWithoutTheLoader) {
  Choose("C380", {"CG18"});
  user.folder.clear();
  run->SaveFlash(item, model, true);
  EXPECT_THAT(Messages(user.log), ElementsAre("Выключение телефона"));
  EXPECT_THAT(phone->flash().framesTaken(), ::testing::Not(::testing::Contains("ADDR")));
  EXPECT_EQ(phone->mode(), PhoneMode::Off);
  EXPECT_FALSE(user.locked);
}

TEST_F(BackupRunTest, AMissingLoaderIsReportedAndTheElementsAreStillAttempted) {
  Choose("C380", {"CG18"});
  fs::remove(home / "Profiles" / "0823.ldr");
  const auto outcome = run->SaveFlash(item, model, true);
  EXPECT_FALSE(outcome.loaderSent);
  EXPECT_EQ(outcome.taken, 1);
  EXPECT_EQ(outcome.saved, 0);
  EXPECT_THAT(user.errors, ElementsAre("Ошибка: Не найден файл загрузчика!"));
  EXPECT_EQ(user.closeRequests, 1);
  // Without a loader the boot loader refuses the first read: nothing arrived, nothing is left.
  EXPECT_THAT(Messages(user.log),
              ElementsAre("Загрузчик не найден!", "CG18 не сохранена: Send DUMP (10B1F800) Failed",
                          "Выключение телефона"));
  ASSERT_EQ(outcome.failures.size(), 1u);
  const BackupFailure& failure = outcome.failures[0].failure;
  EXPECT_EQ(outcome.failures[0].name, "CG18");
  EXPECT_EQ(failure.kind, BackupFailure::Kind::PhoneRefused);
  ASSERT_TRUE(failure.frame);
  EXPECT_EQ(failure.frame->command, "DUMP");
  EXPECT_EQ(failure.frame->address, 0x10B1F800u);
  EXPECT_FALSE(failure.frame->count) << "a DUMP frame carries no count";
  EXPECT_EQ(failure.bytesRead, 0u);
  EXPECT_TRUE(failure.keptApart.empty());
  EXPECT_THAT(FilesInOut(), IsEmpty());
  EXPECT_THAT(shell->ranPrograms, IsEmpty());
}

TEST_F(BackupRunTest, AFailedElementLeavesAnEarlierGoodBackupAndKeepsItsPartApart) {
  Choose("C380", {"CG18"});
  std::ofstream(out / "CG18_10B1F800.bin") << "earlier backup";
  // The fourth block is refused every time it is asked for.
  phone->flash().failFrame(virtualphone::FlashFault::Error, "READ", 3, true);
  const auto outcome = run->SaveFlash(item, model, true);
  std::ifstream earlier(out / "CG18_10B1F800.bin");
  std::string text;
  std::getline(earlier, text);
  EXPECT_EQ(text, "earlier backup");
  ASSERT_EQ(outcome.keptApart.size(), 1u);
  const fs::path kept = outcome.keptApart[0];
  EXPECT_EQ(kept.parent_path(), out);
  EXPECT_THAT(kept.filename().string(), ::testing::StartsWith("CG18_10B1F800.bin.incomplete."));
  EXPECT_TRUE(HoldsPhoneMemory(kept, 0x10B1F800, 760));
  EXPECT_THAT(FilesInOut(), ElementsAre("CG18_10B1F800.bin", kept.filename().string()));
  EXPECT_THAT(Messages(user.log),
              ElementsAre("Загрузчик успешно записан!",
                          "CG18 не сохранена: Send READ (10B1FAF8,00F8 b) Failed; прочитанные 760 "
                          "байт оставлены в " +
                              kept.string(),
                          "Выключение телефона"));
  // The facts behind the line: the refused frame as it went, and what arrived before it.
  ASSERT_EQ(outcome.failures.size(), 1u);
  const BackupFailure& failure = outcome.failures[0].failure;
  ASSERT_TRUE(failure.frame);
  EXPECT_EQ(failure.frame->command, "READ");
  EXPECT_EQ(failure.frame->address, 0x10B1FAF8u);
  EXPECT_EQ(failure.frame->count, 0xF8u);
  EXPECT_EQ(failure.bytesRead, 760u);
  EXPECT_EQ(failure.keptApart, kept);
  EXPECT_THAT(shell->ranPrograms, IsEmpty()) << "only a whole file is packed";
}

TEST_F(BackupRunTest, AReadOnlyBackupFileIsNeitherReplacedNorReadInto) {
  Choose("C380", {"CG3", "CG18"});
  std::ofstream(out / "CG3_10040000.bin") << "kept";
  fs::permissions(out / "CG3_10040000.bin", fs::perms::owner_read);
  const auto outcome = run->SaveFlash(item, model, false);
  EXPECT_EQ(outcome.saved, 1);
  EXPECT_EQ(fs::file_size(out / "CG3_10040000.bin"), 4u);
  EXPECT_THAT(Messages(user.log),
              ::testing::Contains("CG3 не сохранена: " + (out / "CG3_10040000.bin").string() +
                                  " is read-only"));
  ASSERT_EQ(outcome.failures.size(), 1u);
  const BackupFailure& failure = outcome.failures[0].failure;
  EXPECT_EQ(failure.kind, BackupFailure::Kind::HostFile);
  EXPECT_EQ(failure.host.kind, phonefiles::HostError::ReadOnly);
  EXPECT_EQ(failure.host.path, out / "CG3_10040000.bin");
  EXPECT_FALSE(failure.frame) << "nothing was asked of the phone";
  EXPECT_EQ(
      std::count(phone->flash().framesTaken().begin(), phone->flash().framesTaken().end(), "READ"),
      9)
      << "only CG18 was read";
  EXPECT_TRUE(HoldsPhoneMemory(out / "CG18_10B1F800.bin", 0x10B1F800, 2048));
  // Windows removes no read-only file.
  fs::permissions(out / "CG3_10040000.bin", fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(BackupRunTest, AStopRequestEndsTheRunAndLeavesNoFileBehind) {
  struct StoppingUser final : BackupUser {
    ScriptedUser& inner;
    int blocks = 0;
    explicit StoppingUser(ScriptedUser& u) : inner(u) {}
    fs::path ChooseFolder(const std::string& c) override { return inner.ChooseFolder(c); }
    fs::path ChooseSaveFile(const std::string& f) override { return inner.ChooseSaveFile(f); }
    void ShowError(const std::string& t, const std::string& c) override { inner.ShowError(t, c); }
    void AppendLog(const std::string& line) override { inner.AppendLog(line); }
    void SetStatus(const std::string& text) override { inner.SetStatus(text); }
    void Progress(std::int32_t, std::int32_t) override { ++blocks; }
    void SetControlsLocked(bool locked) override { inner.SetControlsLocked(locked); }
    void RequestClose() override {}
    bool StopRequested() override { return blocks >= 5; }
  } stopping(user);
  BackupRun stoppable(stopping, log, *shell);
  Choose("C380", {"CG3", "CG18"});
  const auto outcome = stoppable.SaveFlash(item, model, true);
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(outcome.saved, 0);
  EXPECT_THAT(FilesInOut(), IsEmpty());
  EXPECT_THAT(Messages(user.log), ElementsAre("Загрузчик успешно записан!",
                                              "CG3 не сохранена: прервано", "Выключение телефона"));
  ASSERT_EQ(outcome.failures.size(), 1u);
  EXPECT_EQ(outcome.failures[0].failure.kind, BackupFailure::Kind::Stopped);
  EXPECT_TRUE(outcome.failures[0].failure.keptApart.empty());
  EXPECT_EQ(phone->mode(), PhoneMode::Off);
  EXPECT_THAT(shell->ranPrograms, IsEmpty());
}

TEST_F(BackupRunTest, APhoneLostMidRunEndsTheRunNormally) {
  Choose("C380", {"CG4", "CG18"});
  int blocks = 0;
  user.onProgress = [&](std::int32_t, std::int32_t) {
    if (user.statuses.back().rfind("Сохранение CG4", 0) == 0 && ++blocks == 10) {
      rig.bus.unplug(*phone);
      rig.bus.deliverNotices();           // the watcher drops the item; the run still holds it
      run->SaveFlash(item, model, true);  // no second run while this one goes on
    }
  };
  run->SaveFlash(item, model, true);
  EXPECT_EQ(watcher->DeviceList().Count(), 0);
  const auto messages = Messages(user.log);
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[0], "Загрузчик успешно записан!");
  EXPECT_THAT(messages[1], ::testing::StartsWith("CG4 не сохранена: Send READ (109E09D8,0100 b) "
                                                 "Failed; прочитанные 2520 байт оставлены в "));
  EXPECT_EQ(messages[2], "CG18 не сохранена: Send READ (10B1F800,0100 b) Failed");
  EXPECT_EQ(messages[3], "Выключение телефона");
  EXPECT_FALSE(user.locked);
  EXPECT_FALSE(run->Running());
}

TEST_F(BackupRunTest, PdsSavesTheFixedRangeUnderTheChosenName) {
  Choose("C380", {"CG1"});
  user.saveFile = out / "pds";
  archiver.deletesPacked = false;
  run->SavePDS(item, model, true);
  EXPECT_THAT(user.asked, ElementsAre("BIN|*.bin"));
  EXPECT_TRUE(HoldsPhoneMemory(out / "pds_10010000.bin", 0x10010000, 65536));
  EXPECT_THAT(Messages(user.log), ElementsAre("Загрузчик успешно записан", "PDS успешно сохранена",
                                              "Файл успешно упакован", "Выключение телефона"));
  EXPECT_THAT(user.statuses, ::testing::Contains("Сохранение PDS: 64.00/64.00 Кб"));
  EXPECT_EQ(phone->flash().entryAddress(), 0x03FD0010u);
  ASSERT_EQ(shell->ranPrograms.size(), 2u);
  EXPECT_THAT(shell->ranPrograms[0].arguments,
              ElementsAre("a", "-df", "-ep", "-m5", "pds_10010000.rar", "pds_10010000.bin"));
  EXPECT_TRUE(ListedDigest(out, "pds_10010000.rar"));
  EXPECT_TRUE(ListedDigest(out, "pds_10010000.bin")) << "the archiver left the file";
  EXPECT_TRUE(CheckFolder(out).AllMatch());
}

TEST_F(BackupRunTest, PdsLoaderGoesWhereTheModelsLoaderGoes) {
  Choose("V3x", {});
  user.saveFile = out / "my.dat";
  EXPECT_TRUE(fs::remove(home / BackupRun::kArchiverName));
  run->SavePDS(item, model, true);
  EXPECT_EQ(phone->flash().entryAddress(), 0x08000010u);
  EXPECT_TRUE(fs::exists(out / "my.dat"));
  EXPECT_THAT(Messages(user.log), ElementsAre("Загрузчик успешно записан", "PDS успешно сохранена",
                                              "Архиватор не найден", "Выключение телефона"));
}

TEST_F(BackupRunTest, PdsWithoutItsLoaderOrWithACancelledNameStillPowersOff) {
  Choose("C380", {});
  user.saveFile.clear();
  run->SavePDS(item, model, true);
  EXPECT_THAT(Messages(user.log), ElementsAre("Выключение телефона"));
  EXPECT_EQ(phone->mode(), PhoneMode::Off);

  phone->setMode(PhoneMode::Flash);
  rig.bus.deliverNotices();
  item = watcher->DeviceList().Items(0);
  ASSERT_TRUE(item->OpenPhone());
  user.log.clear();
  user.saveFile = out / "pds.bin";
  fs::remove(home / "Profiles" / "pds.ldr");
  run->SavePDS(item, model, false);
  EXPECT_THAT(user.errors, ElementsAre("Ошибка: Не найден файл загрузчика!"));
  EXPECT_EQ(Messages(user.log).front(), "Загрузчик не найден");
}

TEST_F(BackupRunTest, NoRunWithoutAnOpenPhone) {
  Choose("C380", {"CG18"});
  item->ClosePhone();
  run->SaveFlash(item, model, true);
  run->SaveFlash(nullptr, model, true);
  run->SavePDS(nullptr, model, true);
  EXPECT_THAT(user.log, IsEmpty());
  EXPECT_THAT(user.asked, IsEmpty());
}

TEST(PdsFileName, AddsTheStartOnlyToANameWithoutExtension) {
  EXPECT_EQ(BackupRun::PdsFileName("/b/pds"), fs::path("/b/pds_10010000.bin"));
  EXPECT_EQ(BackupRun::PdsFileName("/b/my.dat"), fs::path("/b/my.dat"));
  EXPECT_EQ(BackupRun::PdsFileName("/b.d/pds"), fs::path("/b.d/pds_10010000.bin"));
}

TEST(ProgressText, FormatsKilobytesWithADot) {
  EXPECT_EQ(ProgressText("Сохранение CG1", 9043968, 9043967, 2),
            "Сохранение CG1: 8832.00/8832.00 Кб");
  EXPECT_EQ(ProgressText("Запись загрузчика", 8192, 9000, 0), "Запись загрузчика:  8/ 9 Кб");
  EXPECT_EQ(ProgressText("Запись загрузчика", 204800, 204800, 0), "Запись загрузчика: 200/200 Кб");
}

TEST(BackupLogFile, HoldsEveryLineWithCrLfAndIsNotWrittenWhenEmpty) {
  const vestrel::testing::TempFolder scratch;
  const fs::path file = scratch / "FlashLog.log";
  fs::remove(file);
  BackupLog log(Noon);
  log.WriteTo(file);
  EXPECT_FALSE(fs::exists(file));
  log.Add("Загрузчик успешно записан!");
  log.Add("Выключение телефона");
  const auto contents = [&] {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  log.WriteTo(file);
  EXPECT_EQ(contents(),
            "14:03:27: Загрузчик успешно записан!\r\n14:03:27: Выключение телефона\r\n");
  // A code page other than the log's own reaches the file line by line.
  log.WriteTo(file, [](const std::string& line) { return "[" + line.substr(0, 8) + "]"; });
  EXPECT_EQ(contents(), "[14:03:27]\r\n[14:03:27]\r\n");
  EXPECT_TRUE(fs::remove(file)) << "the log is closed once written";
  try {
    log.WriteTo("/nonexistent-folder/FlashLog.log");
    ADD_FAILURE() << "no error for a folder that does not exist";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(),
                 "cannot write /nonexistent-folder/FlashLog.log: No such file or directory");
  }
}

#ifdef _WIN32
using HostShell = platform::Win32Shell;
// Windows names hold no quotes.
constexpr const char* kPackedName = "CG18 x.bin";
// The stand-in archiver built beside the tests (record_arguments.cpp).
void PutStandInArchiver(const fs::path& home) {
  fs::copy_file(VESTREL_ARGUMENT_RECORDER, home / "arch.exe");
}
#else
using HostShell = platform::LinuxShell;
constexpr const char* kPackedName = "CG18 \"x\".bin";
// As record_arguments.cpp does on Windows: each call's arguments, one a line, and its folder go
// to args.txt beside it; "a" packs the last word into the fifth and removes it; "t" passes an
// archive that is there, unless test-fails lies beside the archiver.
void PutStandInArchiver(const fs::path& home) {
  vestrel::testing::writeText(home / "arch",
                              "#!/bin/sh\nhere=$(dirname \"$0\")\n"
                              "{ for a in \"$@\"; do printf '%s\\n' \"$a\"; done; pwd; } >> "
                              "\"$here/args.txt\"\n"
                              "case \"$1\" in\n"
                              "  a) { echo archive; cat \"$6\"; } > \"$5\" && rm -- \"$6\" ;;\n"
                              "  t) [ -f \"$2\" ] && [ ! -e \"$here/test-fails\" ] || exit 3 ;;\n"
                              "  *) exit 2 ;;\n"
                              "esac\n");
  fs::permissions(home / "arch", fs::perms::owner_all);
}
#endif

// The archiver really runs, twice, waited for: a stand-in beside the program packs the file in
// its folder, and its test decides whether the file may go.
class PackFileTest : public ::testing::Test {
 protected:
  // Removed at the end as far as it can be: under Wine the stand-in may still be ending in its
  // folder, which Windows does not remove until then, and a fresh name keeps runs apart.
  const vestrel::testing::TempFolder temp;
  const fs::path home = temp.path();
  const fs::path file = home / "my backups" / kPackedName;
  vestrel::testing::ScopedEnvironment programHome{"VESTREL_HOME", home.string()};
  HostShell shell;
  ScriptedUser user;
  BackupLog log{Noon};
  BackupRun run{user, log, shell};

  void SetUp() override {
    fs::create_directories(file.parent_path());
    vestrel::testing::writeText(file, "element bytes");
    ASSERT_EQ(RecordInManifest(file.parent_path(), file.filename().string()), "");
    PutStandInArchiver(home);
  }
  std::vector<std::string> Calls() const {
    std::vector<std::string> lines;
    std::ifstream in(home / "args.txt");
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

TEST_F(PackFileTest, TheArchiveIsTestedAndTakesTheFilesLine) {
  const fs::path packed = shell.shortPathName(file);
  const std::string archive = fs::path(packed.filename()).replace_extension(".rar").string();
  const auto result = run.PackFile(file);
  EXPECT_TRUE(result.packed) << result.failure;
  EXPECT_THAT(Calls(), ElementsAre("a", "-df", "-ep", "-m5", archive, packed.filename().string(),
                                   packed.parent_path().string(), "t", archive,
                                   packed.parent_path().string()));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(fs::exists(fs::path(file.string() + ElementPacker::kPackingSuffix)));
  EXPECT_TRUE(ListedDigest(file.parent_path(), archive));
  EXPECT_FALSE(ListedDigest(file.parent_path(), file.filename().string()));
  EXPECT_TRUE(CheckFolder(file.parent_path()).AllMatch());
  EXPECT_THAT(Messages(user.log), ElementsAre("Файл успешно упакован"));
  EXPECT_THAT(user.statuses, ElementsAre("Упаковка " + file.filename().string() + "...",
                                         "Операция успешно выполнена"));
}

TEST_F(PackFileTest, AFailedTestKeepsTheFileAndSaysSo) {
  vestrel::testing::writeText(home / "test-fails", "");
  const fs::path packed = shell.shortPathName(file);
  const std::string archive = fs::path(packed.filename()).replace_extension(".rar").string();
  const auto result = run.PackFile(file);
  EXPECT_FALSE(result.packed);
  EXPECT_EQ(vestrel::testing::readText(file), "element bytes");
  EXPECT_FALSE(fs::exists(fs::path(file.string() + ElementPacker::kPackingSuffix)));
  EXPECT_FALSE(ListedDigest(file.parent_path(), archive));
  EXPECT_TRUE(ListedDigest(file.parent_path(), file.filename().string()));
  const std::string name = file.filename().string();
  EXPECT_THAT(Messages(user.log),
              ElementsAre("Архив " + archive + " не прошёл проверку архиватора (код 3); " + name +
                          " оставлен"));
}

// A file that no longer holds what its manifest line says is not handed to the archiver.
TEST_F(PackFileTest, AFileThatDiffersFromItsLineIsNotPacked) {
  vestrel::testing::writeText(file, "element bytEs");
  EXPECT_FALSE(run.PackFile(file).packed);
  EXPECT_FALSE(fs::exists(home / "args.txt")) << "the archiver was not run";
  EXPECT_EQ(vestrel::testing::readText(file), "element bytEs");
  EXPECT_THAT(Messages(user.log),
              ElementsAre(file.filename().string() +
                          " не упакован: файл не совпадает со своей строкой в SHA256SUMS"));
}

// SHA256SUMS lists an element only once its file is whole, one line per name however often
// the folder is backed up into; a failed element keeps the earlier file and its line.
TEST_F(BackupRunTest, TheManifestListsEveryWholeElementOnce) {
  std::ofstream(out / "abc") << "abc";
  EXPECT_EQ(RecordInManifest(out, "abc"), "");
  Choose("C380", {"CG3", "CG18"});
  ASSERT_EQ(run->SaveFlash(item, model, false).saved, 2);
  std::string error;
  const auto cg18 = FileSha256(out / "CG18_10B1F800.bin", error);
  ASSERT_TRUE(cg18) << error;

  phone->setMode(PhoneMode::Flash);
  rig.bus.deliverNotices();
  item = watcher->DeviceList().Items(0);
  ASSERT_TRUE(item->OpenPhone());
  phone->flash().failFrame(virtualphone::FlashFault::Error, "READ", 1045, true);
  ASSERT_EQ(run->SaveFlash(item, model, false).saved, 1);  // CG3 again; CG18 fails

  std::ifstream manifest(out / kManifestName);
  std::vector<std::string> lines;
  for (std::string line; std::getline(manifest, line);) lines.push_back(line);
  const auto cg3 = FileSha256(out / "CG3_10040000.bin", error);
  ASSERT_TRUE(cg3) << error;
  EXPECT_THAT(lines,
              ElementsAre("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad  abc",
                          *cg18 + "  CG18_10B1F800.bin", *cg3 + "  CG3_10040000.bin"));
  EXPECT_TRUE(HoldsPhoneMemory(out / "CG18_10B1F800.bin", 0x10B1F800, 0x800));
}

// BACKUP.txt says how each element of the folder ended, read back as it was written; a later
// run replaces the lines of the elements it took and keeps the others.
TEST_F(BackupRunTest, TheDescriptionTellsHowEachElementEnded) {
  Choose("C380", {"CG3", "CG18"});
  phone->flash().failFrame(virtualphone::FlashFault::Error, "READ", 1045, true);
  const auto outcome = run->SaveFlash(item, model, true);
  ASSERT_EQ(outcome.saved, 1);
  ASSERT_EQ(outcome.keptApart.size(), 1u);
  std::string error;
  const auto description = BackupDescription::Read(out, error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(description.model, "C380");
  EXPECT_EQ(description.program, std::string("vestrel ") + kVersion);
  // "YYYY-MM-DDTHH:MM:SSZ"
  ASSERT_EQ(description.date.size(), 20u);
  EXPECT_EQ(description.date.substr(0, 2) + description.date[10] + description.date[19], "20TZ");
  ASSERT_EQ(description.elements.size(), 2u);
  const ElementRecord& cg3 = description.elements[0];
  EXPECT_EQ(cg3.name, "CG3");
  EXPECT_EQ(cg3.start, 0x10040000u);
  EXPECT_EQ(cg3.finish, 0x1007FFFFu);
  EXPECT_EQ(cg3.length, 0x40000u);
  EXPECT_EQ(cg3.ending, ElementRecord::Ending::Saved);
  EXPECT_EQ(cg3.file, "CG3_10040000.bin");
  EXPECT_EQ(cg3.digest, ListedDigest(out, "CG3_10040000.bin").value_or("none"));
  const ElementRecord& cg18 = description.elements[1];
  EXPECT_EQ(cg18.ending, ElementRecord::Ending::Failed);
  EXPECT_EQ(cg18.length, fs::file_size(outcome.keptApart[0]));
  EXPECT_GT(cg18.length, 0u);
  EXPECT_THAT(cg18.detail, ::testing::StartsWith("Send READ (10B1F"));
  EXPECT_THAT(cg18.detail, ::testing::EndsWith(outcome.keptApart[0].string()));
  EXPECT_THAT(shell->ranPrograms, IsEmpty()) << "the last element failed: nothing is packed";

  phone->setMode(PhoneMode::Flash);
  rig.bus.deliverNotices();
  item = watcher->DeviceList().Items(0);
  ASSERT_TRUE(item->OpenPhone());
  phone->flash().failFrame(virtualphone::FlashFault::Error, "READ", 1u << 30);  // none this run
  Choose("C380", {"CG18"});
  ASSERT_EQ(run->SaveFlash(item, model, true).saved, 1);
  const auto again = BackupDescription::Read(out, error);
  ASSERT_EQ(again.elements.size(), 2u);
  EXPECT_EQ(again.elements[0].digest, cg3.digest);
  EXPECT_EQ(again.elements[1].ending, ElementRecord::Ending::Packed);
  EXPECT_EQ(again.elements[1].file, "CG18_10B1F800.rar");
  EXPECT_EQ(again.elements[1].length, 0x800u);
  EXPECT_EQ(again.elements[1].detail, "");
}

// A failed archive test leaves the element whole under its name and listed as before.
TEST_F(BackupRunTest, AnArchiveThatFailsItsTestLeavesTheElement) {
  Choose("C380", {"CG18"});
  archiver.testCode = 1;
  const auto outcome = run->SaveFlash(item, model, true);
  EXPECT_EQ(outcome.saved, 1);
  EXPECT_EQ(outcome.packFailure,
            "the archive CG18_10B1F800.rar failed the archiver's test; CG18_10B1F800.bin is kept");
  EXPECT_TRUE(HoldsPhoneMemory(out / "CG18_10B1F800.bin", 0x10B1F800, 0x800));
  EXPECT_TRUE(ListedDigest(out, "CG18_10B1F800.bin"));
  EXPECT_FALSE(ListedDigest(out, "CG18_10B1F800.rar"));
  EXPECT_THAT(Messages(user.log),
              ::testing::Contains("Архив CG18_10B1F800.rar не прошёл проверку архиватора (код 1); "
                                  "CG18_10B1F800.bin оставлен"));
  std::string error;
  EXPECT_EQ(BackupDescription::Read(out, error).Find("CG18")->ending, ElementRecord::Ending::Saved);
}

// The phone is read again element by element: a file changed since is told apart from a range
// the phone did not deliver and from an element the backup never had whole.
TEST_F(BackupRunTest, ThePhoneCheckTellsEachElementsState) {
  Choose("C380", {"CG3", "CG18"});
  ASSERT_EQ(run->SaveFlash(item, model, false).saved, 2);
  {
    std::fstream cg3(out / "CG3_10040000.bin", std::ios::in | std::ios::out | std::ios::binary);
    cg3.seekp(1000);
    cg3.put('\x01');
  }
  std::string error;
  BackupDescription description = BackupDescription::Read(out, error);
  description.Put({"CG4", 0x109E0000, 0x10B1F7FF, 300, ElementRecord::Ending::Failed, "", "", ""});

  phone->setMode(PhoneMode::Flash);
  rig.bus.deliverNotices();
  item = watcher->DeviceList().Items(0);
  ASSERT_TRUE(item->OpenPhone());
  phone->flash().failFrame(virtualphone::FlashFault::Error, "READ", 1045, true);  // in CG18
  std::vector<std::string> names;
  const auto result = PhoneCheck::Run(*item, model, out, description,
                                      [&](const std::string& name, std::int32_t, std::int32_t) {
                                        if (names.empty() || names.back() != name)
                                          names.push_back(name);
                                        return true;
                                      });
  EXPECT_EQ(result.loaderFailure, "");
  EXPECT_THAT(names, ElementsAre("loader", "CG3", "CG18"));
  ASSERT_EQ(result.elements.size(), 3u);
  EXPECT_EQ(result.elements[0].result, ElementComparison::Result::Differs);
  EXPECT_EQ(result.elements[1].result, ElementComparison::Result::Unread);
  EXPECT_THAT(result.elements[1].detail, ::testing::StartsWith("Send READ (10B1F"));
  EXPECT_EQ(result.elements[2].result, ElementComparison::Result::NoCopy);
  EXPECT_EQ(result.elements[2].detail, "the backup failed it");
  EXPECT_FALSE(result.AllMatch());
}

TEST_F(BackupRunTest, AStoppedPhoneCheckMatchesNothing) {
  Choose("C380", {"CG18"});
  ASSERT_EQ(run->SaveFlash(item, model, false).saved, 1);
  phone->setMode(PhoneMode::Flash);
  rig.bus.deliverNotices();
  item = watcher->DeviceList().Items(0);
  ASSERT_TRUE(item->OpenPhone());
  std::string error;
  const auto description = BackupDescription::Read(out, error);
  const auto result = PhoneCheck::Run(
      *item, model, out, description,
      [](const std::string& name, std::int32_t, std::int32_t) { return name == "loader"; });
  EXPECT_TRUE(result.stopped);
  EXPECT_THAT(result.elements, IsEmpty());
  EXPECT_FALSE(result.AllMatch());
  EXPECT_TRUE(CheckFolder(out).AllMatch()) << "the check writes nothing";
}

}  // namespace
}  // namespace vestrel::backup
