// The rows of the library table: one archive of the folder each, in the
// folder's byte-wise name order, with its stamp and, once counted, its lines
// and experience. Views sort through a proxy (SortRole).
#pragma once

#include <QAbstractTableModel>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "chatscope/library_count.h"

namespace chatscope {

struct LibraryRow {
    std::string name;  // as the file system stores it
    std::string path;  // folder and name
    FileStamp stamp;
    enum class State { Pending, Counted, Unreadable } state = State::Pending;
    FileCount count;
};

class LibraryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn, ChangedColumn, SizeColumn, LinesColumn, ExperienceColumn, kColumnCount };
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit LibraryModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Takes the folder's new list (byte-wise order): rows that went are removed,
    // new ones inserted, the others keep their place and, while their stamp is
    // the same, their count. Gives the rows whose stamp changed or that are new.
    std::vector<int> Update(std::vector<LibraryRow> rows);
    void Clear();

    const std::vector<LibraryRow>& Rows() const { return rows_; }
    const LibraryRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    // The row of a path; -1 when it is not listed.
    int RowOf(const std::string& path) const;
    // A count for the row of `path` when it was taken at the row's present stamp.
    bool SetCount(const std::string& path, const FileStamp& stamp, const std::optional<FileCount>& count);

private:
    std::vector<LibraryRow> rows_;
    std::unordered_map<std::string, int> rowOf_;
    void Reindex();
};

}  // namespace chatscope
