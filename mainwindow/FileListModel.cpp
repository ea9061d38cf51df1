#include "mainwindow/FileListModel.h"

#include <array>

#include "phonelink/PhoneText.h"

namespace vestrel::mainwindow {

void FileListModel::SetRows(std::vector<phonefiles::BrowserRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 4; }

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const phonefiles::BrowserRow& row = Row(index.row());
  if (role == Qt::TextAlignmentRole) {
    const bool centred = index.column() == kAttributeColumn || index.column() == kSizeColumn;
    return QVariant::fromValue(Qt::Alignment(centred ? Qt::AlignHCenter : Qt::AlignLeft) |
                               Qt::AlignVCenter);
  }
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kNumberColumn:
      return QString::number(row.number);
    case kNameColumn:
      return QString::fromStdString(phonelink::PhoneTextForDisplay(row.file.Name));
    case kAttributeColumn:
      return QString::fromStdString(phonelink::AttrToText(row.file.Attr));
    case kSizeColumn:
      // The size column shows the listing's 32 bits as a signed number.
      return QString::number(static_cast<std::int32_t>(row.file.Size));
    default:
      return {};
  }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const std::array<QString, 4> kTitles{QStringLiteral("#"), QStringLiteral("Файл"),
                                              QStringLiteral("Атрибут"), QStringLiteral("Размер")};
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= 4)
    return {};
  return kTitles.at(static_cast<std::size_t>(section));
}

}  // namespace vestrel::mainwindow
