#include "library/search_results_model.h"

#include <QColor>
#include <QFileInfo>

#include <algorithm>

#include "library/library_search.h"
#include "local_path.h"

namespace chatscope {

QColor FromDisplayColour(std::uint32_t c) { return QColor(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)); }

SearchResultsModel::SearchResultsModel(LibrarySearch& search, QObject* parent)
    : QAbstractTableModel(parent), search_(search), texts_(search) {
    connect(&texts_, &ResultTexts::Ready, this, [this](std::size_t first, std::size_t count) {
        const int last = std::min(rows_, static_cast<int>(first + count)) - 1;
        if (count > 0 && static_cast<int>(first) <= last)
            emit dataChanged(index(static_cast<int>(first), TextColumn), index(last, TextColumn));
    });
    connect(&search, &LibrarySearch::Started, this, [this] {
        beginResetModel();
        rows_ = 0;
        texts_.Clear();
        endResetModel();
    });
    connect(&search, &LibrarySearch::Progressed, this, [this](std::size_t, std::size_t count) {
        if (count == 0) return;
        const int size = static_cast<int>(search_.Hits().size());
        beginInsertRows({}, rows_, size - 1);
        rows_ = size;
        endInsertRows();
    });
}

int SearchResultsModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int SearchResultsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const {
    const auto row = static_cast<std::size_t>(index.row());
    if (!index.isValid() || row >= search_.Hits().size()) return {};
    const SearchHit& hit = search_.Hits()[row];
    if (role == kPathRole) return FromLocalPath(search_.Files()[hit.file]);
    if (role == kReadRole) return texts_.Line(row).found;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        if (index.column() == FileColumn) return QFileInfo(FromLocalPath(search_.Files()[hit.file])).fileName();
        if (index.column() == LineColumn) return qlonglong(hit.line);
        return texts_.Line(row).text;
    case Qt::ToolTipRole:
        if (index.column() == FileColumn) return FromLocalPath(search_.Files()[hit.file]);
        return {};
    case Qt::ForegroundRole:
        if (index.column() == TextColumn) return FromDisplayColour(texts_.Line(row).displayColour);
        return {};
    case Qt::BackgroundRole:
        if (index.column() == TextColumn) return FromDisplayColour(background_);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == LineColumn) return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default: return {};
    }
}

QVariant SearchResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case FileColumn: return QStringLiteral("ファイル");
    case LineColumn: return QStringLiteral("行");
    case TextColumn: return QStringLiteral("内容");
    default: return {};
    }
}

void SearchResultsModel::SetBackground(std::uint32_t displayColour) {
    background_ = displayColour;
    if (rows_ > 0) emit dataChanged(index(0, TextColumn), index(rows_ - 1, TextColumn), {Qt::BackgroundRole});
}

}  // namespace chatscope
