// Host files on Linux: links, FIFOs, devices and permission bits.
#include <fcntl.h>
#include <unistd.h>

#include "tests/phonefiles/host_files_fixture.h"

namespace vestrel::phonefilestest {
namespace {

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

}  // namespace
}  // namespace vestrel::phonefilestest
