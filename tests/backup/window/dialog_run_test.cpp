#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QTime>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "tests/backup/window/DialogRig.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using virtualphone::PhoneMode;
using Kind = ScriptedDialogs::Kind;

class DialogRun : public DialogRig {
 protected:
  // Called on every progress step of a run, with the status text then shown.
  std::function<void(const QString& status)> onProgress;

  void SetUp() override {
    DialogRig::SetUp();
    OpenWithPhone();
    form->show();
    QObject::connect(&form->ProgressBar1, &QProgressBar::valueChanged, form.get(), [this] {
      if (onProgress) onProgress(form->StatusPanel0.text());
    });
  }

  void AnswerOut() { dialogs.AnswerFolder(QString::fromStdString(out.string())); }
  // The phone is on again, in flash mode, after a run powered it off.
  void PowerOn() {
    phone->setMode(PhoneMode::Flash);
    form->Timer1Timer();
    ASSERT_TRUE(form->Button13.isEnabled());
  }
};

TEST_F(DialogRun, C380SavesItsSixElementsInOrderAndPacksOnlyTheLast) {
  std::vector<std::string> saved;
  onProgress = [&](const QString& status) {
    const std::string name = status.section(QLatin1Char(':'), 0, 0).toStdString();
    if (saved.empty() || saved.back() != name) saved.push_back(name);
    EXPECT_FALSE(form->Button13.isEnabled());
  };
  AnswerOut();
  form->Button13.click();

  EXPECT_THAT(saved,
              ElementsAre("Запись загрузчика", "Сохранение CG1", "Сохранение CG2", "Сохранение CG3",
                          "Сохранение CG4", "Сохранение CG15", "Сохранение CG18"));
  EXPECT_THAT(FilesInOut(),
              ElementsAre("CG15_10920000.bin", "CG18_10B1F800.rar", "CG1_10080000.bin",
                          "CG2_10B20000.bin", "CG3_10040000.bin", "CG4_109E0000.bin"));
  ASSERT_EQ(shell->ranPrograms.size(), 2u);
  EXPECT_THAT(shell->ranPrograms[0].arguments,
              ElementsAre("a", "-df", "-ep", "-m5", "CG18_10B1F800.rar", "CG18_10B1F800.bin"));
  EXPECT_THAT(
      Messages(),
      ElementsAre("Загрузчик успешно записан!", "CG1 успешно сохранена", "CG2 успешно сохранена",
                  "CG3 успешно сохранена", "CG4 успешно сохранена", "CG15 успешно сохранена",
                  "CG18 успешно сохранена", "Файл успешно упакован", "Выключение телефона",
                  "Проверка по SHA256SUMS: все файлы совпадают (6)"));
  EXPECT_EQ(form->StatusPanel0.text(), QStringLiteral("Операция успешно выполнена"));
  EXPECT_EQ(form->ProgressBar1.value(), form->ProgressBar1.maximum());
  EXPECT_EQ(phone->mode(), PhoneMode::Off);
  ASSERT_EQ(dialogs.Questions().size(), 1u);
  EXPECT_EQ(dialogs.Questions()[0].caption, QStringLiteral("Выберите директорию для сохраненя"));
  EXPECT_TRUE(form->Button13.isEnabled()) << "unlocked after the run";
  form->Timer1Timer();
  EXPECT_FALSE(form->Button13.isEnabled()) << "the phone, powered off, has left";
}

TEST_F(DialogRun, L6AndE1000SaveCG7AndCG8InTheirPlace) {
  ChooseModel("L6");
  Tick({"CG4", "CG7", "CG15"});
  form->CheckBox1.setChecked(false);
  AnswerOut();
  form->Button13.click();
  EXPECT_THAT(Messages(),
              ElementsAre("Загрузчик успешно записан!", "CG4 успешно сохранена",
                          "CG7 успешно сохранена", "CG15 успешно сохранена", "Выключение телефона",
                          "Проверка по SHA256SUMS: все файлы совпадают (3)"));
  PowerOn();
  form->Memo1.clear();
  ChooseModel("E1000");
  Tick({"CG5", "CG8", "CG18"});
  AnswerOut();
  form->Button13.click();
  EXPECT_THAT(Messages(),
              ElementsAre("Загрузчик успешно записан!", "CG5 успешно сохранена",
                          "CG8 успешно сохранена", "CG18 успешно сохранена", "Выключение телефона",
                          "Проверка по SHA256SUMS: все файлы совпадают (6)"));
  EXPECT_THAT(shell->ranPrograms, IsEmpty()) << "packing was off";
}

TEST_F(DialogRun, AHiddenTickedBoxIsNotSaved) {
  ChooseModel("L6");
  Tick({"CG7", "CG18"});
  ChooseModel("C380");
  ASSERT_TRUE(form->cb7.isChecked() && form->cb7.isHidden());
  AnswerOut();
  form->Button13.click();
  EXPECT_THAT(FilesInOut(), ElementsAre("CG18_10B1F800.rar"));
}

// The check after the run names what in the folder does not match: an earlier element whose
// file changed since, and a file SHA256SUMS does not list.
TEST_F(DialogRun, TheFolderCheckAfterARunNamesWhatDoesNotMatch) {
  Tick({"CG3"});
  form->CheckBox1.setChecked(false);
  AnswerOut();
  form->Button13.click();
  std::ofstream(out / "CG3_10040000.bin", std::ios::binary | std::ios::app) << "x";
  std::ofstream(out / "notes.txt") << "mine";
  PowerOn();
  form->Memo1.clear();
  Tick({"CG18"});
  AnswerOut();
  form->Button13.click();
  EXPECT_THAT(Messages(), ElementsAre("Загрузчик успешно записан!", "CG18 успешно сохранена",
                                      "Выключение телефона",
                                      "Проверка по SHA256SUMS: файл CG3_10040000.bin повреждён",
                                      "Проверка по SHA256SUMS: лишний файл notes.txt"));
}

TEST_F(DialogRun, CancellingTheFolderPowersOffWithoutTheLoader) {
  dialogs.AnswerFolder(std::nullopt);
  form->Button13.click();
  EXPECT_THAT(Messages(), ElementsAre("Выключение телефона"));
  EXPECT_THAT(phone->flash().framesTaken(), Not(Contains("ADDR")));
  EXPECT_EQ(phone->mode(), PhoneMode::Off);
  EXPECT_TRUE(form->Button13.isEnabled());
}

TEST_F(DialogRun, AMissingLoaderIsShownAndTheDialogClosesAfterTheRun) {
  fs::remove(home / "Profiles" / "0823.ldr");
  Tick({"CG18"});
  AnswerOut();
  dialogs.AnswerMessage(desktop::MessageAnswer::Ok);
  form->Button13.click();

  ASSERT_EQ(dialogs.Questions().size(), 2u);
  const auto& box = dialogs.Questions()[1];
  EXPECT_EQ(box.kind, Kind::Message);
  EXPECT_EQ(box.caption, QStringLiteral("Ошибка"));
  EXPECT_EQ(box.text, QStringLiteral("Не найден файл загрузчика!"));
  EXPECT_EQ(box.icon, desktop::MessageIcon::Error);
  EXPECT_THAT(Messages(),
              ElementsAre("Загрузчик не найден!",
                          "CG18 не сохранена: телефон не выполнил команду DUMP "
                          "(адрес 10B1F800)",
                          "Выключение телефона", "Проверка по SHA256SUMS: нет файла SHA256SUMS"));
  // Without the loader the element is still read, with the boot loader's own command.
  // The refused block is asked for once more.
  EXPECT_THAT(phone->flash().framesTaken(), ElementsAre("DUMP", "DUMP", "POWER_DOWN"));
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(fs::exists(form->FlashLogFile())) << "closing wrote the log";
}

// The log words each failure in Russian from its kind; BACKUP.txt keeps the English reason.
TEST_F(DialogRun, FailuresAreLoggedInRussianWhileBackupTxtKeepsTheirEnglish) {
  Tick({"CG3", "CG18"});
  std::ofstream(out / "CG3_10040000.bin") << "kept";
  fs::permissions(out / "CG3_10040000.bin", fs::perms::owner_read);
  phone->flash().failFrame(virtualphone::FlashFault::Error, "BIN", 1);
  AnswerOut();
  form->Button13.click();
  fs::permissions(out / "CG3_10040000.bin", fs::perms::owner_write, fs::perm_options::add);

  const std::string cg3 = (out / "CG3_10040000.bin").string();
  EXPECT_THAT(Messages(),
              ElementsAre("Загрузчик не записан: телефон не принял блок загрузчика "
                          "(808 байт)",
                          "CG3 не сохранена: файл " + cg3 + " только для чтения",
                          "CG18 не сохранена: телефон не выполнил команду READ (адрес "
                          "10B1F800, 256 байт)",
                          "Выключение телефона", "Проверка по SHA256SUMS: нет файла SHA256SUMS"));
  std::string unreadable;
  const auto description = backup::BackupDescription::Read(out, unreadable);
  ASSERT_TRUE(description.Find("CG3") && description.Find("CG18")) << unreadable;
  EXPECT_EQ(description.Find("CG3")->detail, cg3 + " is read-only");
  EXPECT_EQ(description.Find("CG18")->detail, "Send READ (10B1F800,0100 b) Failed");
}

TEST_F(DialogRun, PdsNamesTheFileAsTypedOrAddsItsStart) {
  form->CheckBox2.setChecked(true);
  dialogs.AnswerSaveFile(QString::fromStdString((out / "pds").string()));
  form->Button13.click();
  EXPECT_EQ(form->SaveDialog1.Filter, QStringLiteral("BIN|*.bin"));
  EXPECT_EQ(fs::file_size(out / "pds_10010000.rar"), 65536u + 8u);
  EXPECT_THAT(Messages(), ElementsAre("Загрузчик успешно записан", "PDS успешно сохранена",
                                      "Файл успешно упакован", "Выключение телефона",
                                      "Проверка по SHA256SUMS: все файлы совпадают (1)"));
  EXPECT_EQ(phone->flash().entryAddress(), 0x03FD0010u);

  PowerOn();
  ChooseModel("V3x");
  dialogs.AnswerSaveFile(QString::fromStdString((out / "my.dat").string()));
  form->Button13.click();
  EXPECT_THAT(FilesInOut(), ElementsAre("my.rar", "pds_10010000.rar"));
  EXPECT_EQ(phone->flash().entryAddress(), 0x08000010u);
  EXPECT_EQ(dialogs.Questions().back().kind, Kind::SaveFileName);
}

TEST_F(DialogRun, LogLinesCarryTheLocalTimeAndAllReachTheFlashLog) {
  // Nothing logged yet: closing writes no file.
  form->close();
  EXPECT_FALSE(fs::exists(form->FlashLogFile()));
  EXPECT_FALSE(form->SelectedPhone()->IsOpen()) << "closing closed the phone";
  form->show();
  form->Timer1Timer();
  EXPECT_TRUE(form->SelectedPhone()->IsOpen()) << "the next tick opens it again";

  const QTime before = QTime::currentTime();
  dialogs.AnswerFolder(std::nullopt);
  form->Button13.click();
  PowerOn();
  Tick({"CG18"});
  AnswerOut();
  form->Button13.click();
  const QTime after = QTime::currentTime();

  const QStringList lines = LogLines();
  ASSERT_EQ(lines.size(), 6);
  const QRegularExpression shape(QStringLiteral("^(\\d\\d:\\d\\d:\\d\\d): \\S"));
  for (const QString& line : lines) {
    const auto match = shape.match(line);
    ASSERT_TRUE(match.hasMatch()) << line.toStdString();
    const QTime time = QTime::fromString(match.captured(1), QStringLiteral("HH:mm:ss"));
    if (before <= after) {  // not across midnight
      EXPECT_GE(time, before.addMSecs(-before.msec())) << line.toStdString();
      EXPECT_LE(time, after) << line.toStdString();
    }
  }

  form->close();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(ReadFile(form->FlashLogFile()),
            (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toStdString());
}

// A program home the user may not write: the shell names another folder for the log.
TEST_F(DialogRun, TheFlashLogGoesToTheShellsStateFolder) {
  struct StateShell final : platform::Shell {
    StateShell(platform::Shell& to, fs::path folder) : inner(to), state(std::move(folder)) {}
    bool openAddress(const std::string& address) override { return inner.openAddress(address); }
    bool startProgram(const fs::path& program, const std::vector<std::string>& arguments,
                      const fs::path& folder) override {
      return inner.startProgram(program, arguments, folder);
    }
    std::optional<int> runProgram(const fs::path& program,
                                  const std::vector<std::string>& arguments,
                                  const fs::path& folder) override {
      return inner.runProgram(program, arguments, folder);
    }
    fs::path executablePath() override { return inner.executablePath(); }
    fs::path programHome() override { return inner.programHome(); }
    fs::path stateFolder() override { return state; }
    platform::Shell& inner;
    fs::path state;
  };
  fs::create_directories(home / "state");
  StateShell stateShell(*shell, home / "state");
  form = std::make_unique<backup::TForm4>(context, stateShell, dialogs);
  form->Timer1Timer();
  dialogs.AnswerFolder(std::nullopt);
  form->Button13.click();
  form->close();
  EXPECT_THAT(ReadFile(home / "state" / "FlashLog.log"),
              ::testing::HasSubstr("Выключение телефона"));
  EXPECT_FALSE(fs::exists(home / "FlashLog.log"));
  form.reset();
}

TEST_F(DialogRun, EscapeClosesLikeTheTitleBarButton) {
  dialogs.AnswerFolder(std::nullopt);
  form->Button13.click();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(form.get(), &escape);
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(fs::exists(form->FlashLogFile()));
}

TEST_F(DialogRun, APhoneUnpluggedMidRunEndsTheRunAndNoSecondRunStarts) {
  Tick({"CG4", "CG18"});
  int blocks = 0;
  bool lockedAfterRemoval = false;
  onProgress = [&](const QString& status) {
    if (!status.startsWith(QStringLiteral("Сохранение CG4")) || ++blocks != 10) return;
    rig.bus.unplug(*phone);
    form->Timer1Timer();  // the removal is handled in the middle of the run
    lockedAfterRemoval = !form->Button13.isEnabled() && !form->cob.isEnabled();
    form->Button13Click();  // no second run: it would ask for a folder again
  };
  AnswerOut();
  form->Button13.click();

  EXPECT_EQ(blocks, 10) << "the rest of the element failed at once";
  EXPECT_TRUE(lockedAfterRemoval);
  EXPECT_FALSE(form->Running());
  EXPECT_THAT(Messages(),
              ElementsAre("Загрузчик успешно записан!",
                          ::testing::StartsWith("CG4 не сохранена: телефон не выполнил "
                                                "команду READ (адрес 109E09D8, 256 "
                                                "байт); прочитанные 2520 байт "
                                                "оставлены в "),
                          "CG18 не сохранена: телефон не выполнил команду READ (адрес "
                          "10B1F800, 256 байт)",
                          "Выключение телефона", "Проверка по SHA256SUMS: нет файла SHA256SUMS"));
  EXPECT_EQ(dialogs.Questions().size(), 1u);
  EXPECT_FALSE(form->HasPhone());
  EXPECT_FALSE(form->Button13.isEnabled()) << "no phone after the run: locked";
}

TEST_F(DialogRun, ACloseDuringARunWritesTheLogAndHidesWhenTheRunReturns) {
  Tick({"CG4", "CG18"});
  int blocks = 0;
  bool shownAfterClose = false;
  std::string logDuringRun;
  onProgress = [&](const QString& status) {
    if (!status.startsWith(QStringLiteral("Сохранение CG4")) || ++blocks != 3) return;
    form->close();
    logDuringRun = ReadFile(form->FlashLogFile());
    shownAfterClose = form->isVisible();
    form->Timer1Timer();  // must not reopen the phone the user closed
  };
  AnswerOut();
  form->Button13.click();

  EXPECT_EQ(blocks, 3);
  EXPECT_TRUE(shownAfterClose);
  EXPECT_EQ(logDuringRun, LogLines().front().toStdString() + "\r\n");
  EXPECT_FALSE(form->isVisible());
  EXPECT_THAT(FilesInOut(), Not(Contains("CG18_10B1F800.bin")));
  // The close after the run wrote the lines the run added meanwhile.
  EXPECT_THAT(ReadFile(form->FlashLogFile()), ::testing::HasSubstr("Выключение телефона"));
}

// The archiver runs while the dialog's events go on: a close asked for while it packs is taken
// then, and the dialog hides once the packed archive is whole and the run has returned.
TEST_F(DialogRun, WhileTheArchiverPacksTheDialogTakesACloseAndThePackEndsWhole) {
  Tick({"CG18"});
  std::mutex mutex;
  std::condition_variable closed;
  bool closeTaken = false;
  bool closeTakenWhilePacking = false;
  shell->onRun = [&](const platform::RecordingShell::StartedProgram& ran) {
    if (ran.arguments.front() == "a") {
      QMetaObject::invokeMethod(
          form.get(),
          [&] {
            form->close();
            const std::lock_guard lock(mutex);
            closeTaken = true;
            closed.notify_all();
          },
          Qt::QueuedConnection);
      std::unique_lock lock(mutex);
      // Bounded, so a dialog whose events stop while the archiver runs fails instead of hanging.
      closeTakenWhilePacking =
          closed.wait_for(lock, std::chrono::seconds(10), [&] { return closeTaken; });
    }
    return StandInArchiver()(ran);
  };
  AnswerOut();
  form->Button13.click();

  EXPECT_TRUE(closeTakenWhilePacking);
  EXPECT_FALSE(form->isVisible());
  EXPECT_THAT(FilesInOut(), ElementsAre("CG18_10B1F800.rar"));
  EXPECT_THAT(Messages(), Contains("Файл успешно упакован"));
  EXPECT_THAT(Messages(), Contains("Проверка по SHA256SUMS: все файлы совпадают (1)"));
}

}  // namespace
}  // namespace vestrel::testing
