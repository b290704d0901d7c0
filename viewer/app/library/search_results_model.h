// SearchResultsModel: the matches of a LibrarySearch as a table of file name,
// line number and line, rows added as the matches arrive. The lines are read
// from their files only for the rows a view asks for (ResultTexts), in the
// background: a row's line shows once it was read (dataChanged).
#pragma once

#include <QAbstractTableModel>

#include <cstdint>

#include "library/result_texts.h"

namespace chatscope {

class LibrarySearch;

class SearchResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { FileColumn, LineColumn, TextColumn, ColumnCount };
    // Qt::UserRole on any column: the file's path (decoded local path).
    static constexpr int kPathRole = Qt::UserRole;
    // Qt::UserRole + 1: whether the line was read (it is read when first asked for).
    static constexpr int kReadRole = Qt::UserRole + 1;

    explicit SearchResultsModel(LibrarySearch& search, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The display's background, a display colour 0x00BBGGRR, behind the lines.
    void SetBackground(std::uint32_t displayColour);

private:
    const LibrarySearch& search_;
    mutable ResultTexts texts_;
    int rows_ = 0;
    std::uint32_t background_ = 0;
};

// A display colour 0x00BBGGRR as a QColor.
QColor FromDisplayColour(std::uint32_t displayColour);

}  // namespace chatscope
