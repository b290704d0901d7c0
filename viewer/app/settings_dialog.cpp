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
#include <utility>

#include "chatscope/classify.h"
#include "log_session.h"
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

SettingsDialog::SettingsDialog(LogSession& session, QWidget* anchor, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      session_(session),
      anchor_(anchor) {
    setWindowTitle(QStringLiteral("chatscope Config"));
    setFont(ViewerFont());
    setFixedSize(194, 321);
    setModal(false);
    setSizeGripEnabled(false);

    auto* backgroundLabel = new QLabel(QStringLiteral("背景色"), this);
    backgroundLabel->setObjectName(QStringLiteral("backgroundLabel"));
    backgroundLabel->setGeometry(6, 4, 100, 14);

    swatch_ = new QFrame(this);
    swatch_->setFrameShape(QFrame::Box);
    swatch_->setGeometry(8, 20, 48, 50);
    swatch_->setAutoFillBackground(true);

    const char* names[3] = {"R", "G", "B"};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromLatin1(names[i]), this);
        label->setObjectName(QString::fromLatin1(names[i]));
        label->setGeometry(64, 21 + 17 * i, 12, 14);
    }
    redBar_ = MakeColourBar(this, 20);
    greenBar_ = MakeColourBar(this, 37);
    blueBar_ = MakeColourBar(this, 54);

    auto* etcFilterLabel = new QLabel(QStringLiteral("[etc]フィルターに含める"), this);
    etcFilterLabel->setObjectName(QStringLiteral("etcFilterLabel"));
    etcFilterLabel->setGeometry(6, 75, 186, 14);

    etcFilterList_ = new QListWidget(this);
    etcFilterList_->setGeometry(8, 91, 178, 9 * kItemHeight + 4);
    etcFilterList_->setSelectionMode(QAbstractItemView::SingleSelection);
    const char16_t* etcItems[FilterBit::kChecklistItems] = {
        u"アイテムドロップ",       u"経験値取得",         u"サーチコメント",
        u"リンクシェルメッセージ", u"スキルアップ",       u"レベルアップ、ダウン",
        u"サービスメッセージ",     u"モンスターを倒した", u"(ユーザー指定)"};

    userListLabel_ = new QLabel(QStringLiteral("ユーザー指定 (チェックは非表示)"), this);
    userListLabel_->setGeometry(6, 236, 188, 14);

    userList_ = new QListWidget(this);
    userList_->setGeometry(8, 252, 178, 63);
    userList_->setSelectionMode(QAbstractItemView::SingleSelection);

    const std::pair<QObject*, const char*> parts[] = {
        {redBar_, "redBar"},     {greenBar_, "greenBar"},           {blueBar_, "blueBar"},
        {swatch_, "swatch"},     {userListLabel_, "userListLabel"}, {etcFilterList_, "etcFilterList"},
        {userList_, "userList"},
    };
    for (const auto& [part, name] : parts) part->setObjectName(QLatin1String(name));

    // The list signals are connected last, so filling the lists runs no handler.
    loading_ = true;
    const ViewerSettings& settings = session_.Settings();
    redBar_->setValue(settings.red());
    greenBar_->setValue(settings.green());
    blueBar_->setValue(settings.blue());
    ApplyBackgroundColour();

    const std::uint32_t word = settings.filterWord();
    for (int i = 0; i < FilterBit::kChecklistItems; ++i) {
        const bool ticked = (word >> (FilterBit::kChecklistFirstBit + i)) & 1u;
        AddCheckItem(etcFilterList_, QString::fromUtf16(etcItems[i]), ticked);
    }

    for (const UserFilterEntry& entry : session_.Users().entries()) {
        AddCheckItem(userList_, sjis::Decode(entry.name), entry.ticked);
    }
    UpdateUserListEnabled();
    loading_ = false;

    connect(redBar_, &QScrollBar::valueChanged, this, &SettingsDialog::ColourBarMoved);
    connect(greenBar_, &QScrollBar::valueChanged, this, &SettingsDialog::ColourBarMoved);
    connect(blueBar_, &QScrollBar::valueChanged, this, &SettingsDialog::ColourBarMoved);
    connect(etcFilterList_, &QListWidget::itemChanged, this, &SettingsDialog::EtcFilterItemChanged);
    connect(userList_, &QListWidget::itemChanged, this, &SettingsDialog::UserItemChanged);
    connect(&session_, &LogSession::SettingsChanged, this, &SettingsDialog::UpdateUserListEnabled);
}

std::uint32_t SettingsDialog::SwatchColour() const { return swatchColour_; }

void SettingsDialog::ColourBarMoved() {
    if (loading_) return;
    ApplyBackgroundColour();
}

void SettingsDialog::ApplyBackgroundColour() {
    const int r = redBar_->value(), g = greenBar_->value(), b = blueBar_->value();
    swatchColour_ = std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16;
    QPalette palette = swatch_->palette();
    palette.setColor(QPalette::Window, QColor(r, g, b));
    swatch_->setPalette(palette);
    session_.SetBackgroundRgb(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b));
}

void SettingsDialog::UpdateUserListEnabled() {
    const bool enabled = (session_.Settings().filterWord() & FilterBit::UserSpecified) == 0 && userList_->count() > 0;
    userList_->setEnabled(enabled);
    userListLabel_->setEnabled(enabled);
}

void SettingsDialog::EtcFilterItemChanged(QListWidgetItem*) {
    if (loading_) return;
    std::uint32_t word = session_.Settings().filterWord() & ~kChecklistMask;
    for (int i = 0; i < etcFilterList_->count() && i < FilterBit::kChecklistItems; ++i) {
        if (etcFilterList_->item(i)->checkState() == Qt::Checked) word |= 1u << (FilterBit::kChecklistFirstBit + i);
    }
    // Not a tick change when the word stays; otherwise the log is read again (and
    // the user list follows the new word through SettingsChanged).
    session_.SetFilterWord(word);
}

void SettingsDialog::UserItemChanged(QListWidgetItem* item) {
    if (loading_ || !item) return;
    const int row = userList_->row(item);
    if (row < 0) return;
    session_.SetUserTicked(static_cast<std::size_t>(row), item->checkState() == Qt::Checked);
}

void SettingsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && anchor_) PlaceBeside(*this, *anchor_);
}

void SettingsDialog::closeEvent(QCloseEvent* event) {
    // The toggle hides the dialog and clears both "オプション" check marks.
    if (isVisible()) emit CloseRequested();
    event->accept();
}

void SettingsDialog::reject() { close(); }

}  // namespace chatscope
