#include "tools/BackupShot.h"

#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <optional>

#include "backup/window/BackUp.h"
#include "platform/fake/RecordingShell.h"
#include "platform/virtual/VirtualBus.h"

namespace vestrel::tools {
namespace {

namespace fs = std::filesystem;

// Answers the run's folder question with the scene's own folder; nothing else is asked.
class FolderAnswer final : public desktop::Dialogs {
 public:
  explicit FolderAnswer(QString folder) : folder_(std::move(folder)) {}
  desktop::MessageAnswer Message(QWidget*, const QString&, const QString&, desktop::MessageIcon,
                                 desktop::MessageButtons) override {
    return desktop::MessageAnswer::Ok;
  }
  std::optional<QString> ChooseFolder(QWidget*, const QString&, const QString&) override {
    return folder_;
  }
  std::optional<QStringList> OpenFileNames(QWidget*, const QString&, const QString&,
                                           const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&,
                                      const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> InputText(QWidget*, const QString&, const QString&,
                                   const QString&) override {
    return std::nullopt;
  }

 private:
  QString folder_;
};

class BackupScene final : public Scene {
 public:
  BackupScene(std::size_t model, bool running) {
    // A program home with a stand-in loader for every model, and a folder for the files.
    const fs::path home = fs::path(home_.path().toStdString());
    fs::create_directories(home / "Profiles");
    fs::create_directories(home / "out");
    for (const backup::ModelRow& row : backup::ModelMemoryMap) {
      std::ofstream(home / "Profiles" / row.loader, std::ios::binary) << std::string(20000, 'Z');
    }
    form_.cob.setCurrentIndex(static_cast<int>(model));
    form_.show();
    if (!running) return;
    QTimer::singleShot(0, &form_, [this] {
      form_.Timer1Timer();  // opens the phone, as the first tick does
      form_.Button13.click();
    });
  }

  QWidget* Window() override { return &form_; }
  int DelayMs() const override { return 600; }
  // Closing closes the phone, so the rest of a run fails at once.
  void Finish() override { form_.close(); }

 private:
  QTemporaryDir home_;
  virtualphone::VirtualClock clock_;
  virtualphone::VirtualBus bus_{clock_};
  std::shared_ptr<virtualphone::VirtualPhone> phone_ =
      bus_.plug({"Port_#0001.Hub_#0002", "SHOT", 8}, virtualphone::PhoneMode::Flash);
  platform::RecordingShell shell_{fs::path(home_.path().toStdString()) / "vestrel"};
  FolderAnswer dialogs_{home_.filePath(QStringLiteral("out"))};
  backup::TForm4 form_{{bus_, clock_}, shell_, dialogs_};
};

}  // namespace

std::unique_ptr<Scene> MakeBackupScene(const QStringList& options) {
  std::size_t model = 0;
  bool running = false;
  for (qsizetype i = 0; i < options.size(); ++i) {
    if (options[i] == QStringLiteral("--running")) {
      running = true;
    } else if (options[i] == QStringLiteral("--model") && i + 1 < options.size()) {
      const auto row = backup::FindModel(options[++i].toStdString());
      if (!row) return nullptr;
      model = *row;
    } else {
      return nullptr;
    }
  }
  return std::make_unique<BackupScene>(model, running);
}

}  // namespace vestrel::tools
