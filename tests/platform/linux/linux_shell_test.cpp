#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "platform/linux/LinuxShell.h"
#include "tests/support/TempFolder.h"

namespace vestrel::platform {
namespace {

using testing::readText;
using testing::TempFolder;
using testing::writeText;

// The started programs run detached, so their traces are waited for (a few seconds at most).
// Each trace takes its name only once whole, so it is never read half-written.
std::string awaitText(const std::filesystem::path& file) {
  for (int i = 0; i < 500 && !std::filesystem::exists(file); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return readText(file);
}

std::filesystem::path script(const TempFolder& temp, const std::string& name,
                             const std::string& body) {
  auto path = temp / name;
  writeText(path, "#!/bin/sh\n" + body);
  chmod(path.c_str(), 0755);
  return path;
}

TEST(LinuxShellTest, TheAddressReachesTheOpenerUntouched) {
  TempFolder temp;
  auto opener = script(temp, "opener",
                       "printf '%s' \"$1\" > \"$(dirname \"$0\")/o.tmp\"\n"
                       "mv \"$(dirname \"$0\")/o.tmp\" \"$(dirname \"$0\")/opened\"\n");
  LinuxShell shell(opener.string());
  const std::string address = "http://x.example/?a=1&b=$(touch pwned);`touch pwned2` 'q\"";
  ASSERT_TRUE(shell.openAddress(address));
  EXPECT_EQ(awaitText(temp / "opened"), address);
  EXPECT_FALSE(std::filesystem::exists(temp / "pwned"));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "pwned2"));

  EXPECT_FALSE(LinuxShell((temp / "no-such-opener").string()).openAddress("mailto:a@b.example"));
}

TEST(LinuxShellTest, ProgramsStartInTheirFolderWithTheirArguments) {
  TempFolder temp;
  auto program =
      script(temp, "archiver",
             "{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > s.tmp && mv s.tmp started\n");
  std::filesystem::create_directory(temp / "work dir");
  LinuxShell shell;
  ASSERT_TRUE(shell.startProgram(program, {"a", "-df", "two words"}, temp / "work dir"));
  EXPECT_EQ(awaitText(temp / "work dir/started"),
            (temp / "work dir").string() + "\n[a]\n[-df]\n[two words]\n");

  EXPECT_FALSE(shell.startProgram(program, {}, temp / "missing folder"));
  EXPECT_FALSE(shell.startProgram(temp / "missing program", {}, temp.path()));
}

// runProgram returns only once the program ended, with its exit code: the trace is there at once.
TEST(LinuxShellTest, ARunProgramIsWaitedForAndGivesItsExitCode) {
  TempFolder temp;
  auto program = script(temp, "archiver",
                        "{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > ran; echo noise; "
                        "exit \"$1\"\n");
  std::filesystem::create_directory(temp / "work dir");
  LinuxShell shell;
  EXPECT_EQ(shell.runProgram(program, {"3", "two words"}, temp / "work dir"), 3);
  EXPECT_EQ(readText(temp / "work dir/ran"), (temp / "work dir").string() + "\n[3]\n[two words]\n");
  EXPECT_EQ(shell.runProgram(program, {"0"}, temp / "work dir"), 0);

  EXPECT_EQ(shell.runProgram(program, {"0"}, temp / "missing folder"), std::nullopt);
  EXPECT_EQ(shell.runProgram(temp / "missing program", {}, temp.path()), std::nullopt);
  auto killed = script(temp, "killed", "kill -KILL $$\n");
  EXPECT_EQ(shell.runProgram(killed, {}, temp.path()), std::nullopt);
}

TEST(LinuxShellTest, ProgramHomeIsVestrelHomeOrTheExecutablesFolder) {
  LinuxShell shell;
  auto exe = shell.executablePath();
  EXPECT_EQ(exe.filename(), "linux_tests");
  EXPECT_TRUE(exe.is_absolute());

  const char* saved = std::getenv("VESTREL_HOME");
  std::string savedValue = saved ? saved : "";
  unsetenv("VESTREL_HOME");
  EXPECT_EQ(shell.programHome(), exe.parent_path());
  setenv("VESTREL_HOME", "/srv/vestrel", 1);
  EXPECT_EQ(shell.programHome(), "/srv/vestrel");
  if (saved)
    setenv("VESTREL_HOME", savedValue.c_str(), 1);
  else
    unsetenv("VESTREL_HOME");
}

TEST(LinuxShellTest, AnInstalledProgramFindsItsFilesInTheDesktopsDataFolders) {
  setenv("VESTREL_HOME", "/nonexistent/program", 1);
  setenv("XDG_DATA_HOME", "/home/u/.data", 1);
  setenv("XDG_DATA_DIRS", "/opt/share:relative:/usr/share", 1);
  LinuxShell shell;
  EXPECT_EQ(shell.dataFolders(),
            (std::vector<std::filesystem::path>{"/nonexistent/program", "/home/u/.data/vestrel",
                                                "/opt/share/vestrel", "/usr/share/vestrel"}));
  // A program folder nobody may write keeps its log in the user's state folder.
  const testing::TempFolder temp;
  const auto state = temp / "state";
  std::filesystem::remove_all(state);
  setenv("XDG_STATE_HOME", state.c_str(), 1);
  EXPECT_EQ(shell.stateFolder(), state / "vestrel");
  EXPECT_TRUE(std::filesystem::is_directory(state / "vestrel"));
  setenv("VESTREL_HOME", state.c_str(), 1);
  EXPECT_EQ(shell.stateFolder(), state);
  for (const char* name : {"VESTREL_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_STATE_HOME"}) {
    unsetenv(name);
  }
  std::filesystem::remove_all(state);
}

}  // namespace
}  // namespace vestrel::platform
