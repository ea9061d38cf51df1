// Every flash fault at every frame of a backup on the virtual clock: no crash, no wait longer
// than two time-outs (its own and the drain's) per frame the phone failed, no element reported
// saved unless its file holds the phone's memory, and every host file either as it was, whole, or a
// part visibly kept apart.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "backup/BackupRun.h"
#include "platform/fake/RecordingShell.h"
#include "tests/support/PhoneRig.h"
#include "tests/support/TempFolder.h"

namespace vestrel::backup {
namespace {

namespace fs = std::filesystem;
using virtualphone::FlashFault;
using virtualphone::PhoneMode;
using virtualphone::VirtualFlash;
using Bytes = std::vector<std::uint8_t>;

struct SweptFault {
  const char* name;
  FlashFault fault;
  bool onwards;
};
constexpr SweptFault kFaults[] = {
    {"vanish", FlashFault::Vanish, false},         {"silent once", FlashFault::Silent, false},
    {"silent from n", FlashFault::Silent, true},   {"short", FlashFault::Short, false},
    {"garbled", FlashFault::Garbled, false},       {"refused (ERR)", FlashFault::Error, false},
    {"write failed", FlashFault::Reject, false},   {"lost", FlashFault::Dropped, false},
    {"late write", FlashFault::Late, false},       {"late reply", FlashFault::LateReply, false},
    {"duplicated", FlashFault::Duplicated, false},
};

// Two elements of 1024 bytes each: five "READ"s apiece (256, 248, 256, 248, 16 bytes) after the
// loader's five frames.
struct Element {
  std::size_t slot;
  const char* group;
  const char* start;
  const char* end;
  std::uint32_t address;
};
constexpr Element kElements[] = {{2, "CG3", "10040000", "100403FF", 0x10040000},
                                 {9, "CG18", "10B1F800", "10B1FBFF", 0x10B1F800}};
constexpr std::size_t kElementSize = 1024;
const std::string kOldBackup = "the backup of last week";

struct QuietUser final : BackupUser {
  fs::path folder;
  std::vector<std::string> log;
  fs::path ChooseFolder(const std::string&) override { return folder; }
  fs::path ChooseSaveFile(const std::string&) override { return {}; }
  void ShowError(const std::string&, const std::string&) override {}
  void AppendLog(const std::string& line) override { log.push_back(line.substr(10)); }
  void SetStatus(const std::string&) override {}
  void Progress(std::int32_t, std::int32_t) override {}
  void SetControlsLocked(bool) override {}
  void RequestClose() override {}
};

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// How many leading bytes of the file are the phone's memory from `start`; -1 when any is not.
long long MemoryPrefix(const fs::path& file, std::uint32_t start) {
  const Bytes bytes = ReadBytes(file);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != VirtualFlash::MemoryByte(start + static_cast<std::uint32_t>(i))) return -1;
  }
  return static_cast<long long>(bytes.size());
}

// One backup on a fresh phone and folder; CG18 already has an older file.
struct BackupOnce {
  std::vector<testing::DebugLine> lines;  // outlives the item, which reports as it closes
  testing::TempFolder home;
  fs::path out = home / "out";
  testing::PhoneRig rig;
  std::shared_ptr<virtualphone::VirtualPhone> phone = rig.plug("F", PhoneMode::Flash);
  std::unique_ptr<phonelink::TMotoFlashMode> watcher;
  std::shared_ptr<phonelink::TMotoFlashModemItem> item;
  QuietUser user;
  BackupLog log;
  platform::RecordingShell shell{home / "vestrel"};
  AppliedModel model;

  BackupOnce() {
    fs::create_directories(home / "Profiles");
    fs::create_directories(out);
    std::ofstream(home / "Profiles" / "0823.ldr", std::ios::binary) << std::string(9000, 'L');
    std::ofstream(out / "CG18_10B1F800.bin", std::ios::binary) << kOldBackup;
    model.Apply(*FindModel("C380"), home.path());
    for (auto& slot : model.slots) slot.ticked = false;
    for (const Element& e : kElements) {
      model.slots[e.slot] = {true, true, 0, e.group, e.start, e.end};
    }
    watcher = std::make_unique<phonelink::TMotoFlashMode>(rig.context);
    item = watcher->DeviceList().Items(0);
    EXPECT_TRUE(item && item->OpenPhone());
    item->SetOnDebugEvent(testing::RecordInto<phonelink::TMotoFlashModemItem>(lines));
    user.folder = out;
  }

  BackupRun::Outcome Run() {
    BackupRun run(user, log, shell);
    return run.SaveFlash(item, model, false);
  }

  // Frames the phone failed to accept (or, for "POWER_DOWN", to take): each may cost a wait.
  std::size_t FailedFrames() const {
    std::size_t failed = 0;
    for (const auto& line : lines) {
      if (line.type == phonelink::dtError && (line.subError || line.text == "Power Off Failed"))
        ++failed;
    }
    return failed;
  }
};

struct Counts {
  int runs = 0, whole = 0, failed = 0, elementsSaved = 0, elementsFailed = 0, keptApart = 0;
  int damaged = 0, lost = 0;
  std::uint32_t longestMs = 0;
};

TEST(BackupSweep, EveryFaultAtEveryFrameLeavesFilesOldWholeOrVisiblyApart) {
  std::size_t frames = 0;
  {
    BackupOnce clean;
    const auto outcome = clean.Run();
    ASSERT_EQ(outcome.saved, 2);
    frames = clean.phone->flash().framesTaken().size();
    ASSERT_EQ(frames, 16u) << "ADDR BIN ADDR BIN JUMP, 10 READ, POWER_DOWN";
  }
  Counts counts;
  std::printf("%-14s %5s %7s %9s %8s %5s %9s\n", "fault", "runs", "failed", "truthful", "damaged",
              "lost", "worst ms");
  for (const SweptFault& swept : kFaults) {
    Counts row;
    for (std::uint32_t at = 0; at < frames; ++at) {
      BackupOnce run;
      run.phone->flash().failFrame(swept.fault, {}, at, swept.onwards);
      const std::uint32_t start = run.rig.clock.tickCount();
      const auto outcome = run.Run();
      const std::uint32_t waited = run.rig.clock.tickCount() - start;
      const std::string where = std::string(swept.name) + " at frame " + std::to_string(at);
      ++counts.runs;
      ++row.runs;
      counts.longestMs = std::max(counts.longestMs, waited);
      row.longestMs = std::max(row.longestMs, waited);
      // A silent "JUMP" passes, but its silence is drained before the first "READ".
      EXPECT_LE(waited, (2 * run.FailedFrames() + 2) * run.item->TimeOut()) << where;
      bool truthful = true;

      int whole = 0;
      for (const Element& e : kElements) {
        const fs::path file = run.out / (std::string(e.group) + "_" + e.start + ".bin");
        const bool said = std::count(run.user.log.begin(), run.user.log.end(),
                                     std::string(e.group) + " успешно сохранена") == 1;
        const bool failureSaid =
            std::any_of(run.user.log.begin(), run.user.log.end(), [&](const std::string& line) {
              return line.rfind(std::string(e.group) + " не сохранена: ", 0) == 0;
            });
        EXPECT_NE(said, failureSaid) << where << ", " << e.group;
        truthful = truthful && said != failureSaid;
        if (said) {
          ++whole;
          const bool right = MemoryPrefix(file, e.address) == static_cast<long long>(kElementSize);
          EXPECT_TRUE(right) << where << ", " << e.group << " reported saved";
          row.damaged += right ? 0 : 1;
        } else if (e.address == 0x10B1F800) {
          const Bytes old = ReadBytes(file);
          const bool kept = std::string(old.begin(), old.end()) == kOldBackup;
          EXPECT_TRUE(kept) << where;
          row.lost += kept ? 0 : 1;
        } else {
          EXPECT_FALSE(fs::exists(file)) << where;
          row.damaged += fs::exists(file) ? 1 : 0;
        }
      }
      EXPECT_EQ(outcome.saved, whole) << where;
      truthful = truthful && outcome.saved == whole;
      if (whole < 2) ++row.failed;
      if (whole < 2 && truthful) ++row.whole;
      counts.elementsSaved += whole;
      counts.elementsFailed += 2 - whole;
      (whole == 2 ? counts.whole : counts.failed)++;

      // Nothing else is left in the folder but parts that say what they are.
      std::size_t parts = 0;
      for (const auto& entry : fs::directory_iterator(run.out)) {
        const std::string name = entry.path().filename().string();
        if (name == "CG3_10040000.bin" || name == "CG18_10B1F800.bin" || name == "SHA256SUMS" ||
            name == "BACKUP.txt") {
          continue;
        }
        ++parts;
        EXPECT_NE(std::find(outcome.keptApart.begin(), outcome.keptApart.end(), entry.path()),
                  outcome.keptApart.end())
            << where << ": " << name << " is not a part the run told of";
        const bool cg3 = name.rfind("CG3_10040000.bin.incomplete.", 0) == 0;
        const bool cg18 = name.rfind("CG18_10B1F800.bin.incomplete.", 0) == 0;
        ASSERT_TRUE(cg3 || cg18) << where << ": " << name;
        const long long prefix = MemoryPrefix(entry.path(), cg3 ? 0x10040000 : 0x10B1F800);
        EXPECT_GT(prefix, 0) << where << ": " << name;
        EXPECT_LT(prefix, static_cast<long long>(kElementSize)) << where << ": " << name;
      }
      EXPECT_EQ(parts, outcome.keptApart.size()) << where;
      counts.keptApart += static_cast<int>(parts);
    }
    // "failed": runs in which an element was not saved; "truthful": those of them whose log and
    // outcome told every element's fate as the files show it.
    std::printf("%-14s %5d %7d %9d %8d %5d %9u\n", swept.name, row.runs, row.failed, row.whole,
                row.damaged, row.lost, row.longestMs);
    counts.damaged += row.damaged;
    counts.lost += row.lost;
  }
  std::printf(
      "backup: %zu frames, %d runs, %d whole, %d with a failed element (%d elements saved, %d "
      "failed, %d parts kept apart), longest %u ms\n",
      frames, counts.runs, counts.whole, counts.failed, counts.elementsSaved, counts.elementsFailed,
      counts.keptApart, counts.longestMs);
  EXPECT_EQ(counts.damaged, 0);
  EXPECT_EQ(counts.lost, 0);
  EXPECT_GT(counts.failed, 0);
  EXPECT_GT(counts.keptApart, 0);
}

}  // namespace
}  // namespace vestrel::backup
