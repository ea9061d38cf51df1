// Host files: what a download may and may not do to the destination and its folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "phonefiles/HostFile.h"
#include "tests/phonefiles/files_fixture.h"

namespace vestrel::phonefilestest {
namespace {

using phonefiles::HostError;
using phonefiles::HostSource;
using phonefiles::HostTarget;

const Bytes kNew = Pattern(700, 1);
const Bytes kOld = Pattern(300, 2);

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool WriteAndCommit(const fs::path& destination, bool force, HostError& error) {
  auto target = HostTarget::Open(destination, force, error);
  if (!target) return false;
  const bool ok = target->Write(kNew) && target->Commit();
  if (!ok) error = target->Error();
  return ok;
}

class HostFiles : public ::testing::Test {
 protected:
  testing::TempFolder dir;
};

TEST_F(HostFiles, TheDestinationIsReplacedOnlyWhenTheCopyIsWhole) {
  const fs::path file = dir / "photo.jpg";
  WriteBytes(file, kOld);
  HostError error;
  auto target = HostTarget::Open(file, false, error);
  ASSERT_TRUE(target) << error.Describe();
  ASSERT_TRUE(target->Write(kNew));
  // Meanwhile the old file is untouched and the copy sits beside it under a name of its own.
  EXPECT_EQ(ReadBytes(file), kOld);
  EXPECT_EQ(target->Temporary().parent_path(), dir.path());
  EXPECT_NE(target->Temporary(), fs::path(file.string() + ".partial"));
  ASSERT_TRUE(target->Commit());
  EXPECT_EQ(ReadBytes(file), kNew);
  EXPECT_THAT(Entries(dir.path()), ::testing::ElementsAre("photo.jpg"));
}

TEST_F(HostFiles, ADiscardedOrDestroyedTargetLeavesNothingAndTheOldFileAsItWas) {
  const fs::path file = dir / "photo.jpg";
  WriteBytes(file, kOld);
  HostError error;
  {
    auto target = HostTarget::Open(file, false, error);
    ASSERT_TRUE(target);
    target->Write(kNew);
  }
  auto target = HostTarget::Open(dir / "new.jpg", false, error);
  ASSERT_TRUE(target);
  target->Write(kNew);
  target->Discard();
  EXPECT_EQ(ReadBytes(file), kOld);
  EXPECT_THAT(Entries(dir.path()), ::testing::ElementsAre("photo.jpg"));
}

TEST_F(HostFiles, ALinkPlantedAtTheOldTemporaryNameIsNeverFollowed) {
  const fs::path outside = dir / "outside";
  WriteBytes(outside, kOld);
  fs::create_directory(dir / "inside");
  fs::create_symlink(outside, dir / "inside" / "photo.jpg.partial");
  HostError error;
  ASSERT_TRUE(WriteAndCommit(dir / "inside" / "photo.jpg", false, error)) << error.Describe();
  EXPECT_EQ(ReadBytes(outside), kOld);
  EXPECT_TRUE(fs::is_symlink(dir / "inside" / "photo.jpg.partial"));
  EXPECT_EQ(ReadBytes(dir / "inside" / "photo.jpg"), kNew);
}

TEST_F(HostFiles, ASymlinkIsWrittenThroughAndStaysALink) {
  fs::create_directory(dir / "real");
  WriteBytes(dir / "real" / "target.bin", kOld);
  fs::create_symlink("real/target.bin", dir / "link.bin");
  HostError error;
  ASSERT_TRUE(WriteAndCommit(dir / "link.bin", false, error)) << error.Describe();
  EXPECT_TRUE(fs::is_symlink(dir / "link.bin"));
  EXPECT_EQ(ReadBytes(dir / "real" / "target.bin"), kNew);
  // A dangling link makes its target.
  fs::create_symlink("real/made.bin", dir / "dangling.bin");
  ASSERT_TRUE(WriteAndCommit(dir / "dangling.bin", false, error)) << error.Describe();
  EXPECT_EQ(ReadBytes(dir / "real" / "made.bin"), kNew);
}

TEST_F(HostFiles, AFifoAndADeviceAreWrittenDirectlyAndStayWhatTheyAre) {
  const fs::path fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  HostError error;
  // Nobody reads it: a clear failure, not a hang.
  EXPECT_FALSE(HostTarget::Open(fifo, false, error));
  EXPECT_EQ(error.code, std::error_code(ENXIO, std::generic_category()));

  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_TRUE(WriteAndCommit(fifo, false, error)) << error.Describe();
  Bytes got(kNew.size() + 1);
  EXPECT_EQ(::read(reader, got.data(), got.size()), static_cast<ssize_t>(kNew.size()));
  ::close(reader);
  EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);

  ASSERT_TRUE(WriteAndCommit("/dev/null", false, error)) << error.Describe();
  EXPECT_EQ(fs::status("/dev/null").type(), fs::file_type::character);
}

TEST_F(HostFiles, AReadOnlyDestinationIsRefusedUnlessForcedAndKeepsItsMode) {
  const fs::path file = dir / "kept.bin";
  WriteBytes(file, kOld);
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
  HostError error;
  EXPECT_FALSE(WriteAndCommit(file, false, error));
  EXPECT_EQ(error.kind, HostError::ReadOnly);
  EXPECT_EQ(error.Describe(), file.string() + " is read-only");
  EXPECT_EQ(ReadBytes(file), kOld);

  ASSERT_TRUE(WriteAndCommit(file, true, error)) << error.Describe();
  EXPECT_EQ(ReadBytes(file), kNew);
  EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::group_read);
}

TEST_F(HostFiles, AFolderOrAMissingFolderIsAClearError) {
  HostError error;
  EXPECT_FALSE(HostTarget::Open(dir.path(), false, error));
  EXPECT_EQ(error.code, std::error_code(EISDIR, std::generic_category()));
  EXPECT_FALSE(HostTarget::Open(dir / "no" / "file", false, error));
  EXPECT_EQ(error.Describe(),
            "cannot write " + (dir / "no" / "file").string() + ": No such file or directory");
}

TEST_F(HostFiles, ASourceReadsItsWholeSizeAndRefusesWhatIsNotAFile) {
  WriteBytes(dir / "up", kNew);
  HostError error;
  auto source = HostSource::Open(dir / "up", error);
  ASSERT_TRUE(source);
  EXPECT_EQ(source->Size(), 700);
  Bytes block(500);
  EXPECT_EQ(source->Read(block), 500);
  // The file shrinks underneath: a failure, not a short copy passed off as whole.
  ::truncate((dir / "up").c_str(), 600);
  EXPECT_EQ(source->Read(block), -1);
  EXPECT_THAT(source->Error().Describe(), ::testing::HasSubstr("got shorter"));

  EXPECT_FALSE(HostSource::Open(dir.path(), error));
  EXPECT_FALSE(HostSource::Open(dir / "missing", error));
  EXPECT_EQ(error.Describe(),
            "cannot read " + (dir / "missing").string() + ": No such file or directory");
}

}  // namespace
}  // namespace vestrel::phonefilestest
