#include "find/find_bar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>

namespace chatscope {

FindBar::FindBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("findBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);

    field_ = new QLineEdit(this);
    field_->setObjectName(QStringLiteral("findField"));
    field_->setPlaceholderText(QStringLiteral("検索"));
    field_->setClearButtonEnabled(true);
    field_->installEventFilter(this);

    auto button = [this](QStyle::StandardPixmap icon, const QString& tip, const char* name) {
        auto* b = new QToolButton(this);
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoRaise(true);
        return b;
    };
    previous_ = button(QStyle::SP_ArrowUp, QStringLiteral("前を検索 (Shift+F3)"), "findPrevious");
    next_ = button(QStyle::SP_ArrowDown, QStringLiteral("次を検索 (F3)"), "findNext");
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("findCount"));
    count_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000 / 0000000")));
    exact_ = new QCheckBox(QStringLiteral("大文字と小文字・全角と半角を区別"), this);
    exact_->setObjectName(QStringLiteral("findExact"));
    close_ = button(QStyle::SP_TitleBarCloseButton, QStringLiteral("閉じる (Esc)"), "findClose");

    layout->addWidget(field_, 1);
    layout->addWidget(previous_);
    layout->addWidget(next_);
    layout->addWidget(count_);
    layout->addWidget(exact_);
    layout->addWidget(close_);

    connect(field_, &QLineEdit::textChanged, this, &FindBar::SearchChanged);
    connect(exact_, &QCheckBox::toggled, this, &FindBar::SearchChanged);
    connect(previous_, &QToolButton::clicked, this, &FindBar::PreviousRequested);
    connect(next_, &QToolButton::clicked, this, &FindBar::NextRequested);
    connect(close_, &QToolButton::clicked, this, &FindBar::CloseRequested);
}

QString FindBar::Text() const { return field_->text(); }
bool FindBar::Exact() const { return exact_->isChecked(); }
void FindBar::SetCountText(const QString& text) { count_->setText(text); }
QString FindBar::CountText() const { return count_->text(); }

void FindBar::Open() {
    show();
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
}

void FindBar::SetSearch(const QString& text, bool exact) {
    {
        const QSignalBlocker fieldQuiet(field_), exactQuiet(exact_);
        field_->setText(text);
        exact_->setChecked(exact);
    }
    emit SearchChanged();
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier)
                emit PreviousRequested();
            else
                emit NextRequested();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            emit CloseRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        emit CloseRequested();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace chatscope
