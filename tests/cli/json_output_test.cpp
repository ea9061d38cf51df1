// devices --json on a bus whose OS text is not UTF-8: the document stays valid JSON.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "platform/DeviceClasses.h"
#include "tests/cli/test_host.h"
#include "tests/support/ScriptedBus.h"

namespace vestrel::cli {
namespace {

std::string RunCaptured(Session& session, const std::string& name,
                        const std::vector<std::string>& arguments) {
  const Command& command = *FindCommand(name);
  const CommandWords words(arguments, command.valued, command.flags, command.minOperands,
                           command.maxOperands);
  ::testing::internal::CaptureStdout();
  const int status = RunCommand(command, session, words);
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, kDone);
  return out;
}

TEST(JsonOutput, OsTextThatIsNotUtf8IsReplacedAndTheDocumentStaysValid) {
  testing::ScriptedBus bus;
  // A description with a lead byte alone, a stray continuation byte, a quote and a newline.
  bus.present[std::string(platform::kPhoneDriverClass)].push_back(
      testing::MakeRecord(1, "/dev/bus/usb/001/007#MI_08",
                          "Motorola Test Command Interface \xC6 \x80 \"A\"\n", "USB\\Class_FF"));
  TestHost host(bus);
  Session session(host, GlobalOptions{});

  const auto document = nlohmann::json::parse(RunCaptured(session, "devices", {"--json"}));
  EXPECT_EQ(document["schema"], 1);
  ASSERT_EQ(document["devices"].size(), 1u);
  const auto& phone = document["devices"][0];
  EXPECT_EQ(phone["mode"], "p2k");
  EXPECT_EQ(phone["description"],
            "Motorola Test Command Interface \xEF\xBF\xBD \xEF\xBF\xBD \"A\"\n");
  EXPECT_EQ(phone["device_path"], "/dev/bus/usb/001/007#MI_08");

  // The text form of the same command prints its line, not a document.
  EXPECT_THAT(RunCaptured(session, "devices", {}), ::testing::StartsWith("p2k\t"));
}

TEST(JsonOutput, ModelsCarryEveryElementOfTheirRow) {
  testing::ScriptedBus bus;
  TestHost host(bus);
  Session session(host, GlobalOptions{});
  const auto document = nlohmann::json::parse(RunCaptured(session, "models", {"--json"}));
  ASSERT_EQ(document["models"].size(), 34u);
  const auto& c380 = document["models"][0];
  EXPECT_EQ(c380["model"], "C380");
  ASSERT_FALSE(c380["elements"].empty());
  EXPECT_EQ(c380["elements"][0]["name"], "CG1");
  EXPECT_EQ(c380["elements"][0]["start"], "10080000");
  EXPECT_EQ(c380["elements"][0]["end"], "1091FFFF");
}

}  // namespace
}  // namespace vestrel::cli
