#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "phonefiles/Browser.h"

namespace vestrel::mainwindow {

// The file list's four columns ("#", "Файл", "Атрибут", "Размер") over the browser's rows, in
// the order phonefiles::RowsByNumberText gives them. Read-only; the window replaces the rows
// whole after every listing. UI thread only.
class FileListModel : public QAbstractTableModel {
 public:
  static constexpr int kNumberColumn = 0;
  static constexpr int kNameColumn = 1;
  static constexpr int kAttributeColumn = 2;
  static constexpr int kSizeColumn = 3;

  using QAbstractTableModel::QAbstractTableModel;

  void SetRows(std::vector<phonefiles::BrowserRow> rows);
  // The row at `row`, which must be below rowCount().
  const phonefiles::BrowserRow& Row(int row) const { return rows_.at(static_cast<size_t>(row)); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<phonefiles::BrowserRow> rows_;
};

}  // namespace vestrel::mainwindow
