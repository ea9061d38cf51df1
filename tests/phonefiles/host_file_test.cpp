// Host files: what a download may and may not do to the destination and its folder.
#include "tests/phonefiles/host_files_fixture.h"

namespace vestrel::phonefilestest {
namespace {

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
  EXPECT_NE(target->Temporary().filename(), fs::path("photo.jpg.partial"));
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

TEST_F(HostFiles, AFolderOrAMissingFolderIsAClearError) {
  HostError error;
  EXPECT_FALSE(HostTarget::Open(dir.path(), false, error));
  EXPECT_EQ(error.code, std::error_code(EISDIR, std::generic_category()));
  EXPECT_FALSE(HostTarget::Open(dir / "no" / "file", false, error));
  EXPECT_EQ(error.Describe(), "cannot write " + platform::Utf8FromPath(dir / "no" / "file") +
                                  ": No such file or directory");
}

// One holder at a time, also within one process; the lock goes with its handle.
TEST_F(HostFiles, ALockFileIsHeldByOneHandleUntilItCloses) {
  using platform::HostFileHandle;
  std::error_code error;
  auto first = HostFileHandle::OpenLockFile(dir / "lock", error);
  auto second = HostFileHandle::OpenLockFile(dir / "lock", error);
  ASSERT_TRUE(first.isOpen() && second.isOpen()) << error.message();
  EXPECT_TRUE(first.tryLock(error));
  EXPECT_FALSE(second.tryLock(error));
  EXPECT_FALSE(error) << error.message();
  EXPECT_FALSE(first.close());
  EXPECT_TRUE(second.tryLock(error));

  EXPECT_FALSE(HostFileHandle::OpenLockFile(dir / "no" / "lock", error).isOpen());
  EXPECT_EQ(error, std::error_code(ENOENT, std::generic_category()));
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
  fs::resize_file(dir / "up", 600);
  EXPECT_EQ(source->Read(block), -1);
  EXPECT_THAT(source->Error().Describe(), ::testing::HasSubstr("got shorter"));

  EXPECT_FALSE(HostSource::Open(dir.path(), error));
  EXPECT_FALSE(HostSource::Open(dir / "missing", error));
  EXPECT_EQ(error.Describe(), "cannot read " + platform::Utf8FromPath(dir / "missing") +
                                  ": No such file or directory");
}

// Names are UTF-8 in the program; on Windows they must reach the disk as the same characters.
TEST_F(HostFiles, AUtf8NameIsTheNameOnDiskForTargetsSourcesAndKeptFiles) {
  const std::string name = "Мелодия №1.mp3";
  const fs::path file = dir.path() / platform::PathFromUtf8(name);
  HostError error;
  ASSERT_TRUE(WriteAndCommit(file, false, error)) << error.Describe();
  EXPECT_THAT(Entries(dir.path()), ::testing::ElementsAre(name));
  auto source = HostSource::Open(file, error);
  ASSERT_TRUE(source) << error.Describe();
  EXPECT_EQ(source->Size(), static_cast<std::int64_t>(kNew.size()));

  auto kept = phonefiles::KeptFile::Create(dir.path(), "Копия", error);
  ASSERT_TRUE(kept) << error.Describe();
  ASSERT_TRUE(kept->Write(kOld) && kept->Close());
  EXPECT_THAT(platform::Utf8FromPath(kept->Path().filename()), ::testing::StartsWith("Копия."));
  EXPECT_EQ(ReadBytes(kept->Path()), kOld);
  EXPECT_FALSE(HostSource::Open(dir.path() / platform::PathFromUtf8("Нет.mp3"), error));
  EXPECT_THAT(error.Describe(), ::testing::EndsWith("Нет.mp3: No such file or directory"));
}

}  // namespace
}  // namespace vestrel::phonefilestest
