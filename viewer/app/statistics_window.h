// The statistics window with its four lists.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "chatscope/statistics.h"
#include "chatscope/statistics_view.h"
#include "wrapping_tabs.h"

class QTableView;

namespace chatscope {

// One row of a report list: up to three columns of Shift-JIS bytes, and for the
// item list the number of item records of the row as an integer.
struct ReportRow {
    std::array<std::string, 3> cells;
    std::int64_t count = 0;
};

// The rows of one report list. Texts stay Shift-JIS bytes and are decoded only
// when a view asks for them, so a refill of a few hundred thousand rows costs
// no more than building the vector.
class ReportModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int CountRole = Qt::UserRole + 1;  // ReportRow::count as qlonglong

    explicit ReportModel(QStringList captions, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Replaces every row.
    void SetRows(std::vector<ReportRow> rows);
    // Stable sort of all rows; selected rows stay selected.
    void SortRows(const std::function<bool(const ReportRow&, const ReportRow&)>& less);

    const ReportRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    const std::vector<ReportRow>& Rows() const { return rows_; }
    QString Text(int row, int column) const;

private:
    QStringList captions_;
    std::vector<ReportRow> rows_;
};

class StatisticsWindow : public QWidget {
    Q_OBJECT
public:
    // A view of `stats` (the session's), shown beside `anchor` (the main window).
    StatisticsWindow(const LogStatistics& stats, QWidget* anchor, QWidget* parent = nullptr);

    // Refills the four lists from the statistics (whenever the session's change).
    void RefreshStatistics();

    // Its parts go by their object names: the tabs "tabs", the lists
    // "countersList", "itemsList", "monstersList" and "partnersList", and their
    // models "countersModel", "itemsModel", "monstersModel" and "partnersModel".
    // A click on a column header of the last three sorts by that column.

    const SortState& SortStateOf(int slot) const { return sort_[slot]; }

signals:
    // The close box was clicked while the window was shown: whoever toggles it hides it.
    void CloseRequested();

protected:
    void showEvent(QShowEvent* event) override;    // placement beside the anchor
    void closeEvent(QCloseEvent* event) override;  // CloseRequested

private:
    void SortList(int slot, ReportModel& model, int column);

    WrappingTabs* tabs_ = nullptr;
    QTableView* countersList_ = nullptr;
    QTableView* itemsList_ = nullptr;
    QTableView* monstersList_ = nullptr;
    QTableView* partnersList_ = nullptr;
    ReportModel* countersModel_ = nullptr;
    ReportModel* itemsModel_ = nullptr;
    ReportModel* monstersModel_ = nullptr;
    ReportModel* partnersModel_ = nullptr;

    const LogStatistics& stats_;
    QWidget* anchor_;
    SortState sort_[3];
};

}  // namespace chatscope
