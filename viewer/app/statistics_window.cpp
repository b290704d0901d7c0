// The statistics window.
#include "statistics_window.h"

#include <QCloseEvent>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>
#include <string_view>
#include <utility>

#include "side_window_placement.h"
#include "sjis/shift_jis.h"
#include "viewer_font.h"

namespace chatscope {

namespace {

bool FirstColumnLess(const ReportRow& a, const ReportRow& b) { return CompareText(a.cells[0], b.cells[0]) < 0; }

QTableView* MakeReportList(ReportModel* model, std::initializer_list<int> widths, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setModel(model);
    view->setShowGrid(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->setCornerButtonEnabled(false);
    view->setTabKeyNavigation(false);
    view->setSortingEnabled(false);  // the window sorts by its own rules

    QHeaderView* rowsHeader = view->verticalHeader();
    rowsHeader->hide();
    rowsHeader->setMinimumSectionSize(1);
    rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowsHeader->setDefaultSectionSize(QFontMetrics(view->font()).height() + 3);

    QHeaderView* columns = view->horizontalHeader();
    columns->setSectionsClickable(true);
    columns->setHighlightSections(false);
    columns->setSortIndicatorShown(false);
    columns->setStretchLastSection(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setMinimumSectionSize(1);
    int column = 0;
    for (int width : widths) view->setColumnWidth(column++, width);
    return view;
}

std::vector<ReportRow> NamedCountRows(const NameTally& tally, bool withKind) {
    std::vector<ReportRow> rows;
    rows.reserve(tally.size());
    for (const NamedCount& entry : tally.entries()) {
        ReportRow row;
        row.cells[0] = entry.name;
        row.cells[1] = std::to_string(entry.Count());
        if (withKind) row.cells[2] = PartnerKindText(entry.Kind());
        row.count = entry.Count();
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

// ---------------------------------------------------------------------------
// ReportModel

ReportModel::ReportModel(QStringList captions, QObject* parent)
    : QAbstractTableModel(parent), captions_(std::move(captions)) {}

int ReportModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ReportModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QString ReportModel::Text(int row, int column) const {
    return sjis::Decode(rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)]);
}

QVariant ReportModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
    if (role == Qt::DisplayRole) return Text(index.row(), index.column());
    if (role == CountRole) return QVariant::fromValue<qlonglong>(Row(index.row()).count);
    return {};
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < captions_.size())
        return captions_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ReportModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void ReportModel::SetRows(std::vector<ReportRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void ReportModel::SortRows(const std::function<bool(const ReportRow&, const ReportRow&)>& less) {
    const std::size_t n = rows_.size();
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return less(rows_[a], rows_[b]); });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<ReportRow> sorted;
    sorted.reserve(n);
    for (std::size_t from : order) sorted.push_back(std::move(rows_[from]));
    rows_.swap(sorted);

    const QModelIndexList before = persistentIndexList();
    if (!before.isEmpty()) {
        std::vector<int> newRow(n);
        for (std::size_t to = 0; to < n; ++to) newRow[order[to]] = static_cast<int>(to);
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& old : before)
            after.append(index(newRow[static_cast<std::size_t>(old.row())], old.column()));
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// ---------------------------------------------------------------------------
// StatisticsWindow

StatisticsWindow::StatisticsWindow(const LogStatistics& stats, QWidget* anchor, QWidget* parent)
    : QWidget(parent, Qt::Window), stats_(stats), anchor_(anchor) {
    setWindowTitle(QStringLiteral("chatscope Data"));
    setFont(ViewerFont());
    resize(223, 463);

    // The tab row wraps, so all four captions stay visible at the window's width.
    tabs_ = new WrappingTabs(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs_);

    countersModel_ = new ReportModel({QStringLiteral("項目"), QStringLiteral("内容")}, this);
    itemsModel_ = new ReportModel({QStringLiteral("アイテム"), QStringLiteral("数"), QStringLiteral("取得者")}, this);
    monstersModel_ = new ReportModel({QStringLiteral("モンスター"), QStringLiteral("数")}, this);
    partnersModel_ = new ReportModel({QStringLiteral("名前"), QStringLiteral("回数"), QStringLiteral("種別")}, this);

    countersList_ = MakeReportList(countersModel_, {120, 80}, tabs_);
    itemsList_ = MakeReportList(itemsModel_, {110, 30, 60}, tabs_);
    monstersList_ = MakeReportList(monstersModel_, {160, 40}, tabs_);
    partnersList_ = MakeReportList(partnersModel_, {90, 40, 70}, tabs_);
    countersList_->horizontalHeader()->setSectionsClickable(false);

    tabs_->addTab(countersList_, QStringLiteral("各種統計"));
    tabs_->addTab(itemsList_, QStringLiteral("アイテム"));
    tabs_->addTab(monstersList_, QStringLiteral("倒したモンスター"));
    tabs_->addTab(partnersList_, QStringLiteral("会話相手"));
    tabs_->setCurrentIndex(0);

    connect(itemsList_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { SortList(0, *itemsModel_, column); });
    connect(monstersList_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { SortList(1, *monstersModel_, column); });
    connect(partnersList_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { SortList(2, *partnersModel_, column); });

    const std::pair<QObject*, const char*> names[] = {
        {tabs_, "tabs"},
        {countersList_, "countersList"},
        {itemsList_, "itemsList"},
        {monstersList_, "monstersList"},
        {partnersList_, "partnersList"},
        {countersModel_, "countersModel"},
        {itemsModel_, "itemsModel"},
        {monstersModel_, "monstersModel"},
        {partnersModel_, "partnersModel"},
    };
    for (const auto& [part, name] : names) part->setObjectName(QLatin1String(name));

    RefreshStatistics();
}

void StatisticsWindow::RefreshStatistics() {
    // Counters, in their fixed order.
    std::vector<ReportRow> counters;
    for (auto& [caption, value] : CounterRows(stats_)) {
        ReportRow row;
        row.cells[0] = std::move(caption);
        row.cells[1] = std::move(value);
        counters.push_back(std::move(row));
    }
    countersModel_->SetRows(std::move(counters));

    // Items: one row per (item, obtainer) pair with the number of its records.
    const std::vector<ItemRow>& merged = stats_.items.Merged();
    std::vector<ReportRow> items;
    items.reserve(merged.size());
    for (const ItemRow& pair : merged) {
        ReportRow row;
        row.cells[0] = pair.name;
        row.cells[1] = std::to_string(pair.count);
        row.cells[2] = pair.obtainer;
        row.count = pair.count;
        items.push_back(std::move(row));
    }
    std::stable_sort(items.begin(), items.end(), FirstColumnLess);
    itemsModel_->SetRows(std::move(items));

    std::vector<ReportRow> monsters = NamedCountRows(stats_.DefeatedMonsters, false);
    std::stable_sort(monsters.begin(), monsters.end(), FirstColumnLess);
    monstersModel_->SetRows(std::move(monsters));

    std::vector<ReportRow> partners = NamedCountRows(stats_.TalkPartners, true);
    std::stable_sort(partners.begin(), partners.end(), FirstColumnLess);
    partnersModel_->SetRows(std::move(partners));
}

void StatisticsWindow::SortList(int slot, ReportModel& model, int column) {
    if (column < 0 || column >= model.columnCount()) return;
    const int id = column + 1;  // "アイテム"/"モンスター"/"名前" 1, "数"/"回数" 2, "取得者"/"種別" 3
    const int direction = NextSortDirection(sort_[slot], id);
    switch (id) {
    case 1:
        model.SortRows([direction](const ReportRow& a, const ReportRow& b) {
            return CompareByName(a.cells[0], b.cells[0], direction) < 0;
        });
        break;
    case 2:
        model.SortRows([direction](const ReportRow& a, const ReportRow& b) {
            return CompareByCount(a.cells[1], b.cells[1], direction) < 0;
        });
        break;
    default:
        model.SortRows([direction](const ReportRow& a, const ReportRow& b) {
            return CompareByThirdColumn(a.cells[2], b.cells[2], direction) < 0;
        });
        break;
    }
}

void StatisticsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous() && anchor_) PlaceBeside(*this, *anchor_);
}

void StatisticsWindow::closeEvent(QCloseEvent* event) {
    // The toggle hides this window and clears both "データ" check marks.
    if (isVisible()) emit CloseRequested();
    event->accept();
}

}  // namespace chatscope
