#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace vestrel::desktop {

enum class MessageIcon { None, Information, Question, Warning, Error };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// Every question a window asks the user goes through here, so tests can answer it without a
// modal loop. A dismissed dialog answers nullopt (or Cancel, or No when there is no Cancel).
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual MessageAnswer Message(QWidget* parent, const QString& caption, const QString& text,
                                MessageIcon icon, MessageButtons buttons) = 0;
  virtual std::optional<QString> ChooseFolder(QWidget* parent, const QString& title,
                                              const QString& startFolder) = 0;
  virtual std::optional<QStringList> OpenFileNames(QWidget* parent, const QString& title,
                                                   const QString& folder,
                                                   const QString& filter) = 0;
  virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& title,
                                              const QString& proposed, const QString& filter) = 0;
  virtual std::optional<QString> InputText(QWidget* parent, const QString& title,
                                           const QString& label, const QString& initial) = 0;
};

}  // namespace vestrel::desktop
