// What a Russian Windows tells the program reaches it as UTF-8, the program's own text, also
// where the ANSI code page (1251) would lose letters: the system's error texts and the
// environment. The suite runs with a Russian locale.
#include <gtest/gtest.h>

#include <string>

#include "platform/Environment.h"
#include "platform/HostFileSystem.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Shell.h"

// After the project's headers: windows.h defines macros over some of their names.
#include <windows.h>

namespace vestrel::platform {
namespace {

TEST(RussianSystem, AnErrorInACyrillicFolderIsTheSystemsRussianTextInUtf8) {
  ASSERT_EQ(GetACP(), 1251u) << "the suite wants a Russian system (LC_ALL=ru_RU.UTF-8 under Wine)";
  const HANDLE file = CreateFileW(L"C:\\Нет такой папки\\Мелодия.mid", GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_EQ(file, INVALID_HANDLE_VALUE);
  const OsError error = LastWin32Error();
  EXPECT_EQ(error.name(), "ERROR_PATH_NOT_FOUND");
  EXPECT_EQ(error.text(), "Путь не найден");
}

// A variable is read from the wide environment: Ω is not in code page 1251.
class CyrillicHome : public ::testing::Test {
 protected:
  void TearDown() override { SetEnvironmentVariableW(L"VESTREL_HOME", nullptr); }
};

TEST_F(CyrillicHome, TheProgramHomeKeepsEveryLetterOfTheFolder) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"VESTREL_HOME", L"C:\\Программа Ω"));
  EXPECT_EQ(EnvironmentText("VESTREL_HOME"), "C:\\Программа Ω");
  EXPECT_EQ(Win32Shell().programHome(), std::filesystem::path(L"C:\\Программа Ω"));
}

TEST_F(CyrillicHome, ALongValueIsReadWholeAndAnEmptyOneIsNone) {
  const std::wstring deep = L"C:\\" + std::wstring(300, L'Ж');
  ASSERT_TRUE(SetEnvironmentVariableW(L"VESTREL_HOME", deep.c_str()));
  EXPECT_EQ(PathFromUtf8(EnvironmentText("VESTREL_HOME").value()), std::filesystem::path(deep));
  ASSERT_TRUE(SetEnvironmentVariableW(L"VESTREL_HOME", L""));
  EXPECT_EQ(EnvironmentText("VESTREL_HOME"), std::nullopt);
  SetEnvironmentVariableW(L"VESTREL_HOME", nullptr);
  EXPECT_EQ(EnvironmentText("VESTREL_HOME"), std::nullopt);
  // Without it the program home is the program's own folder.
  EXPECT_EQ(Win32Shell().programHome(), Win32Shell().executablePath().parent_path());
}

}  // namespace
}  // namespace vestrel::platform
