#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "platform/HostFileSystem.h"

namespace vestrel::platform {
namespace {

namespace fs = std::filesystem;

TEST(PlainHostFileName, RefusesEveryNameThatCouldLeaveTheFolderOrNameSomethingElse) {
  for (const std::string& name : std::initializer_list<std::string>{"",
                                                                    ".",
                                                                    "..",
                                                                    "...",
                                                                    ". .",
                                                                    "  ",
                                                                    "a/b",
                                                                    "a\\b",
                                                                    "\\",
                                                                    "/",
                                                                    "D:evil",
                                                                    "c:d",
                                                                    "C:",
                                                                    "name:stream",
                                                                    std::string("a\x01"
                                                                                "b"),
                                                                    "tab\there",
                                                                    "line\n",
                                                                    "del\x7F",
                                                                    "CON",
                                                                    "nul",
                                                                    "Nul.txt",
                                                                    "aux.mp3",
                                                                    "prn",
                                                                    "COM1",
                                                                    "lpt9.log",
                                                                    "NUL .txt"}) {
    EXPECT_FALSE(PlainHostFileName(name)) << '"' << name << '"';
  }
}

TEST(PlainHostFileName, KeepsOrdinaryNamesAndTheirLetters) {
  for (const std::string& name :
       std::initializer_list<std::string>{"ring.mp3", ".hidden", "a..b", "COM10", "CONSOLE.txt",
                                          "com0", "nul_tone.mid", "Мелодия.mid", "x y"}) {
    const auto plain = PlainHostFileName(name);
    ASSERT_TRUE(plain) << name;
    EXPECT_EQ(Utf8FromPath(*plain), name);
    // Joined with a folder it stays one name inside it.
    const fs::path chosen = fs::path("chosen");
    EXPECT_EQ((chosen / *plain).parent_path(), chosen) << name;
    EXPECT_FALSE(plain->has_root_name()) << name;
  }
}

}  // namespace
}  // namespace vestrel::platform
