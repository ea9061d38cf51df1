#pragma once

#include "desktop/Dialogs.h"

namespace vestrel::desktop {

// The dialogs as Qt's modal message box, file dialogs and input dialog.
class QtDialogs final : public Dialogs {
 public:
  MessageAnswer Message(QWidget* parent, const QString& caption, const QString& text,
                        MessageIcon icon, MessageButtons buttons) override;
  std::optional<QString> ChooseFolder(QWidget* parent, const QString& title,
                                      const QString& startFolder) override;
  std::optional<QStringList> OpenFileNames(QWidget* parent, const QString& title,
                                           const QString& folder, const QString& filter) override;
  std::optional<QString> SaveFileName(QWidget* parent, const QString& title,
                                      const QString& proposed, const QString& filter) override;
  std::optional<QString> InputText(QWidget* parent, const QString& title, const QString& label,
                                   const QString& initial) override;
};

}  // namespace vestrel::desktop
