// The main window's file browser on the virtual phone.
#include <gmock/gmock.h>

#include <QDir>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "tests/mainwindow/MainWindowRig.h"
#include "tests/support/TempFolder.h"

namespace vestrel::testing {
namespace {

namespace fs = std::filesystem;
using desktop::MessageAnswer;
using virtualphone::P2KPhoneState;
using virtualphone::PhoneFile;

std::vector<std::uint8_t> Bytes(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

std::vector<std::uint8_t> Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FileBrowser : public ::testing::Test {
 protected:
  // A phone with /a, whose free space is exactly `free` bytes after `files`.
  void Start(std::map<std::string, PhoneFile> files, std::uint32_t free = 100000) {
    P2KPhoneState state;
    std::uint32_t used = 0;
    for (const auto& [name, file] : files) used += static_cast<std::uint32_t>(file.contents.size());
    state.volumes = {{"/a", used + free}};
    state.files = std::move(files);
    phone = rig.PlugP2K("A1", std::move(state));
    rig.Start();
    form().Timer1Timer();
    form().FWTDblClick();  // fills the volumes
    form().ReadMobile();
  }

  mainwindow::TForm1& form() { return *rig.form1; }
  QString Cell(int row, int column) {
    return form().ListView1.model()->index(row, column).data().toString();
  }
  void Select(std::initializer_list<int> rows) {
    form().ListView1.clearSelection();
    for (int row : rows) {
      form().ListView1.selectionModel()->select(
          form().ListView1.model()->index(row, 0),
          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  void ClickRow(int row) {
    const QRect at = form().ListView1.visualRect(form().ListView1.model()->index(row, 1));
    QTest::mouseClick(form().ListView1.viewport(), Qt::LeftButton, {}, at.center());
  }
  MainWindowRig rig;
  std::shared_ptr<virtualphone::VirtualPhone> phone;
  TempFolder host;
};

TEST_F(FileBrowser, RowsStandInTheOrderOfTheirNumberAsTextWithCountAndFreeSpace) {
  std::map<std::string, PhoneFile> files;
  for (int i = 0; i < 12; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/a/mobile/f%02d.txt", i);
    files[name] = PhoneFile{0, 0, Bytes(10, static_cast<std::uint8_t>(i))};
  }
  Start(files, 1023);
  ASSERT_EQ(form().ListView1.rowCount(), 12);
  QStringList numbers;
  for (int row = 0; row < 12; ++row) numbers << Cell(row, 0);
  EXPECT_EQ(numbers.join(','), QStringLiteral("1,10,11,12,2,3,4,5,6,7,8,9"));
  EXPECT_EQ(Cell(1, 1), QStringLiteral("/a/mobile/f09.txt"));
  EXPECT_EQ(Cell(1, 3), QStringLiteral("10"));
  EXPECT_EQ(form().StatusBar1.Panel(3), QStringLiteral("Всего: 12"));
  EXPECT_EQ(form().StatusBar1.Panel(2), QStringLiteral("Свободно: 0 Кб"));
  EXPECT_EQ(form().StatusBar1.Panel(0), QString());
  EXPECT_TRUE(form().MenuItem1.isEnabled());
  EXPECT_FALSE(form().Button1.isEnabled());
}

TEST_F(FileBrowser, TheLongestAttributeFitsItsColumnAndTheWaitTextIsDrawnBeforeTheReading) {
  Start({{"/a/mobile/config.bin",
          PhoneFile{phonelink::faReadOnly | phonelink::faHidden | phonelink::faSystem, 0,
                    Bytes(9, 1)}}});
  ASSERT_EQ(Cell(0, 2), QStringLiteral("ReadOnly+Hidden+System"));
  const QRect cell = form().ListView1.visualRect(form().ListView1.model()->index(0, 2));
  EXPECT_LE(form().ListView1.fontMetrics().horizontalAdvance(Cell(0, 2)) + 8, cell.width());
  int columns = 0;
  for (int column = 0; column < 4; ++column) columns += form().ListView1.columnWidth(column);
  EXPECT_LE(columns, form().ListView1.viewport()->width()) << "the list would scroll sideways";

  // An empty phone: no row drawn on the way draws the panel either.
  rig.personality->MutableState().files.clear();
  struct PaintWatch : QObject {
    QStringList drawn;  // what the panel showed each time it was drawn
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::Paint) drawn << static_cast<QLabel*>(watched)->text();
      return false;
    }
  } watch;
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form()));
  form().StatusBar1.PanelLabel(0).installEventFilter(&watch);
  form().ReadMobile();
  EXPECT_TRUE(watch.drawn.contains(QStringLiteral("Пожалуйста подождите...")))
      << watch.drawn.join('|').toStdString();
}

// The program shows the window before its first pass when started with it shown, and
// without a notification area it only restores a window minimised at load: in both the
// volumes were not known when the window was shown.
TEST_F(FileBrowser, AWindowShownBeforeThePhoneWasFoundListsItsFiles) {
  rig.PlugSample("A1");
  rig.Start();
  form().FWTDblClick();
  EXPECT_EQ(form().ComboBox1.count(), 0);
  form().Timer1Timer();
  form().ReadMobile();
  EXPECT_GT(form().ListView1.rowCount(), 1);
  EXPECT_EQ(form().StatusBar1.Panel(3),
            QStringLiteral("Всего: %1").arg(form().ListView1.rowCount()));
  EXPECT_EQ(form().ComboBox1.currentText(), QStringLiteral("/a"));
}

TEST_F(FileBrowser, WithoutANotificationAreaRestoringTheWindowReadsTheVolumes) {
  rig.trayArea.available = false;
  rig.PlugSample("A1");
  rig.Start();
  ASSERT_TRUE(form().isMinimized());
  form().Timer1Timer();
  form().FWTDblClick();
  ASSERT_FALSE(form().isMinimized());
  EXPECT_EQ(form().ComboBox1.currentText(), QStringLiteral("/a"));
}

TEST_F(FileBrowser, ClickingARowShowsItsAttributesWithoutWritingThem) {
  Start({{"/a/mobile/ro.txt", PhoneFile{0x05, 0, Bytes(5, 1)}}});
  ClickRow(0);
  EXPECT_EQ(Cell(0, 2), QStringLiteral("ReadOnly+System"));
  EXPECT_TRUE(form().CheckBox2.isChecked());
  EXPECT_FALSE(form().CheckBox3.isChecked());
  EXPECT_TRUE(form().CheckBox4.isChecked());
  EXPECT_TRUE(rig.dialogs.Questions().empty());  // no "applied" box: nothing was written

  // An empty part of the list clears the boxes and the buttons that need a row.
  QTest::mouseClick(form().ListView1.viewport(), Qt::LeftButton, {}, QPoint(300, 350));
  EXPECT_FALSE(form().CheckBox2.isChecked());
  EXPECT_FALSE(form().CheckBox4.isChecked());
  EXPECT_FALSE(form().SpeedButton1.isEnabled());
  EXPECT_FALSE(form().SpeedButton3.isEnabled());
  // The next pass leaves them off while nothing is selected, and follows a selection.
  form().Timer1Timer();
  EXPECT_FALSE(form().SpeedButton1.isEnabled());
  EXPECT_FALSE(form().SpeedButton3.isEnabled());
  Select({0});
  form().Timer1Timer();
  EXPECT_TRUE(form().SpeedButton1.isEnabled());
  EXPECT_TRUE(form().SpeedButton3.isEnabled());
}

// A box ticked after the keyboard moved the selection writes the chosen file's other bits, not
// those of the file clicked before.
TEST_F(FileBrowser, TheBoxesFollowASelectionMovedByTheKeyboard) {
  Start({{"/a/mobile/a.txt", PhoneFile{0x05, 0, Bytes(5, 1)}},
         {"/a/mobile/b.txt", PhoneFile{0x02, 0, Bytes(5, 2)}}});
  ASSERT_EQ(Cell(1, 1), QStringLiteral("/a/mobile/b.txt"));
  ClickRow(0);
  ASSERT_TRUE(form().CheckBox4.isChecked());
  form().ListView1.setFocus();
  QTest::keyClick(&form().ListView1, Qt::Key_Down);
  EXPECT_FALSE(form().CheckBox2.isChecked());
  EXPECT_TRUE(form().CheckBox3.isChecked());
  EXPECT_FALSE(form().CheckBox4.isChecked());

  rig.dialogs.AnswerMessage(MessageAnswer::Ok);
  form().CheckBox2.click();
  EXPECT_EQ(rig.personality->State().files.at("/a/mobile/b.txt").attributes, 0x03);
  EXPECT_EQ(rig.personality->State().files.at("/a/mobile/a.txt").attributes, 0x05);
  // Emptied from the keyboard, nothing is chosen for save or delete.
  form().ListView1.selectRow(0);
  QTest::keyClick(&form().ListView1, Qt::Key_Space, Qt::ControlModifier);
  EXPECT_FALSE(form().SpeedButton1.isEnabled());
  EXPECT_FALSE(form().SpeedButton3.isEnabled());
}

TEST_F(FileBrowser, AttributesAreWrittenAndAFailureIsNotReportedAsSuccess) {
  Start({{"/a/mobile/a.txt", PhoneFile{0, 0, Bytes(5, 1)}}});
  ClickRow(0);
  rig.dialogs.AnswerMessage(MessageAnswer::Ok);
  form().CheckBox3.click();
  ASSERT_EQ(rig.dialogs.Questions().size(), 1u);
  EXPECT_EQ(rig.dialogs.Questions()[0].text, QStringLiteral("Атрибуты успешно применены!"));
  EXPECT_EQ(Cell(0, 2), QStringLiteral("Hidden"));

  ClickRow(0);
  phone->setReplyFault(virtualphone::ReplyFault::FlagZero);
  rig.dialogs.AnswerMessage(MessageAnswer::Ok);
  form().CheckBox2.click();
  ASSERT_EQ(rig.dialogs.Questions().size(), 2u);
  EXPECT_EQ(rig.dialogs.Questions()[1].caption, QStringLiteral("Ошибка"));
}

TEST_F(FileBrowser, SavingThreeFilesWritesEachUnderItsLastNamePart) {
  Start({{"/a/mobile/one.bin", PhoneFile{0, 0, Bytes(9000, 1)}},
         {"/a/mobile/audio/two.mid", PhoneFile{0, 0, Bytes(4000, 2)}},
         {"/a/mobile/three", PhoneFile{0, 0, Bytes(2, 3)}}});
  form().StatusBar1.SetPanel(0, QStringLiteral("before"));
  Select({0, 1, 2});
  rig.dialogs.AnswerFolder(QString::fromStdString(host.path().string()));
  form().SpeedButton1.click();
  EXPECT_EQ(Read(host.path() / "one.bin"), Bytes(9000, 1));
  EXPECT_EQ(Read(host.path() / "two.mid"), Bytes(4000, 2));
  EXPECT_EQ(Read(host.path() / "three"), Bytes(2, 3));
  EXPECT_EQ(form().StatusBar1.Panel(0), QStringLiteral("before"));
  EXPECT_EQ(rig.dialogs.Unused(), 0u);
  EXPECT_EQ(form().ListView1.rowCount(), 3);
}

TEST_F(FileBrowser, CancellingTheFolderSavesNothing) {
  Start({{"/a/mobile/one.bin", PhoneFile{0, 0, Bytes(10, 1)}}});
  form().StatusBar1.SetPanel(0, QStringLiteral("before"));
  Select({0});
  rig.dialogs.AnswerFolder(std::nullopt);
  form().N10.trigger();
  EXPECT_TRUE(fs::is_empty(host.path()));
  EXPECT_EQ(form().StatusBar1.Panel(0), QStringLiteral("before"));
}

TEST_F(FileBrowser, AnEmptyUploadNameSkipsTheFileButTheListIsReadAgain) {
  Start({});
  const fs::path source = host.path() / "tune.mid";
  std::ofstream(source, std::ios::binary) << "MThd";
  rig.dialogs.AnswerOpenFiles(QStringList{QString::fromStdString(source.string())});
  rig.dialogs.AnswerInput(QString());
  // A file that appeared on the phone meanwhile shows only when the list is read again.
  rig.personality->MutableState().files["/a/other"] = PhoneFile{0, 0, Bytes(3, 1)};
  form().SpeedButton2.click();
  EXPECT_EQ(rig.dialogs.Questions().back().text, QStringLiteral("Укажите путь для закачки:"));
  ASSERT_EQ(form().ListView1.rowCount(), 1);
  EXPECT_EQ(Cell(0, 1), QStringLiteral("/a/other"));

  rig.dialogs.AnswerOpenFiles(QStringList{QString::fromStdString(source.string())});
  rig.dialogs.AnswerInput(std::nullopt);  // cancelled: the proposal stands
  form().SpeedButton2.click();
  ASSERT_EQ(form().ListView1.rowCount(), 2);
  EXPECT_EQ(rig.personality->State().files.at("/a/mobile/tune.mid").contents.size(), 4u);
}

TEST_F(FileBrowser, RestartAndModeChangesPressedDuringAnUploadAreRefusedAndItCompletesWhole) {
  Start({});
  const fs::path source = host.path() / "photo.jpg";
  const auto content = Bytes(5500, 3);
  std::ofstream(source, std::ios::binary)
      .write(reinterpret_cast<const char*>(content.data()),
             static_cast<std::streamsize>(content.size()));
  rig.dialogs.AnswerOpenFiles(QStringList{QString::fromStdString(source.string())});
  rig.dialogs.AnswerInput(std::nullopt);
  for (int i = 0; i < 10; ++i) rig.dialogs.AnswerMessage(MessageAnswer::Ok);
  // Runs inside the first progress callback, as the event loop does during a copy.
  QTimer::singleShot(0, [&] {
    for (QPushButton* button :
         {&form().BitBtn2, &form().Button7, &form().Button8, &form().Button9, &form().Button10})
      button->click();
    for (QAction* entry : {&form().N2, &form().N7, &form().Flash1, &form().N9, &form().AT1})
      entry->trigger();
  });
  const auto appearance = phone->appearance();
  form().SpeedButton2.click();
  EXPECT_EQ(phone->mode(), virtualphone::PhoneMode::P2K);
  EXPECT_EQ(phone->appearance(), appearance) << "the phone left the bus during the copy";
  EXPECT_EQ(rig.personality->State().files.at("/a/mobile/photo.jpg").contents, content);
  const auto& questions = rig.dialogs.Questions();
  EXPECT_EQ(std::count_if(questions.begin(), questions.end(),
                          [](const auto& question) {
                            return question.text ==
                                   QStringLiteral("Дождитесь окончания копирования файла.");
                          }),
            10);

  // Once the copy has ended the same button acts.
  form().BitBtn2.click();
  EXPECT_EQ(phone->mode(), virtualphone::PhoneMode::Off);
}

TEST_F(FileBrowser, DeletingAsksFirstAndDeletesTheSelectedFiles) {
  Start({{"/a/mobile/a.txt", PhoneFile{0, 0, Bytes(5, 1)}},
         {"/a/mobile/b.txt", PhoneFile{0, 0, Bytes(5, 2)}}});
  Select({0});
  rig.dialogs.AnswerMessage(MessageAnswer::No);
  form().SpeedButton3.click();
  EXPECT_EQ(form().ListView1.rowCount(), 2);

  rig.dialogs.AnswerMessage(MessageAnswer::Yes);
  rig.dialogs.AnswerMessage(MessageAnswer::Ok);
  form().MenuItem1.trigger();
  ASSERT_EQ(form().ListView1.rowCount(), 1);
  EXPECT_EQ(Cell(0, 1), QStringLiteral("/a/mobile/b.txt"));
  EXPECT_EQ(rig.dialogs.Questions().back().text, QStringLiteral("Файл успешно удален!"));
}

// The reason is the window's own Russian, once, after the one name it concerns.
TEST_F(FileBrowser, AFileThatStaysIsNamedOnceWithItsReasonInRussian) {
  Start({{"/a/mobile/a.txt", PhoneFile{0, 0, Bytes(5, 1)}},
         {"/a/mobile/readme.txt", PhoneFile{0x01, 0, Bytes(5, 2)}}});
  Select({0, 1});
  rig.dialogs.AnswerMessage(MessageAnswer::Yes);
  rig.dialogs.AnswerMessage(MessageAnswer::Ok);
  form().SpeedButton3.click();
  EXPECT_EQ(rig.dialogs.Questions().back().text,
            QStringLiteral("Не удалось удалить:\n/a/mobile/readme.txt: файл только для чтения; "
                           "сначала снимите его атрибуты"));
  ASSERT_EQ(form().ListView1.rowCount(), 1);
  EXPECT_EQ(Cell(0, 1), QStringLiteral("/a/mobile/readme.txt"));
}

TEST_F(FileBrowser, TheChoosersOpenInTheHomeFolderThenWhereTheUserLastWent) {
  Start({{"/a/mobile/one.bin", PhoneFile{0, 0, Bytes(10, 1)}}});
  const QString chosen = QString::fromStdString(host.path().string());
  Select({0});
  rig.dialogs.AnswerFolder(chosen);
  form().SpeedButton1.click();
  ASSERT_EQ(rig.dialogs.Questions().size(), 1u);
  EXPECT_EQ(rig.dialogs.Questions()[0].text, QDir::homePath());

  rig.dialogs.AnswerOpenFiles(std::nullopt);
  form().SpeedButton2.click();
  EXPECT_EQ(rig.dialogs.Questions().back().text, chosen);

  fs::create_directory(host.path() / "sub");
  std::ofstream(host.path() / "sub" / "x.bin") << "x";
  rig.dialogs.AnswerOpenFiles(
      QStringList{QString::fromStdString((host.path() / "sub" / "x.bin").string())});
  rig.dialogs.AnswerInput(QString());
  form().SpeedButton2.click();
  Select({0});
  rig.dialogs.AnswerFolder(std::nullopt);
  form().SpeedButton1.click();
  EXPECT_EQ(rig.dialogs.Questions().back().text,
            QString::fromStdString((host.path() / "sub").string()));
  EXPECT_EQ(rig.dialogs.Unused(), 0u);
}

TEST_F(FileBrowser, APhoneUnpluggedDuringASaveLeavesNoFileAndTheRowsStay) {
  Start({{"/a/mobile/big.bin", PhoneFile{0, 0, Bytes(40000, 1)}}});
  Select({0});
  rig.dialogs.AnswerFolder(QString::fromStdString(host.path().string()));
  rig.dialogs.AnswerMessage(MessageAnswer::Ok);
  // Runs inside the first progress callback, as the event loop does during a copy.
  bool refused = false;
  QTimer::singleShot(0, [&] {
    rig.phones.bus.unplug(*phone);
    form().Timer1Timer();
    form().ReadMobile();  // another file action in the middle of the copy
    refused = form().ListView1.rowCount() == 1 && form().Copying();
  });
  form().SpeedButton1.click();
  EXPECT_TRUE(refused);
  EXPECT_FALSE(form().Copying());
  EXPECT_TRUE(fs::is_empty(host.path()));
  ASSERT_EQ(rig.dialogs.Questions().size(), 2u);
  EXPECT_EQ(rig.dialogs.Questions()[1].caption, QStringLiteral("Ошибка"));
  EXPECT_EQ(form().ListView1.rowCount(), 1);
  EXPECT_EQ(form().TrayImageIndex(), mainwindow::kImageNoPhone);
}

TEST_F(FileBrowser, AHostFileThatCannotBeOpenedGoesToTheErrorBox) {
  Start({});
  rig.dialogs.AnswerOpenFiles(QStringList{QString::fromStdString((host.path() / "gone").string())});
  rig.dialogs.AnswerInput(std::nullopt);
  rig.dialogs.AnswerMessage(MessageAnswer::Ok);
  form().SpeedButton2.click();
  ASSERT_EQ(rig.dialogs.Questions().size(), 3u);
  EXPECT_EQ(rig.dialogs.Questions()[2].icon, desktop::MessageIcon::Error);
}

}  // namespace
}  // namespace vestrel::testing
