// The host file system's link query, the same on Linux and on Windows: a name is a link only
// when it is one itself, whatever it leads to, and what it leads to never answers for it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/HostFileSystem.h"
#include "tests/platform/HostLinks.h"
#include "tests/support/TempFolder.h"

namespace vestrel::platform {
namespace {

namespace fs = std::filesystem;

class HostLink : public ::testing::Test {
 protected:
  testing::TempFolder dir;
  fs::path folder = dir / "folder";
  fs::path file = dir / "file.txt";

  void SetUp() override {
    fs::create_directory(folder);
    std::ofstream(file) << "text";
  }

  // The query's answer, or the failure's name as text.
  std::string Ask(const fs::path& path) {
    bool link = true;
    const auto error = IsHostLink(path, link);
    if (error) return error == std::errc::no_such_file_or_directory ? "missing" : error.message();
    return link ? "link" : "plain";
  }

  // Skips the test where the host makes no link from a program; Stopped() tells the test so.
  void Link(const fs::path& target, const fs::path& link) {
    const auto error = testing::MakeHostLink(target, link);
    if (testing::NoLinksHere(error)) GTEST_SKIP() << "this host makes no link from a program";
    ASSERT_FALSE(error) << "cannot make " << link << ": " << error.message();
    made_.push_back(link);
  }
  static bool Stopped() { return IsSkipped() || HasFatalFailure(); }

  // Links go first, so that clearing the folder never goes through one.
  void TearDown() override {
    for (const auto& link : made_) testing::RemoveHostLink(link);
  }

 private:
  std::vector<fs::path> made_;
};

TEST_F(HostLink, FilesAndFoldersAreNoLinksAndAMissingNameIsNoSuchFile) {
  EXPECT_EQ(Ask(file), "plain");
  EXPECT_EQ(Ask(folder), "plain");
  EXPECT_EQ(Ask(dir / "nothing"), "missing");
  EXPECT_EQ(Ask(dir / "nothing" / "below"), "missing");
}

TEST_F(HostLink, ALinkIsOneWhateverItLeadsTo) {
  Link(folder, dir / "to-folder");
  Link(file, dir / "to-file");
  Link(dir / "gone", dir / "to-nothing");
  if (Stopped()) return;
  EXPECT_EQ(Ask(dir / "to-folder"), "link");
  EXPECT_EQ(Ask(dir / "to-file"), "link");
  EXPECT_EQ(Ask(dir / "to-nothing"), "link");
  // What lies behind a folder link is itself no link.
  std::ofstream(folder / "inside.txt") << "x";
  EXPECT_EQ(Ask(dir / "to-folder" / "inside.txt"), "plain");
  // The targets are untouched by the question.
  EXPECT_EQ(Ask(folder), "plain");
  EXPECT_EQ(Ask(file), "plain");
}

TEST_F(HostLink, AUtf8NameIsAskedAsTheNameOnDisk) {
  const fs::path cyrillic = dir.path() / PathFromUtf8("Ссылка");
  Link(folder, cyrillic);
  if (Stopped()) return;
  EXPECT_EQ(Ask(cyrillic), "link");
  EXPECT_EQ(Ask(dir.path() / PathFromUtf8("Папка")), "missing");
}

}  // namespace
}  // namespace vestrel::platform
