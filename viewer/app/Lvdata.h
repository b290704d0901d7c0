// Form3: the statistics window with its four lists.
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

class QTabWidget;
class QTableView;

namespace chatscope {

class TForm1;

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

// Places a side window beside the main window: its left edge at the main
// window's right edge, or flush with the right edge of the main window's screen
// when it would reach or pass it; its top at the main window's top.
void PlaceBesideMainWindow(QWidget& window, const QWidget& mainWindow);

class TForm3 : public QWidget {
    Q_OBJECT
public:
    TForm3(const LogStatistics& stats, TForm1& form1, QWidget* parent = nullptr);

    // Refills the four lists from the statistics of the last pass.
    void RefreshStatistics();

    QTabWidget* PageControl1 = nullptr;
    QTableView* List1 = nullptr;
    QTableView* List2 = nullptr;
    QTableView* List3 = nullptr;
    QTableView* List4 = nullptr;
    ReportModel* Model1 = nullptr;
    ReportModel* Model2 = nullptr;
    ReportModel* Model3 = nullptr;
    ReportModel* Model4 = nullptr;

    // Column clicks (column index 0-based in the list), public for the tests.
    void List2ColumnClick(int column);
    void List3ColumnClick(int column);
    void List4ColumnClick(int column);

    const SortState& SortStateOf(int slot) const { return sort_[slot]; }

protected:
    void showEvent(QShowEvent* event) override;    // FormShow: placement
    void closeEvent(QCloseEvent* event) override;  // FormCloseQuery

private:
    void SortList(int slot, ReportModel& model, int column);

    const LogStatistics& stats_;
    TForm1& form1_;
    SortState sort_[3];
};

}  // namespace chatscope
