// Form2: the settings dialog.
#include "Lvconfig.h"

#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QScrollBar>
#include <QShowEvent>

#include <string>

#include "Lvdata.h"
#include "Lvmain.h"
#include "chatscope/classify.h"
#include "chatscope/filter_file.h"
#include "chatscope/paths.h"
#include "sjis_text.h"
#include "viewer_font.h"

namespace chatscope {

namespace {

constexpr std::uint32_t kChecklistMask = 0x1FF0000;  // bits 16-24
constexpr int kItemHeight = 15;                      // one row of a checklist

QListWidgetItem* AddCheckItem(QListWidget* list, const QString& text, bool ticked) {
    auto* item = new QListWidgetItem(text, list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    item->setSizeHint(QSize(list->fontMetrics().horizontalAdvance(text) + 24, kItemHeight));
    return item;
}

QScrollBar* MakeColourBar(QWidget* parent, int y) {
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setRange(0, 255);
    bar->setSingleStep(1);
    bar->setPageStep(16);
    bar->setValue(0);
    bar->setGeometry(78, y, 108, 16);
    return bar;
}

}  // namespace

TForm2::TForm2(ViewerState& state, TForm1& form1, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      state_(state),
      form1_(form1) {
    setWindowTitle(QStringLiteral("chatscope Config"));
    setFont(ViewerFont());
    setFixedSize(194, 321);
    setModal(false);
    setSizeGripEnabled(false);

    Label1 = new QLabel(QStringLiteral("背景色"), this);
    Label1->setGeometry(6, 4, 100, 14);

    Shape1 = new QFrame(this);
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setGeometry(8, 20, 48, 50);
    Shape1->setAutoFillBackground(true);

    const char* names[3] = {"R", "G", "B"};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromLatin1(names[i]), this);
        label->setObjectName(QString::fromLatin1(names[i]));
        label->setGeometry(64, 21 + 17 * i, 12, 14);
    }
    ScrollR = MakeColourBar(this, 20);
    ScrollG = MakeColourBar(this, 37);
    ScrollB = MakeColourBar(this, 54);

    Label2 = new QLabel(QStringLiteral("[etc]フィルターに含める"), this);
    Label2->setGeometry(6, 75, 186, 14);

    CheckListBox1 = new QListWidget(this);
    CheckListBox1->setGeometry(8, 91, 178, 9 * kItemHeight + 4);
    CheckListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    const char16_t* etcItems[FilterBit::kChecklistItems] = {
        u"アイテムドロップ",       u"経験値取得",         u"サーチコメント",
        u"リンクシェルメッセージ", u"スキルアップ",       u"レベルアップ、ダウン",
        u"サービスメッセージ",     u"モンスターを倒した", u"(ユーザー指定)"};

    Label3 = new QLabel(QStringLiteral("ユーザー指定 (チェックは非表示)"), this);
    Label3->setGeometry(6, 236, 188, 14);

    CheckListBox2 = new QListWidget(this);
    CheckListBox2->setGeometry(8, 252, 178, 63);
    CheckListBox2->setSelectionMode(QAbstractItemView::SingleSelection);

    // FormCreate. The list signals are connected last, so filling the lists
    // runs no handler.
    loading_ = true;
    LoadViewerSettings(state_.settingsFile, state_.settings);
    ScrollR->setValue(state_.settings.red());
    ScrollG->setValue(state_.settings.green());
    ScrollB->setValue(state_.settings.blue());
    ApplyBackgroundColour();

    const std::uint32_t word = state_.settings.filterWord();
    for (int i = 0; i < FilterBit::kChecklistItems; ++i) {
        const bool ticked = (word >> (FilterBit::kChecklistFirstBit + i)) & 1u;
        AddCheckItem(CheckListBox1, QString::fromUtf16(etcItems[i]), ticked);
    }

    LoadUserFilters(state_.filterFile, state_.users);
    for (const UserFilterEntry& entry : state_.users.entries()) {
        AddCheckItem(CheckListBox2, SjisToQString(entry.name), entry.ticked);
    }
    UpdateUserListEnabled();
    loading_ = false;

    connect(ScrollR, &QScrollBar::valueChanged, this, &TForm2::ScrollRScroll);
    connect(ScrollG, &QScrollBar::valueChanged, this, &TForm2::ScrollRScroll);
    connect(ScrollB, &QScrollBar::valueChanged, this, &TForm2::ScrollRScroll);
    connect(CheckListBox1, &QListWidget::itemChanged, this, &TForm2::CheckListBox1ClickCheck);
    connect(CheckListBox2, &QListWidget::itemChanged, this, &TForm2::CheckListBox2ClickCheck);
}

TForm2::~TForm2() {
    // The per-user configuration folder may not exist yet on a first run.
    EnsureFolderOf(state_.settingsFile);
    SaveViewerSettings(state_.settingsFile, state_.settings);
    SaveUserFilters(state_.filterFile, state_.users);
}

std::uint32_t TForm2::SwatchColour() const { return swatchColour_; }

void TForm2::ScrollRScroll() {
    if (loading_) return;
    ApplyBackgroundColour();
}

void TForm2::ApplyBackgroundColour() {
    const int r = ScrollR->value(), g = ScrollG->value(), b = ScrollB->value();
    swatchColour_ = std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16;
    QPalette palette = Shape1->palette();
    palette.setColor(QPalette::Window, QColor(r, g, b));
    Shape1->setPalette(palette);
    state_.settings.SetRgb(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b));
    form1_.UpdateDisplayBackground();
}

void TForm2::UpdateUserListEnabled() {
    const bool enabled = (state_.settings.filterWord() & FilterBit::UserSpecified) == 0 && CheckListBox2->count() > 0;
    CheckListBox2->setEnabled(enabled);
    Label3->setEnabled(enabled);
}

void TForm2::ReloadLog() {
    const std::string path = form1_.CurrentLogPath();
    if (!path.empty()) form1_.LoadLogFile(path);
}

void TForm2::CheckListBox1ClickCheck(QListWidgetItem*) {
    if (loading_) return;
    std::uint32_t word = state_.settings.filterWord() & ~kChecklistMask;
    for (int i = 0; i < CheckListBox1->count() && i < FilterBit::kChecklistItems; ++i) {
        if (CheckListBox1->item(i)->checkState() == Qt::Checked) word |= 1u << (FilterBit::kChecklistFirstBit + i);
    }
    if (word == state_.settings.filterWord()) return;  // not a tick change
    state_.settings.SetFilterWord(word);
    ReloadLog();
    UpdateUserListEnabled();
}

void TForm2::CheckListBox2ClickCheck(QListWidgetItem* item) {
    if (loading_ || !item) return;
    const int row = CheckListBox2->row(item);
    if (row < 0 || static_cast<std::size_t>(row) >= state_.users.size()) return;
    const bool ticked = item->checkState() == Qt::Checked;
    if (state_.users[static_cast<std::size_t>(row)].ticked == ticked) return;  // not a tick change
    state_.users.SetTicked(static_cast<std::size_t>(row), ticked);
    if (state_.settings.filterWord() & FilterBit::UserSpecified) return;
    ReloadLog();
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) PlaceBesideMainWindow(*this, form1_);
}

void TForm2::closeEvent(QCloseEvent* event) {
    // The main window's toggle hides the dialog and clears both "オプション" check marks.
    if (isVisible()) form1_.Option1Click();
    event->accept();
}

void TForm2::reject() { close(); }

}  // namespace chatscope
