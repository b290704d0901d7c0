#include "library/search_panel.h"

#include <QAccessible>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include "find/text_matcher.h"
#include "library/library_search.h"
#include "library/search_result_delegate.h"
#include "library/search_results_model.h"
#include "local_path.h"
#include "log_session.h"

namespace chatscope {

namespace {

constexpr qint64 kCountEveryMs = 40;

}  // namespace

LibrarySearchPanel::LibrarySearchPanel(const LogSession& session, QWidget* parent)
    : QWidget(parent), session_(session) {
    search_ = new LibrarySearch(this);
    search_->setObjectName(QStringLiteral("librarySearch"));
    model_ = new SearchResultsModel(*search_, this);
    model_->SetBackground(session.Settings().BackgroundDisplayColour());

    field_ = new QLineEdit(this);
    field_->setObjectName(QStringLiteral("searchField"));
    field_->setPlaceholderText(QStringLiteral("フォルダー内を検索"));
    field_->setAccessibleName(QStringLiteral("フォルダー内を検索"));
    field_->setClearButtonEnabled(true);
    exact_ = new QCheckBox(QStringLiteral("大文字と小文字・全角と半角を区別"), this);
    exact_->setObjectName(QStringLiteral("searchExact"));
    exact_->setAccessibleName(exact_->text());
    selectedOnly_ = new QCheckBox(QStringLiteral("選択したファイルだけ"), this);
    selectedOnly_->setObjectName(QStringLiteral("searchSelectedOnly"));
    selectedOnly_->setAccessibleName(selectedOnly_->text());
    stop_ = new QPushButton(QStringLiteral("停止"), this);
    stop_->setObjectName(QStringLiteral("searchStop"));
    stop_->setAccessibleName(QStringLiteral("検索を停止 (Esc)"));
    stop_->setToolTip(stop_->accessibleName());
    stop_->setEnabled(false);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("searchProgress"));
    progress_->setAccessibleName(QStringLiteral("検索したファイル"));
    progress_->setFormat(QStringLiteral("%v / %m"));
    progress_->setRange(0, 1);
    progress_->setValue(0);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("searchCount"));
    count_->setTextFormat(Qt::PlainText);
    more_ = new QLabel(this);
    more_->setObjectName(QStringLiteral("searchMore"));
    more_->setTextFormat(Qt::PlainText);
    more_->hide();

    results_ = new QTableView(this);
    results_->setObjectName(QStringLiteral("searchResults"));
    results_->setAccessibleName(QStringLiteral("検索結果"));
    results_->setModel(model_);
    delegate_ = new SearchResultDelegate(results_);
    results_->setItemDelegateForColumn(SearchResultsModel::TextColumn, delegate_);
    results_->setSelectionBehavior(QAbstractItemView::SelectRows);
    results_->setSelectionMode(QAbstractItemView::SingleSelection);
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results_->setTabKeyNavigation(false);
    results_->setWordWrap(false);
    results_->setShowGrid(false);
    results_->verticalHeader()->hide();
    // Fixed row heights and column widths: a view of 100,000 rows never measures them.
    results_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    results_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    results_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    results_->horizontalHeader()->setStretchLastSection(true);
    results_->setColumnWidth(SearchResultsModel::FileColumn,
                             fontMetrics().horizontalAdvance(QStringLiteral("TARQ20250101_0000_00.log")) + 12);
    results_->setColumnWidth(SearchResultsModel::LineColumn,
                             fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);

    auto* top = new QHBoxLayout;
    top->addWidget(field_, 1);
    top->addWidget(stop_);
    auto* options = new QHBoxLayout;
    options->addWidget(exact_);
    options->addWidget(selectedOnly_);
    options->addStretch(1);
    auto* status = new QHBoxLayout;
    status->addWidget(progress_, 1);
    status->addWidget(count_);
    status->addWidget(more_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(top);
    column->addLayout(options);
    column->addLayout(status);
    column->addWidget(results_, 1);
    setFocusProxy(field_);
    setTabOrder(field_, exact_);
    setTabOrder(exact_, selectedOnly_);
    setTabOrder(selectedOnly_, stop_);
    setTabOrder(stop_, results_);

    connect(field_, &QLineEdit::textChanged, this, &LibrarySearchPanel::Restart);
    connect(exact_, &QCheckBox::toggled, this, &LibrarySearchPanel::Restart);
    connect(selectedOnly_, &QCheckBox::toggled, this, &LibrarySearchPanel::Restart);
    connect(stop_, &QPushButton::clicked, this, &LibrarySearchPanel::Stop);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &LibrarySearchPanel::Stop,
                                 Qt::WidgetWithChildrenShortcut);
    escape->setObjectName(QStringLiteral("searchStopShortcut"));
    connect(results_, &QAbstractItemView::activated, this, [this](const QModelIndex& i) { Choose(i.row()); });
    // Enter in the field goes to the first result.
    connect(field_, &QLineEdit::returnPressed, this, [this] {
        if (model_->rowCount() == 0) return;
        results_->setFocus(Qt::OtherFocusReason);
        results_->setCurrentIndex(model_->index(0, 0));
    });
    // The count and the progress follow the matches at most every kCountEveryMs.
    connect(search_, &LibrarySearch::Progressed, this, [this] {
        if (sinceCount_.isValid() && sinceCount_.elapsed() < kCountEveryMs) return;
        UpdateCount();
    });
    connect(search_, &LibrarySearch::Finished, this, &LibrarySearchPanel::Finished);
    connect(&session, &LogSession::SettingsChanged, this, [this] {
        model_->SetBackground(session_.Settings().BackgroundDisplayColour());
        if (search_->Filters().filterWord != session_.Settings().filterWord() && !field_->text().isEmpty()) Restart();
    });
    UpdateCount();
}

LibrarySearchPanel::~LibrarySearchPanel() = default;

const std::vector<std::string>& LibrarySearchPanel::Covered() const {
    return selectedOnly_->isChecked() ? selectedFiles_ : folderFiles_;
}

void LibrarySearchPanel::SetFiles(std::vector<std::string> folderFiles, std::vector<std::string> selectedFiles) {
    const std::vector<std::string> before = Covered();
    folderFiles_ = std::move(folderFiles);
    selectedFiles_ = std::move(selectedFiles);
    if (Covered() != before && !field_->text().isEmpty()) Restart();
}

void LibrarySearchPanel::Restart() {
    const QString text = field_->text();
    delegate_->SetMatcher(TextMatcher(text, exact_->isChecked()));
    progress_->setRange(0, std::max(1, static_cast<int>(Covered().size())));
    progress_->setValue(0);
    stop_->setEnabled(!text.isEmpty());
    count_->setAccessibleName(QString());  // its text until the search ends
    search_->Start(Covered(), text, exact_->isChecked(),
                   SearchFilters{session_.Settings().filterWord(), session_.Users()});
    UpdateCount();
}

void LibrarySearchPanel::Stop() { search_->Stop(); }

void LibrarySearchPanel::UpdateCount() {
    sinceCount_.start();
    progress_->setValue(static_cast<int>(search_->FilesDone()));
    const QString count =
        search_->Text().isEmpty()
            ? QString()
            : QStringLiteral("%1 件 / %2 ファイル").arg(search_->TotalMatches()).arg(search_->FilesWithMatches());
    count_->setText(count);
    const std::int64_t notListed = search_->TotalMatches() - static_cast<std::int64_t>(search_->Hits().size());
    more_->setVisible(notListed > 0);
    if (notListed > 0)
        more_->setText(QStringLiteral("最初の %1 件を表示、ほかに %2 件").arg(search_->Hits().size()).arg(notListed));
}

void LibrarySearchPanel::Finished() {
    stop_->setEnabled(false);
    UpdateCount();
    if (search_->Text().isEmpty()) return;
    // What a screen reader says when the search ends: the count, as the label's name.
    QString spoken = count_->text();
    if (more_->isVisible()) spoken += QStringLiteral("、") + more_->text();
    count_->setAccessibleName(spoken);
    QAccessibleEvent named(count_, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
}

void LibrarySearchPanel::Choose(int row) {
    const auto r = static_cast<std::size_t>(row);
    if (row < 0 || r >= search_->Hits().size()) return;
    const SearchHit& hit = search_->Hits()[r];
    emit ResultChosen(search_->Files()[hit.file], hit.line, search_->Text(), search_->Exact());
}

}  // namespace chatscope
