#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <variant>
#include <vector>

#include "desktop/Dialogs.h"

namespace vestrel::testing {

// Answers a window's dialogs from a script, in order, and records every question. A question
// the script did not expect, or of another kind than scripted, fails the test and is answered
// as dismissed.
class ScriptedDialogs final : public desktop::Dialogs {
 public:
  enum class Kind { Message, ChooseFolder, OpenFileNames, SaveFileName, InputText };
  struct Question {
    Kind kind;
    QString caption;  // caption or title
    QString text;     // message text, start folder, proposed name or input label
    desktop::MessageIcon icon = desktop::MessageIcon::None;
    desktop::MessageButtons buttons = desktop::MessageButtons::Ok;
  };

  void AnswerMessage(desktop::MessageAnswer answer) { script_.push_back(answer); }
  void AnswerFolder(std::optional<QString> folder) { script_.push_back(Folder{std::move(folder)}); }
  void AnswerOpenFiles(std::optional<QStringList> files) { script_.push_back(std::move(files)); }
  void AnswerSaveFile(std::optional<QString> file) { script_.push_back(SaveFile{std::move(file)}); }
  void AnswerInput(std::optional<QString> text) { script_.push_back(Input{std::move(text)}); }

  const std::vector<Question>& Questions() const { return questions_; }
  // Scripted answers nobody asked for.
  std::size_t Unused() const { return script_.size(); }

  desktop::MessageAnswer Message(QWidget*, const QString& caption, const QString& text,
                                 desktop::MessageIcon icon,
                                 desktop::MessageButtons buttons) override {
    questions_.push_back({Kind::Message, caption, text, icon, buttons});
    auto answer = Next<desktop::MessageAnswer>(caption + ": " + text);
    if (answer) return *answer;
    return buttons == desktop::MessageButtons::YesNo ? desktop::MessageAnswer::No
                                                     : desktop::MessageAnswer::Cancel;
  }
  std::optional<QString> ChooseFolder(QWidget*, const QString& title,
                                      const QString& startFolder) override {
    questions_.push_back({Kind::ChooseFolder, title, startFolder});
    auto answer = Next<Folder>(title);
    return answer ? answer->value : std::nullopt;
  }
  std::optional<QStringList> OpenFileNames(QWidget*, const QString& title, const QString& folder,
                                           const QString&) override {
    questions_.push_back({Kind::OpenFileNames, title, folder});
    auto answer = Next<std::optional<QStringList>>(title);
    return answer ? *answer : std::nullopt;
  }
  std::optional<QString> SaveFileName(QWidget*, const QString& title, const QString& proposed,
                                      const QString&) override {
    questions_.push_back({Kind::SaveFileName, title, proposed});
    auto answer = Next<SaveFile>(title);
    return answer ? answer->value : std::nullopt;
  }
  std::optional<QString> InputText(QWidget*, const QString& title, const QString& label,
                                   const QString&) override {
    questions_.push_back({Kind::InputText, title, label});
    auto answer = Next<Input>(title);
    return answer ? answer->value : std::nullopt;
  }

 private:
  struct Folder {
    std::optional<QString> value;
  };
  struct SaveFile {
    std::optional<QString> value;
  };
  struct Input {
    std::optional<QString> value;
  };
  using Answer =
      std::variant<desktop::MessageAnswer, Folder, std::optional<QStringList>, SaveFile, Input>;

  template <class T>
  std::optional<T> Next(const QString& question) {
    if (script_.empty()) {
      ADD_FAILURE() << "unexpected dialog: " << question.toStdString();
      return std::nullopt;
    }
    Answer answer = std::move(script_.front());
    script_.pop_front();
    if (auto* expected = std::get_if<T>(&answer)) return *expected;
    ADD_FAILURE() << "dialog of another kind than scripted: " << question.toStdString();
    return std::nullopt;
  }

  std::deque<Answer> script_;
  std::vector<Question> questions_;
};

}  // namespace vestrel::testing
