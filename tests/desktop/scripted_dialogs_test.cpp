#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "tests/support/ScriptedDialogs.h"

namespace vestrel::testing {
namespace {

using desktop::MessageAnswer;
using desktop::MessageButtons;
using desktop::MessageIcon;

TEST(ScriptedDialogsTest, AnswersInOrderAndRecordsTheQuestions) {
  ScriptedDialogs dialogs;
  dialogs.AnswerMessage(MessageAnswer::Yes);
  dialogs.AnswerFolder(QStringLiteral("/backups"));
  dialogs.AnswerOpenFiles(QStringList{"/a", "/b"});
  dialogs.AnswerInput(std::nullopt);
  EXPECT_EQ(dialogs.Message(nullptr, "Подтверждение", "Удалить?", MessageIcon::Question,
                            MessageButtons::YesNo),
            MessageAnswer::Yes);
  EXPECT_EQ(dialogs.ChooseFolder(nullptr, "Папка", "/"), QStringLiteral("/backups"));
  EXPECT_EQ(dialogs.OpenFileNames(nullptr, "Файлы", "/", "*"), (QStringList{"/a", "/b"}));
  EXPECT_EQ(dialogs.InputText(nullptr, "Имя", "Файл:", "x"), std::nullopt);
  ASSERT_EQ(dialogs.Questions().size(), 4u);
  EXPECT_EQ(dialogs.Questions()[0].caption, QStringLiteral("Подтверждение"));
  EXPECT_EQ(dialogs.Questions()[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(dialogs.Questions()[1].kind, ScriptedDialogs::Kind::ChooseFolder);
  EXPECT_EQ(dialogs.Unused(), 0u);
}

TEST(ScriptedDialogsTest, UnexpectedOrMismatchedQuestionsFailAndAreDismissed) {
  ScriptedDialogs dialogs;
  MessageAnswer answer = MessageAnswer::Ok;
  EXPECT_NONFATAL_FAILURE(
      answer = dialogs.Message(nullptr, "Ошибка", "x", MessageIcon::Error, MessageButtons::YesNo),
      "unexpected dialog");
  EXPECT_EQ(answer, MessageAnswer::No);

  dialogs.AnswerMessage(MessageAnswer::Ok);
  std::optional<QString> folder = QStringLiteral("set");
  EXPECT_NONFATAL_FAILURE(folder = dialogs.ChooseFolder(nullptr, "Папка", "/"), "another kind");
  EXPECT_EQ(folder, std::nullopt);
}

}  // namespace
}  // namespace vestrel::testing
