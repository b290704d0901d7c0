// The settings dialog.
#include "settings_dialog.h"

#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QScrollBar>
#include <QShowEvent>

#include <string>

#include "chatscope/classify.h"
#include "chatscope/filter_file.h"
#include "chatscope/paths.h"
#include "main_window.h"
#include "settings_files.h"
#include "side_window_placement.h"
#include "sjis/shift_jis.h"
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

SettingsDialog::SettingsDialog(ViewerState& state, MainWindow& mainWindow, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      state_(state),
      mainWindow_(mainWindow) {
    setWindowTitle(QStringLiteral("chatscope Config"));
    setFont(ViewerFont());
    setFixedSize(194, 321);
    setModal(false);
    setSizeGripEnabled(false);

    backgroundLabel = new QLabel(QStringLiteral("背景色"), this);
    backgroundLabel->setGeometry(6, 4, 100, 14);

    swatch = new QFrame(this);
    swatch->setFrameShape(QFrame::Box);
    swatch->setGeometry(8, 20, 48, 50);
    swatch->setAutoFillBackground(true);

    const char* names[3] = {"R", "G", "B"};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromLatin1(names[i]), this);
        label->setObjectName(QString::fromLatin1(names[i]));
        label->setGeometry(64, 21 + 17 * i, 12, 14);
    }
    redBar = MakeColourBar(this, 20);
    greenBar = MakeColourBar(this, 37);
    blueBar = MakeColourBar(this, 54);

    etcFilterLabel = new QLabel(QStringLiteral("[etc]フィルターに含める"), this);
    etcFilterLabel->setGeometry(6, 75, 186, 14);

    etcFilterList = new QListWidget(this);
    etcFilterList->setGeometry(8, 91, 178, 9 * kItemHeight + 4);
    etcFilterList->setSelectionMode(QAbstractItemView::SingleSelection);
    const char16_t* etcItems[FilterBit::kChecklistItems] = {
        u"アイテムドロップ",       u"経験値取得",         u"サーチコメント",
        u"リンクシェルメッセージ", u"スキルアップ",       u"レベルアップ、ダウン",
        u"サービスメッセージ",     u"モンスターを倒した", u"(ユーザー指定)"};

    userListLabel = new QLabel(QStringLiteral("ユーザー指定 (チェックは非表示)"), this);
    userListLabel->setGeometry(6, 236, 188, 14);

    userList = new QListWidget(this);
    userList->setGeometry(8, 252, 178, 63);
    userList->setSelectionMode(QAbstractItemView::SingleSelection);

    // Load the files. The list signals are connected last, so filling the lists
    // runs no handler.
    loading_ = true;
    LoadSettingsFiles(state_.settingsFile, state_.filterFile, state_.settings, state_.users);
    redBar->setValue(state_.settings.red());
    greenBar->setValue(state_.settings.green());
    blueBar->setValue(state_.settings.blue());
    ApplyBackgroundColour();

    const std::uint32_t word = state_.settings.filterWord();
    for (int i = 0; i < FilterBit::kChecklistItems; ++i) {
        const bool ticked = (word >> (FilterBit::kChecklistFirstBit + i)) & 1u;
        AddCheckItem(etcFilterList, QString::fromUtf16(etcItems[i]), ticked);
    }

    for (const UserFilterEntry& entry : state_.users.entries()) {
        AddCheckItem(userList, sjis::Decode(entry.name), entry.ticked);
    }
    UpdateUserListEnabled();
    loading_ = false;

    connect(redBar, &QScrollBar::valueChanged, this, &SettingsDialog::ColourBarMoved);
    connect(greenBar, &QScrollBar::valueChanged, this, &SettingsDialog::ColourBarMoved);
    connect(blueBar, &QScrollBar::valueChanged, this, &SettingsDialog::ColourBarMoved);
    connect(etcFilterList, &QListWidget::itemChanged, this, &SettingsDialog::EtcFilterItemChanged);
    connect(userList, &QListWidget::itemChanged, this, &SettingsDialog::UserItemChanged);
}

SettingsDialog::~SettingsDialog() { SaveSettingsFiles(); }

void SettingsDialog::SaveSettingsFiles() {
    // The per-user configuration folder may not exist yet on a first run.
    EnsureFolderOf(state_.settingsFile);
    SaveViewerSettings(state_.settingsFile, state_.settings);
    SaveUserFilters(state_.filterFile, state_.users);
}

std::uint32_t SettingsDialog::SwatchColour() const { return swatchColour_; }

void SettingsDialog::ColourBarMoved() {
    if (loading_) return;
    ApplyBackgroundColour();
}

void SettingsDialog::ApplyBackgroundColour() {
    const int r = redBar->value(), g = greenBar->value(), b = blueBar->value();
    swatchColour_ = std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16;
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, QColor(r, g, b));
    swatch->setPalette(palette);
    state_.settings.SetRgb(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b));
    mainWindow_.UpdateDisplayBackground();
}

void SettingsDialog::UpdateUserListEnabled() {
    const bool enabled = (state_.settings.filterWord() & FilterBit::UserSpecified) == 0 && userList->count() > 0;
    userList->setEnabled(enabled);
    userListLabel->setEnabled(enabled);
}

void SettingsDialog::ReloadLog() {
    const std::string path = mainWindow_.CurrentLogPath();
    if (!path.empty()) mainWindow_.LoadLogFile(path);
}

void SettingsDialog::EtcFilterItemChanged(QListWidgetItem*) {
    if (loading_) return;
    std::uint32_t word = state_.settings.filterWord() & ~kChecklistMask;
    for (int i = 0; i < etcFilterList->count() && i < FilterBit::kChecklistItems; ++i) {
        if (etcFilterList->item(i)->checkState() == Qt::Checked) word |= 1u << (FilterBit::kChecklistFirstBit + i);
    }
    if (word == state_.settings.filterWord()) return;  // not a tick change
    state_.settings.SetFilterWord(word);
    ReloadLog();
    UpdateUserListEnabled();
}

void SettingsDialog::UserItemChanged(QListWidgetItem* item) {
    if (loading_ || !item) return;
    const int row = userList->row(item);
    if (row < 0 || static_cast<std::size_t>(row) >= state_.users.size()) return;
    const bool ticked = item->checkState() == Qt::Checked;
    if (state_.users[static_cast<std::size_t>(row)].ticked == ticked) return;  // not a tick change
    state_.users.SetTicked(static_cast<std::size_t>(row), ticked);
    if (state_.settings.filterWord() & FilterBit::UserSpecified) return;
    ReloadLog();
}

void SettingsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) PlaceBesideMainWindow(*this, mainWindow_);
}

void SettingsDialog::closeEvent(QCloseEvent* event) {
    // The main window's toggle hides the dialog and clears both "オプション" check marks.
    if (isVisible()) mainWindow_.ToggleSettingsDialog();
    event->accept();
}

void SettingsDialog::reject() { close(); }

}  // namespace chatscope
