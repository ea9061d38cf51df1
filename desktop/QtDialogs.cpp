#include "desktop/QtDialogs.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>

namespace vestrel::desktop {
namespace {

QMessageBox::Icon qtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Error:
      return QMessageBox::Critical;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::Ok:
      break;
  }
  return QMessageBox::Ok;
}

// A message box is as wide as its text; a longer caption would be cut in the title bar, so the
// box is widened to the caption with room for the title bar's buttons.
void KeepCaptionWhole(QMessageBox& box, const QString& caption) {
  constexpr int kTitleBarButtons = 120;
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  const int width = box.fontMetrics().horizontalAdvance(caption) + kTitleBarButtons;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                grid->rowCount(), 0, 1, grid->columnCount());
}

std::optional<QString> unlessEmpty(const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  return text;
}

}  // namespace

MessageAnswer QtDialogs::Message(QWidget* parent, const QString& caption, const QString& text,
                                 MessageIcon icon, MessageButtons buttons) {
  QMessageBox box(qtIcon(icon), caption, text, qtButtons(buttons), parent);
  KeepCaptionWhole(box, caption);
  switch (box.exec()) {
    case QMessageBox::Ok:
      return MessageAnswer::Ok;
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    default:
      break;
  }
  return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Cancel;
}

std::optional<QString> QtDialogs::ChooseFolder(QWidget* parent, const QString& title,
                                               const QString& startFolder) {
  return unlessEmpty(QFileDialog::getExistingDirectory(parent, title, startFolder));
}

std::optional<QStringList> QtDialogs::OpenFileNames(QWidget* parent, const QString& title,
                                                    const QString& folder, const QString& filter) {
  QStringList names = QFileDialog::getOpenFileNames(parent, title, folder, filter);
  if (names.isEmpty()) return std::nullopt;
  return names;
}

std::optional<QString> QtDialogs::SaveFileName(QWidget* parent, const QString& title,
                                               const QString& proposed, const QString& filter) {
  return unlessEmpty(QFileDialog::getSaveFileName(parent, title, proposed, filter));
}

std::optional<QString> QtDialogs::InputText(QWidget* parent, const QString& title,
                                            const QString& label, const QString& initial) {
  bool accepted = false;
  QString text = QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &accepted);
  if (!accepted) return std::nullopt;
  return text;
}

}  // namespace vestrel::desktop
