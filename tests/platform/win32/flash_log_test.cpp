// The flash log on a Russian Windows: the dialog's lines reach the file in Windows-1251, as
// every other program of that system reads plain text. The suite runs with a Russian locale.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "backup/BackupLog.h"
#include "platform/win32/Win32Shell.h"
#include "tests/support/TempFolder.h"
#include "text/Windows1251.h"

// After the project's headers: windows.h defines macros over some of their names.
#include <windows.h>

namespace vestrel {
namespace {

TEST(FlashLogText, IsTheAnsiCodePageOfARussianSystem) {
  ASSERT_EQ(GetACP(), 1251u) << "the suite wants a Russian system (LC_ALL=ru_RU.UTF-8 under Wine)";
  platform::Win32Shell shell;
  const std::string line = "14:03:27: Загрузчик успешно записан! №1";
  EXPECT_EQ(shell.systemCodePageText(line), text::Utf8ToWindows1251(line).value());
  // What the code page lacks becomes '?', never a byte of some other character.
  EXPECT_EQ(shell.systemCodePageText("CG1 \xE2\x9C\x93"), "CG1 ?");
  EXPECT_EQ(shell.systemCodePageText(""), "");
}

TEST(FlashLogText, TheLogFileHoldsWindows1251LinesWithCrLf) {
  platform::Win32Shell shell;
  backup::BackupLog log([] {
    std::tm time{};
    time.tm_hour = 14;
    time.tm_min = 3;
    time.tm_sec = 27;
    return time;
  });
  log.Add("Загрузчик успешно записан!");
  log.Add("Выключение телефона");
  testing::TempFolder home;
  const auto file = home / backup::kFlashLogName;
  log.WriteTo(file, [&](const std::string& line) { return shell.systemCodePageText(line); });
  EXPECT_EQ(testing::readText(file),
            text::Utf8ToWindows1251("14:03:27: Загрузчик успешно записан!\r\n"
                                    "14:03:27: Выключение телефона\r\n")
                .value());
}

}  // namespace
}  // namespace vestrel
