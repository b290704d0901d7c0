// The wrapping page control of the statistics window.
#include "wrapping_tabs.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QVBoxLayout>

#include <algorithm>

namespace chatscope {

namespace {

constexpr int kHorizontalPadding = 8;
constexpr int kVerticalPadding = 4;

// The role and state a screen reader expects of a tab and of the row.
class TabButtonAccessible : public QAccessibleWidget {
public:
    explicit TabButtonAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::PageTab) {
        addControllingSignal(QStringLiteral("toggled(bool)"));
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return Button()->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        s.selected = Button()->isChecked();
        s.checkable = true;
        s.checked = Button()->isChecked();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction()) Button()->click();
    }

private:
    QAbstractButton* Button() const { return static_cast<QAbstractButton*>(widget()); }
};

QAccessibleInterface* TabAccessibleFactory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (className == QLatin1String("chatscope::TabButton")) return new TabButtonAccessible(w);
    if (className == QLatin1String("chatscope::TabRow")) return new QAccessibleWidget(w, QAccessible::PageTabList);
    return nullptr;
}

}  // namespace

void InstallTabAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(TabAccessibleFactory);
        return true;
    }();
    (void)installed;
}

// ---------------------------------------------------------------------------
// TabButton

TabButton::TabButton(const QString& caption, QWidget* parent) : QAbstractButton(parent) {
    setText(caption);
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(caption);
}

QSize TabButton::sizeHint() const {
    // As a tab bar sizes its tabs: the caption plus the style's own tab padding,
    // so the style never has to clip the caption it draws.
    const QFontMetrics fm = fontMetrics();
    QStyleOptionTab option;
    option.initFrom(this);
    option.text = text();
    option.shape = QTabBar::RoundedNorth;
    const int hframe = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this);
    const int vframe = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this);
    const QSize content(fm.horizontalAdvance(text()) + std::max(hframe, 2 * kHorizontalPadding),
                        fm.height() + std::max(vframe, 2 * kVerticalPadding));
    return style()->sizeFromContents(QStyle::CT_TabBarTab, &option, content, this);
}

void TabButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionTab option;
    option.initFrom(this);
    option.text = text();
    option.shape = QTabBar::RoundedNorth;
    option.position = QStyleOptionTab::Middle;
    if (isChecked()) option.state |= QStyle::State_Selected;
    if (hasFocus()) option.state |= QStyle::State_HasFocus;
    painter.drawControl(QStyle::CE_TabBarTab, option);
}

void TabButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up: emit StepRequested(-1); return;
    case Qt::Key_Right:
    case Qt::Key_Down: emit StepRequested(+1); return;
    default: QAbstractButton::keyPressEvent(event);
    }
}

// ---------------------------------------------------------------------------
// TabRow

TabRow::TabRow(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void TabRow::AddButton(TabButton* button) {
    button->setParent(this);
    buttons_.push_back(button);
    updateGeometry();
}

int TabRow::Arrange(int width, bool apply) const {
    int x = 0, y = 0, rowHeight = 0;
    for (TabButton* b : buttons_) {
        const QSize hint = b->sizeHint();
        if (x > 0 && x + hint.width() > width) {  // wrap onto the next row
            x = 0;
            y += rowHeight;
            rowHeight = 0;
        }
        if (apply) b->setGeometry(x, y, hint.width(), hint.height());
        x += hint.width();
        rowHeight = std::max(rowHeight, hint.height());
    }
    return y + rowHeight;
}

int TabRow::heightForWidth(int width) const { return Arrange(width, false); }

QSize TabRow::sizeHint() const {
    int width = 0;
    for (TabButton* b : buttons_) width += b->sizeHint().width();
    return {width, Arrange(width, false)};
}

QSize TabRow::minimumSizeHint() const {
    int width = 0;
    for (TabButton* b : buttons_) width = std::max(width, b->sizeHint().width());
    return {width, Arrange(width, false)};
}

void TabRow::resizeEvent(QResizeEvent*) { Arrange(width(), true); }

// ---------------------------------------------------------------------------
// WrappingTabs

WrappingTabs::WrappingTabs(QWidget* parent) : QWidget(parent) {
    InstallTabAccessibility();
    row_ = new TabRow(this);
    stack_ = new QStackedWidget(this);
    group_ = new QButtonGroup(this);
    group_->setExclusive(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(row_);
    layout->addWidget(stack_, 1);
    connect(group_, &QButtonGroup::idClicked, this, &WrappingTabs::setCurrentIndex);
    connect(stack_, &QStackedWidget::currentChanged, this, &WrappingTabs::currentChanged);

    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    next->setContext(Qt::WidgetWithChildrenShortcut);
    connect(next, &QShortcut::activated, this, [this] { Step(+1); });
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this);
    previous->setContext(Qt::WidgetWithChildrenShortcut);
    connect(previous, &QShortcut::activated, this, [this] { Step(-1); });
    auto* previous2 = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), this);
    previous2->setContext(Qt::WidgetWithChildrenShortcut);
    connect(previous2, &QShortcut::activated, this, [this] { Step(-1); });
}

int WrappingTabs::addTab(QWidget* page, const QString& caption) {
    const int index = stack_->addWidget(page);
    auto* button = new TabButton(caption);
    row_->AddButton(button);
    group_->addButton(button, index);
    connect(button, &TabButton::StepRequested, this, &WrappingTabs::Step);
    if (index == stack_->currentIndex()) button->setChecked(true);
    return index;
}

int WrappingTabs::count() const { return stack_->count(); }
int WrappingTabs::currentIndex() const { return stack_->currentIndex(); }
QWidget* WrappingTabs::currentWidget() const { return stack_->currentWidget(); }
QWidget* WrappingTabs::widget(int index) const { return stack_->widget(index); }

QString WrappingTabs::tabText(int index) const {
    TabButton* b = tabButton(index);
    return b ? b->text() : QString();
}

TabButton* WrappingTabs::tabButton(int index) const { return qobject_cast<TabButton*>(group_->button(index)); }

void WrappingTabs::setCurrentIndex(int index) {
    if (index < 0 || index >= count()) return;
    if (TabButton* b = tabButton(index)) b->setChecked(true);
    stack_->setCurrentIndex(index);
}

void WrappingTabs::setCurrentWidget(QWidget* page) { setCurrentIndex(stack_->indexOf(page)); }

void WrappingTabs::Step(int step) {
    if (count() == 0) return;
    const int index = (currentIndex() + step + count()) % count();
    setCurrentIndex(index);
    // Keyboard focus follows the tab when it was on the row.
    if (row_->isAncestorOf(QApplication::focusWidget())) tabButton(index)->setFocus(Qt::TabFocusReason);
}

}  // namespace chatscope
