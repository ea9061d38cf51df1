// The browser's steps on the sample phone: the list's order, selections with a file that fails
// among files that do not, and the guard a copy holds.
#include "phonefiles/Browser.h"

#include "tests/phonefiles/files_fixture.h"

namespace vestrel::phonefilestest {
namespace {

using phonefiles::Browser;
using phonefiles::Failure;
using phonefiles::FileOutcome;
using ::testing::ElementsAre;

std::vector<Failure> KindsOf(const std::vector<FileOutcome>& outcomes) {
  std::vector<Failure> kinds;
  for (const auto& outcome : outcomes) kinds.push_back(outcome.result.failure);
  return kinds;
}

class BrowserTest : public PhoneFilesTest {
 public:
  Browser browser;
};

TEST_F(BrowserTest, AVolumeIsReadWithItsFreeSpaceAndRowsSortedByTheirNumberAsText) {
  std::vector<int> progress;
  const auto listing = browser.Read(item, "/a", [&](std::int64_t read, std::int64_t counted) {
    EXPECT_GE(counted, read);
    progress.push_back(static_cast<int>(read));
    return true;
  });
  ASSERT_TRUE(listing.result.ok()) << listing.result.message;
  ASSERT_EQ(listing.files.size(), 13u);
  EXPECT_EQ(progress.size(), 13u);
  EXPECT_EQ(progress.back(), 13);
  ASSERT_TRUE(listing.freeBytes.has_value());

  const auto rows = phonefiles::RowsByNumberText(listing.files);
  std::vector<int> numbers;
  for (const auto& row : rows) numbers.push_back(row.number);
  EXPECT_EQ(numbers, (std::vector<int>{1, 10, 11, 12, 13, 2, 3, 4, 5, 6, 7, 8, 9}));
  // Each number stays with the file read in that place.
  for (const auto& row : rows) EXPECT_EQ(row.file, listing.files.at(row.number - 1));

  EXPECT_EQ(browser.Read(item, "/x", {}).result.failure, Failure::NotFound);
}

TEST_F(BrowserTest, DeletingASelectionDeletesWhatItCanAndSaysWhyEachOtherFileStayed) {
  const auto outcomes = browser.Delete(item, {"/a/mobile/audio/Alarm.mp3", "/a/mobile/readme.txt",
                                              "/a/mobile/gone.txt", "/a/mobile/kjava/Game.jar"});
  EXPECT_THAT(KindsOf(outcomes),
              ElementsAre(Failure::None, Failure::ReadOnly, Failure::NotFound, Failure::None));
  EXPECT_EQ(PhoneFile("/a/mobile/audio/Alarm.mp3"), nullptr);
  EXPECT_EQ(PhoneFile("/a/mobile/kjava/Game.jar"), nullptr);
  ASSERT_NE(PhoneFile("/a/mobile/readme.txt"), nullptr);
  EXPECT_EQ(PhoneFile("/a/mobile/readme.txt")->size(), 71u);

  const auto failed = phonefiles::FailedOnly(outcomes);
  ASSERT_EQ(failed.size(), 2u);
  EXPECT_EQ(failed[0].phoneName, "/a/mobile/readme.txt");
  EXPECT_EQ(failed[1].phoneName, "/a/mobile/gone.txt");
}

TEST_F(BrowserTest, ANameThatCannotBeAHostFileIsSkippedAndTheOthersAreSaved) {
  for (const char* name : {"/a/mobile/D:evil", "/a/mobile/c:d", "/a/mobile/..", "/a/mobile/a\\b"}) {
    personality->MutableState().files[name] = virtualphone::PhoneFile{0, 0, Pattern(10, 1)};
  }
  const auto outcomes = browser.Save(item,
                                     {"/a/mobile/D:evil", "/a/mobile/audio/Ring01.mid",
                                      "/a/mobile/c:d", "/a/mobile/..", "/a/mobile/a\\b"},
                                     host.path(), {});
  EXPECT_THAT(KindsOf(outcomes),
              ElementsAre(Failure::NoHostName, Failure::None, Failure::NoHostName,
                          Failure::NoHostName, Failure::NoHostName));
  EXPECT_EQ(outcomes[1].hostPath, host.path() / "Ring01.mid");
  EXPECT_EQ(ReadBytes(host.path() / "Ring01.mid"), *PhoneFile("/a/mobile/audio/Ring01.mid"));
  // Nothing else was written inside the folder or beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(host.path()), fs::directory_iterator()), 1);
  EXPECT_FALSE(fs::exists(host.path().parent_path() / "evil"));
}

TEST_F(BrowserTest, AFolderThatCannotTakeFilesEndsTheSaveAtItsFirstFile) {
  const fs::path missing = host.path() / "not-there";
  const auto outcomes =
      browser.Save(item, {"/a/mobile/audio/Ring01.mid", "/a/mobile/audio/Alarm.mp3"}, missing, {});
  EXPECT_THAT(KindsOf(outcomes), ElementsAre(Failure::HostFile));
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(BrowserTest, ACopyHoldsTheGuardWhileItsProgressRunsAndReleasesItAfterwards) {
  std::vector<bool> seen;
  phonefiles::TransferOptions options;
  options.progress = [&](std::int64_t, std::int64_t) {
    seen.push_back(browser.Copying());
    return true;
  };
  browser.Save(item, {"/a/mobile/picture/Photo001.jpg"}, host.path(), options);
  const fs::path source = host.path() / "Photo001.jpg";
  browser.Upload(item, source, "/a/mobile/copy.jpg", options);
  EXPECT_FALSE(browser.Copying());
  ASSERT_GE(seen.size(), 2u);
  EXPECT_THAT(seen, ::testing::Each(true));
  ASSERT_NE(PhoneFile("/a/mobile/copy.jpg"), nullptr);
  EXPECT_EQ(*PhoneFile("/a/mobile/copy.jpg"), ReadBytes(source));
}

TEST_F(BrowserTest, AnUploadNameThePhoneCannotWriteIsRefusedBeforeAnythingIsSent) {
  const fs::path source = host.path() / "tune.mid";
  WriteBytes(source, Pattern(100, 3));
  const auto before = personality->State().files;
  const auto refused =
      browser.Upload(item, source, "/a/mobile/\xE4\xB8\xAD.mid", {});  // a Han letter
  EXPECT_EQ(refused.result.failure, Failure::NotPhoneText);
  EXPECT_EQ(personality->State().files, before);

  // Cyrillic is in the phone's encoding: the file arrives under its 8-bit name.
  const auto sent = browser.Upload(item, source, "/a/mobile/\xD0\x97.mid", {});  // "З"
  ASSERT_TRUE(sent.result.ok()) << sent.result.message;
  EXPECT_EQ(sent.phoneName, "/a/mobile/\xC7.mid");
  EXPECT_EQ(*PhoneFile("/a/mobile/\xC7.mid"), Pattern(100, 3));
}

}  // namespace
}  // namespace vestrel::phonefilestest
