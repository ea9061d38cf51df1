// The program's command line.
#include <gmock/gmock.h>

#include "app/ProgramOptions.h"
#include "platform/HostFileSystem.h"

namespace vestrel::app {
namespace {

TEST(ProgramOptions, TakesTheVirtualPhoneItsFolderShowAndTrace) {
  const auto options =
      ParseProgramOptions({"--virtual-phone=/tmp/phone", "--show", "--trace", "wire.txt"});
  EXPECT_TRUE(options.host.virtualPhone);
  EXPECT_EQ(options.host.phoneFolder, std::filesystem::path("/tmp/phone"));
  EXPECT_EQ(options.host.trace, std::filesystem::path("wire.txt"));
  EXPECT_TRUE(options.show);
  const auto plain = ParseProgramOptions({});
  EXPECT_FALSE(plain.host.virtualPhone);
  EXPECT_FALSE(plain.show);
}

// The trace in either form, and paths taken as UTF-8: the same words vestrel-cli takes.
TEST(ProgramOptions, TakesTheTraceWithItsEqualsSignAndKeepsCyrillicNames) {
  const auto options = ParseProgramOptions(
      {"--trace=/tmp/\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB1\xD0\xB0.txt",
       "--virtual-phone=/tmp/\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0", "--version"});
  EXPECT_EQ(options.host.trace, platform::PathFromUtf8("/tmp/проба.txt"));
  EXPECT_EQ(options.host.phoneFolder, platform::PathFromUtf8("/tmp/Папка"));
  EXPECT_TRUE(options.version);
  EXPECT_FALSE(options.help);
  EXPECT_THROW(ParseProgramOptions({"--trace="}), UsageError);
  EXPECT_THROW(ParseProgramOptions({"--trace", ""}), UsageError);
}

TEST(ProgramOptions, RefusesUnknownWordsAndMissingValues) {
  EXPECT_THROW(ParseProgramOptions({"--trace"}), UsageError);
  EXPECT_THROW(ParseProgramOptions({"--virtual-phone="}), UsageError);
  EXPECT_THROW(ParseProgramOptions({"--shows"}), UsageError);
  EXPECT_THROW(ParseProgramOptions({"phone"}), UsageError);
}

}  // namespace
}  // namespace vestrel::app
