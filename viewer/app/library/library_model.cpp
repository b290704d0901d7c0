#include "library_model.h"

#include <QDateTime>
#include <QLocale>

#include "figures.h"
#include "local_path.h"

namespace chatscope {

namespace {

const char* const kCaptions[LibraryModel::kColumnCount] = {"名前", "最終更新", "サイズ", "行数", "経験値"};

}  // namespace

LibraryModel::LibraryModel(QObject* parent) : QAbstractTableModel(parent) {}

int LibraryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int LibraryModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant LibraryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const LibraryRow& r = Row(index.row());
    const bool counted = r.state == LibraryRow::State::Counted;
    if (role == SortRole) {
        switch (index.column()) {
        case NameColumn: return index.row();  // the rows are in byte-wise name order
        case ChangedColumn: return qlonglong(r.stamp.mtimeNs);
        case SizeColumn: return qlonglong(r.stamp.size);
        case LinesColumn: return counted ? qlonglong(r.count.lines) : qlonglong(-1);
        case ExperienceColumn: return counted ? qlonglong(r.count.experience) : qlonglong(-1);
        }
        return {};
    }
    if (role == Qt::TextAlignmentRole && index.column() >= SizeColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && index.column() == NameColumn) return FromLocalPath(r.path);
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
    case NameColumn: return FromLocalPath(r.name);
    case ChangedColumn:
        return QDateTime::fromMSecsSinceEpoch(r.stamp.mtimeNs / 1000000)
            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case SizeColumn: return Figure(r.stamp.size);
    case LinesColumn:
    case ExperienceColumn:
        if (r.state == LibraryRow::State::Unreadable) return QStringLiteral("読めません");
        if (!counted) return QString();
        return Figure(index.column() == LinesColumn ? r.count.lines : r.count.experience);
    }
    return {};
}

QVariant LibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount) return {};
    return QString::fromUtf8(kCaptions[section]);
}

void LibraryModel::Reindex() {
    rowOf_.clear();
    rowOf_.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) rowOf_[rows_[i].path] = static_cast<int>(i);
}

int LibraryModel::RowOf(const std::string& path) const {
    const auto it = rowOf_.find(path);
    return it == rowOf_.end() ? -1 : it->second;
}

std::vector<int> LibraryModel::Update(std::vector<LibraryRow> fresh) {
    // Both lists are in byte-wise name order: one merge walk removes and inserts.
    std::size_t i = 0, j = 0;
    while (i < rows_.size() || j < fresh.size()) {
        if (j == fresh.size() || (i < rows_.size() && rows_[i].name < fresh[j].name)) {
            std::size_t end = i + 1;
            while (end < rows_.size() && (j == fresh.size() || rows_[end].name < fresh[j].name)) ++end;
            beginRemoveRows({}, int(i), int(end) - 1);
            rows_.erase(rows_.begin() + std::ptrdiff_t(i), rows_.begin() + std::ptrdiff_t(end));
            endRemoveRows();
        } else if (i == rows_.size() || fresh[j].name < rows_[i].name) {
            std::size_t end = j + 1;
            while (end < fresh.size() && (i == rows_.size() || fresh[end].name < rows_[i].name)) ++end;
            beginInsertRows({}, int(i), int(i + end - j) - 1);
            rows_.insert(rows_.begin() + std::ptrdiff_t(i), std::make_move_iterator(fresh.begin() + std::ptrdiff_t(j)),
                         std::make_move_iterator(fresh.begin() + std::ptrdiff_t(end)));
            endInsertRows();
            i += end - j;
            j = end;
        } else {
            LibraryRow& old = rows_[i];
            LibraryRow& now = fresh[j];
            const bool same = old.path == now.path && old.stamp == now.stamp &&
                              (now.state == LibraryRow::State::Pending || now.state == old.state);
            if (!same) {
                old = std::move(now);
                emit dataChanged(index(int(i), 0), index(int(i), kColumnCount - 1));
            }
            ++i;
            ++j;
        }
    }
    Reindex();
    std::vector<int> toCount;
    for (std::size_t r = 0; r < rows_.size(); ++r)
        if (rows_[r].state == LibraryRow::State::Pending) toCount.push_back(int(r));
    return toCount;
}

void LibraryModel::Clear() {
    if (rows_.empty()) return;
    beginResetModel();
    rows_.clear();
    rowOf_.clear();
    endResetModel();
}

bool LibraryModel::SetCount(const std::string& path, const FileStamp& stamp, const std::optional<FileCount>& count) {
    const int row = RowOf(path);
    if (row < 0) return false;
    LibraryRow& r = rows_[std::size_t(row)];
    if (!(r.stamp == stamp)) return false;
    r.state = count ? LibraryRow::State::Counted : LibraryRow::State::Unreadable;
    if (count) r.count = *count;
    emit dataChanged(index(row, LinesColumn), index(row, ExperienceColumn));
    return true;
}

}  // namespace chatscope
