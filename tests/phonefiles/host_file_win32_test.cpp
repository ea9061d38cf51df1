// Host files on Windows: the read-only attribute, devices, and a destination held open.
#include "tests/phonefiles/host_files_fixture.h"

// After the phone link's headers: windows.h defines GetFreeSpace as a macro.
#include <windows.h>

namespace vestrel::phonefilestest {
namespace {

DWORD Attributes(const fs::path& path) { return GetFileAttributesW(path.c_str()); }

TEST_F(HostFiles, AReadOnlyFileIsRefusedUnlessForcedAndStaysReadOnly) {
  const fs::path file = dir / "kept.bin";
  WriteBytes(file, kOld);
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  HostError error;
  EXPECT_FALSE(WriteAndCommit(file, false, error));
  EXPECT_EQ(error.kind, HostError::ReadOnly);
  EXPECT_EQ(ReadBytes(file), kOld);

  ASSERT_TRUE(WriteAndCommit(file, true, error)) << error.Describe();
  EXPECT_EQ(ReadBytes(file), kNew);
  EXPECT_TRUE(Attributes(file) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(Attributes(file) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_THAT(Entries(dir.path()), ::testing::ElementsAre("kept.bin"));
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(HostFiles, TheNullDeviceIsWrittenDirectlyUnderAnyFolder) {
  for (const fs::path& device : {fs::path("NUL"), dir / "nul"}) {
    HostError error;
    auto target = HostTarget::Open(device, false, error);
    ASSERT_TRUE(target) << error.Describe();
    EXPECT_TRUE(target->Temporary().empty());
    EXPECT_TRUE(target->Write(kNew));
    EXPECT_TRUE(target->Commit()) << target->Error().Describe();
  }
  EXPECT_TRUE(Entries(dir.path()).empty());
}

TEST_F(HostFiles, ADestinationHeldOpenByAnotherProgramStaysAndTheCopyGoes) {
  const fs::path file = dir / "busy.bin";
  WriteBytes(file, kOld);
  HANDLE holder = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  HostError error;
  EXPECT_FALSE(WriteAndCommit(file, false, error));
  EXPECT_THAT(error.Describe(), ::testing::StartsWith("cannot rename the copy to "));
  CloseHandle(holder);
  EXPECT_EQ(ReadBytes(file), kOld);
  EXPECT_THAT(Entries(dir.path()), ::testing::ElementsAre("busy.bin"));
}

}  // namespace
}  // namespace vestrel::phonefilestest
