// The program's command line.
#include <gmock/gmock.h>

#include "app/ProgramOptions.h"

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

TEST(ProgramOptions, RefusesUnknownWordsAndMissingValues) {
  EXPECT_THROW(ParseProgramOptions({"--trace"}), UsageError);
  EXPECT_THROW(ParseProgramOptions({"--virtual-phone="}), UsageError);
  EXPECT_THROW(ParseProgramOptions({"--shows"}), UsageError);
  EXPECT_THROW(ParseProgramOptions({"phone"}), UsageError);
}

}  // namespace
}  // namespace vestrel::app
